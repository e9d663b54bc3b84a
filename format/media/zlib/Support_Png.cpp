// PNG files through zlib alone, where libpng is not built (Windows): zlib
// is linked for the blocks already, and a PNG of 8-bit RGB rows is zlib's
// stream between a few fixed chunks, each checked by zlib's CRC-32.
#include "format/media/Support_Png.h"

#include <zlib.h>

#include <limits>
#include <stdexcept>
#include <string>

#include "format/media/Support_Bitmap24.h"

namespace {

// The standard BMP's layout: 54 bytes of headers, then rows bottom-up of
// blue, green, red, each padded to four bytes.
constexpr std::size_t HeadersSize = 54;

std::uint32_t Get32(const CBlock& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

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
    const CBlock bmp = Bitmap24_Standard(image);
    // The standard form always has a positive width and height, and rows that
    // fill the block exactly (Bitmap24_Standard checked both).
    const std::size_t width = Get32(bmp, 18);
    const std::size_t height = Get32(bmp, 22);
    const std::size_t stride = (width * 3 + 3) / 4 * 4;

    // Each row: filter type 0 (none), then red, green, blue.
    CBlock rows((width * 3 + 1) * height);
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* source = bmp.data() + HeadersSize + (height - 1 - y) * stride;
        std::uint8_t* target = rows.data() + y * (width * 3 + 1);
        target[0] = 0;
        for (std::size_t x = 0; x < width; ++x) {
            target[1 + 3 * x] = source[3 * x + 2];
            target[2 + 3 * x] = source[3 * x + 1];
            target[3 + 3 * x] = source[3 * x];
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
    CBlock packed(packedSize);
    if (rows.size() > std::numeric_limits<uLong>::max() ||
        compress2(packed.data(), &packedSize, rows.data(), static_cast<uLong>(rows.size()), 6) != Z_OK)
        throw std::runtime_error("PNG encoding failed: the pixels do not compress");
    packed.resize(packedSize);

    CBlock header;
    PutBig32(header, static_cast<std::uint32_t>(width));
    PutBig32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, adaptive filters, no interlace

    CBlock png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", {});
    return png;
}
