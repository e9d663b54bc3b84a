#include "format/media/Support_Png.h"

#include <png.h>

#include <stdexcept>
#include <string>

#include "format/media/Support_Bitmap24.h"

namespace transvane {

namespace {

// The standard BMP's layout: 54 bytes of headers, then rows bottom-up of
// blue, green, red, each padded to four bytes.
constexpr std::size_t HeadersSize = 54;

std::uint32_t Get32(const CBlock& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

}  // namespace

CBlock Bitmap24_ToPng(const CBlock& image) {
    const CBlock bmp = Bitmap24_Standard(image);
    // The standard form always has a positive width and height, and rows that
    // fill the block exactly (Bitmap24_Standard checked both).
    const std::size_t width = Get32(bmp, 18);
    const std::size_t height = Get32(bmp, 22);
    const std::size_t stride = (width * 3 + 3) / 4 * 4;

    CBlock rgb(width * height * 3);
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* source = bmp.data() + HeadersSize + (height - 1 - y) * stride;
        std::uint8_t* target = rgb.data() + y * width * 3;
        for (std::size_t x = 0; x < width; ++x) {
            target[3 * x] = source[3 * x + 2];
            target[3 * x + 1] = source[3 * x + 1];
            target[3 * x + 2] = source[3 * x];
        }
    }

    // libpng's simplified interface keeps its error handling (setjmp) to
    // itself and reports through the return value and the message.
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(width);
    png.height = static_cast<png_uint_32>(height);
    png.format = PNG_FORMAT_RGB;
    // Room for the worst case (the pixels stored, not compressed), so that
    // the picture is compressed once rather than measured first.
    png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(png);
    CBlock result(size);
    if (!png_image_write_to_memory(&png, result.data(), &size, 0, rgb.data(), 0, nullptr))
        throw std::runtime_error(std::string("PNG encoding failed: ") + png.message);
    result.resize(size);
    return result;
}

}  // namespace transvane
