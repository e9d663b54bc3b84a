// PNG files through zlib alone, where libpng is not built (Windows): zlib
// is linked for the blocks already, and a PNG of 8-bit RGB rows is zlib's
// stream between a few fixed chunks, each checked by zlib's CRC-32.
#include "format/media/Support_Png.h"

#include <zlib.h>

#include <limits>
#include <stdexcept>
#include <string>

#include "format/media/Support_Bitmap24.h"

namespace transvane {

namespace {

void PutBig32(CBlock& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutChunk(CBlock& out, const char (&type)[5], const CBlock& data) {
    if (data.size() > 0x7FFFFFFFu)
        throw std::runtime_error("PNG encoding failed: picture too large");
    PutBig32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32_z(crc, out.data() + typeAt, out.size() - typeAt);
    PutBig32(out, static_cast<std::uint32_t>(crc));
}

}  // namespace

CBlock Bitmap24_ToPng(const CBlock& image) {
    // Each row: filter type 0 (none), then red, green, blue.
    const CRgbRows image24 = Bitmap24_RgbRows(image, 1);
    const CBlock& rows = image24.Bytes;
    // zlib counts in uLong, 32 bits on Windows.
    if (rows.size() > std::numeric_limits<uLong>::max() / 2)
        throw std::runtime_error("PNG encoding failed: picture too large");
    uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
    CBlock packed(packedSize);
    if (compress2(packed.data(), &packedSize, rows.data(), static_cast<uLong>(rows.size()), 6) != Z_OK)
        throw std::runtime_error("PNG encoding failed: the pixels do not compress");
    packed.resize(packedSize);

    CBlock header;
    PutBig32(header, static_cast<std::uint32_t>(image24.Width));
    PutBig32(header, static_cast<std::uint32_t>(image24.Height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, adaptive filters, no interlace

    CBlock png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", {});
    return png;
}

}  // namespace transvane
