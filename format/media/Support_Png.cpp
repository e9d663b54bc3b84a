#include "format/media/Support_Png.h"

#include <png.h>

#include <stdexcept>
#include <string>

#include "format/media/Support_Bitmap24.h"

namespace transvane {

CBlock Bitmap24_ToPng(const CBlock& image) {
    const CRgbRows rows = Bitmap24_RgbRows(image);

    // libpng's simplified interface keeps its error handling (setjmp) to
    // itself and reports through the return value and the message.
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(rows.Width);
    png.height = static_cast<png_uint_32>(rows.Height);
    png.format = PNG_FORMAT_RGB;
    // Room for the worst case (the pixels stored, not compressed), so that
    // the picture is compressed once rather than measured first.
    png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(png);
    CBlock result(size);
    if (!png_image_write_to_memory(&png, result.data(), &size, 0, rows.Bytes.data(), 0, nullptr))
        throw std::runtime_error(std::string("PNG encoding failed: ") + png.message);
    result.resize(size);
    return result;
}

}  // namespace transvane
