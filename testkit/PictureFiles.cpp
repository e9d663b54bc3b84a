#include "testkit/PictureFiles.h"

#include <algorithm>
#include <bit>
#include <stdexcept>

#include "testkit/ProjectReader.h"

namespace transvane {

namespace project {

namespace {

void Put16(CBlock& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(CBlock& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutBgr(CBlock& out, std::uint32_t colour) {
    out.push_back(static_cast<std::uint8_t>(colour));
    out.push_back(static_cast<std::uint8_t>(colour >> 8));
    out.push_back(static_cast<std::uint8_t>(colour >> 16));
}

// The colour 0xRRGGBB of pixel (x, y), y counted from the top.
std::uint32_t PixelAt(const TPicture& picture, std::int32_t x, std::int32_t y) {
    return picture.Pixels.at(static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.Width) +
                             static_cast<std::size_t>(x));
}

std::vector<std::uint32_t> DistinctColours(const TPicture& pixels) {
    std::vector<std::uint32_t> colours;
    for (std::int32_t y = 0; y < pixels.Height; ++y)
        for (std::int32_t x = 0; x < pixels.Width; ++x) {
            const std::uint32_t colour = PixelAt(pixels, x, y);
            if (std::find(colours.begin(), colours.end(), colour) == colours.end())
                colours.push_back(colour);
        }
    return colours;
}

std::uint32_t IndexOf(const std::vector<std::uint32_t>& palette, std::uint32_t colour) {
    return static_cast<std::uint32_t>(std::find(palette.begin(), palette.end(), colour) - palette.begin());
}

// An 8-bit channel value put into the field of a mask.
std::uint32_t IntoMask(std::uint32_t value, std::uint32_t mask) {
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const std::uint32_t max = mask >> shift;
    return static_cast<std::uint32_t>((std::uint64_t{value} * max + 127) / 255) << shift;
}

// Rows of runs of equal values, at most 255 pixels a run.
template <class F>
TRunRows RowsOfRuns(const TPicture& pixels, F valueOf) {
    TRunRows rows;
    for (std::int32_t y = 0; y < pixels.Height; ++y) {
        std::vector<TColourRun>& row = rows.emplace_back();
        for (std::int32_t x = 0; x < pixels.Width; ++x) {
            const std::uint32_t value = valueOf(PixelAt(pixels, x, y));
            if (!row.empty() && row.back().Value == value && row.back().Length < 255)
                ++row.back().Length;
            else
                row.push_back({1, value});
        }
    }
    return rows;
}

void WriteRows(CStream& stream, const TRunRows& rows, bool paletted) {
    for (const std::vector<TColourRun>& row : rows) {
        stream.WriteInt(static_cast<std::int32_t>(row.size()));
        CBlock lengths, values;
        for (const TColourRun& run : row) {
            lengths.push_back(run.Length);
            if (paletted)
                values.push_back(static_cast<std::uint8_t>(run.Value));
            else
                PutBgr(values, run.Value);
        }
        stream.Write(lengths);
        stream.Write(values);
    }
}

}  // namespace

TPicture PatternPixels(std::int32_t width, std::int32_t height, const std::vector<std::uint32_t>& colours) {
    TPicture picture{10, width, height, {}, {}};
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x)
            picture.Pixels.push_back(colours[static_cast<std::size_t>(x * 7 + y * 3 + x / 3) % colours.size()]);
    return picture;
}

TPicture FilledPixels(std::int32_t width, std::int32_t height, std::uint32_t colour) {
    return PatternPixels(width, height, {colour});
}

CBlock MakeBmp(const TPicture& pixels, const TBmpShape& shape) {
    const std::uint32_t bits = static_cast<std::uint32_t>(shape.BitCount);
    const bool indexed = bits <= 8;
    const bool core = shape.HeaderSize == 12;
    std::vector<std::uint32_t> palette;
    if (indexed) {
        palette = DistinctColours(pixels);
        if (palette.size() > (std::size_t{1} << bits))
            throw std::invalid_argument("MakeBmp: too many colours for the depth");
    }
    const std::uint32_t tableEntries = shape.ColoursUsed != 0 ? shape.ColoursUsed : (indexed ? 1u << bits : 0u);
    if (indexed && palette.size() > tableEntries)
        throw std::invalid_argument("MakeBmp: colour table too small");
    palette.resize(tableEntries, 0x000000);

    std::uint32_t red = 0, green = 0, blue = 0;
    if (bits == 16)
        red = 0x7C00, green = 0x03E0, blue = 0x001F;
    if (bits == 32)
        red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF;
    if (shape.BitFields)
        red = shape.RedMask, green = shape.GreenMask, blue = shape.BlueMask;

    // Pixel data, rows in storage order.
    CBlock data;
    const auto width = static_cast<std::uint32_t>(pixels.Width);
    const std::uint32_t stride = (width * bits + 31) / 32 * 4;
    for (std::int32_t i = 0; i < pixels.Height; ++i) {
        const std::int32_t y = shape.TopDown ? i : pixels.Height - 1 - i;
        if (shape.RunLength != 0) {
            std::int32_t x = 0;
            while (x < pixels.Width) {
                const std::uint32_t index = IndexOf(palette, PixelAt(pixels, x, y));
                std::uint32_t count = 1;
                while (x + static_cast<std::int32_t>(count) < pixels.Width && count < 255 &&
                       IndexOf(palette, PixelAt(pixels, x + static_cast<std::int32_t>(count), y)) == index)
                    ++count;
                data.push_back(static_cast<std::uint8_t>(count));
                data.push_back(static_cast<std::uint8_t>(shape.RunLength == 4 ? index << 4 | index : index));
                x += static_cast<std::int32_t>(count);
            }
            data.push_back(0);
            data.push_back(0);  // end of line
            continue;
        }
        CBlock row(stride, shape.PaddingByte);
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint32_t colour = PixelAt(pixels, static_cast<std::int32_t>(x), y);
            if (indexed) {
                const std::uint32_t bit = x * bits;
                row[bit / 8] = static_cast<std::uint8_t>(row[bit / 8] & ~(((1u << bits) - 1) << (8 - bits - bit % 8)));
                row[bit / 8] =
                    static_cast<std::uint8_t>(row[bit / 8] | IndexOf(palette, colour) << (8 - bits - bit % 8));
            } else if (bits == 24) {
                row[3 * x] = static_cast<std::uint8_t>(colour);
                row[3 * x + 1] = static_cast<std::uint8_t>(colour >> 8);
                row[3 * x + 2] = static_cast<std::uint8_t>(colour >> 16);
            } else {
                const std::uint32_t value = IntoMask(colour >> 16 & 255, red) | IntoMask(colour >> 8 & 255, green) |
                                            IntoMask(colour & 255, blue);
                for (std::uint32_t b = 0; b < bits / 8; ++b)
                    row[bits / 8 * x + b] = static_cast<std::uint8_t>(value >> (8 * b));
            }
        }
        data.insert(data.end(), row.begin(), row.end());
    }
    if (shape.RunLength != 0) {
        data.push_back(0);
        data.push_back(1);  // end of bitmap
    }

    CBlock header;
    Put32(header, shape.HeaderSize);
    if (core) {
        Put16(header, width);
        Put16(header, static_cast<std::uint32_t>(pixels.Height));
        Put16(header, 1);
        Put16(header, bits);
    } else {
        Put32(header, width);
        Put32(header, static_cast<std::uint32_t>(shape.TopDown ? -pixels.Height : pixels.Height));
        Put16(header, 1);
        Put16(header, bits);
        Put32(header, shape.RunLength == 8 ? 1u : shape.RunLength == 4 ? 2u : shape.BitFields ? 3u : 0u);
        Put32(header, shape.ImageSizeField ? static_cast<std::uint32_t>(data.size()) : 0u);
        Put32(header, 2835);
        Put32(header, 2835);
        Put32(header, shape.ColoursUsed);
        Put32(header, 0);
        if (shape.HeaderSize >= 52) {
            Put32(header, red);
            Put32(header, green);
            Put32(header, blue);
        }
        header.resize(shape.HeaderSize, 0);
        if (shape.BitFields && shape.HeaderSize == 40) {
            Put32(header, red);
            Put32(header, green);
            Put32(header, blue);
        }
    }
    for (std::uint32_t colour : palette) {
        PutBgr(header, colour);
        if (!core)
            header.push_back(0);
    }

    CBlock bmp = {'B', 'M'};
    const auto offset = static_cast<std::uint32_t>(14 + header.size());
    Put32(bmp, offset + static_cast<std::uint32_t>(data.size()));
    Put32(bmp, 0);
    Put32(bmp, offset);
    bmp.insert(bmp.end(), header.begin(), header.end());
    bmp.insert(bmp.end(), data.begin(), data.end());
    return bmp;
}

CBlock NoImageBlock() {
    CStream stream;
    stream.WriteInt(-1);
    return stream.TakeBytes();
}

CBlock PlainBmpBlock(const CBlock& bmp) {
    CStream stream;
    stream.WriteInt(0);
    stream.Write(bmp);
    return stream.TakeBytes();
}

CBlock CompressedBmpBlock(const CBlock& bmp) {
    CStream stream;
    stream.WriteInt(10);
    stream.WriteCompressedBlock(bmp);
    return stream.TakeBytes();
}

CBlock ColorRunsBlock(std::int32_t width, std::int32_t height, const TRunRows& rows) {
    CStream stream;
    stream.WriteInt(1);
    stream.WriteInt(width);
    stream.WriteInt(height);
    WriteRows(stream, rows, false);
    return stream.TakeBytes();
}

CBlock PaletteRunsBlock(const std::vector<std::uint32_t>& palette, std::int32_t width, std::int32_t height,
                        const TRunRows& rows) {
    CStream stream;
    stream.WriteInt(2);
    stream.WriteInt(static_cast<std::int32_t>(palette.size()));
    CBlock entries;
    for (std::uint32_t colour : palette)
        PutBgr(entries, colour);
    stream.Write(entries);
    stream.WriteInt(width);
    stream.WriteInt(height);
    WriteRows(stream, rows, true);
    return stream.TakeBytes();
}

CBlock ColorRunsBlock(const TPicture& pixels) {
    return ColorRunsBlock(pixels.Width, pixels.Height, RowsOfRuns(pixels, [](std::uint32_t c) { return c; }));
}

CBlock PaletteRunsBlock(const TPicture& pixels) {
    const std::vector<std::uint32_t> palette = DistinctColours(pixels);
    return PaletteRunsBlock(palette, pixels.Width, pixels.Height,
                            RowsOfRuns(pixels, [&](std::uint32_t c) { return IndexOf(palette, c); }));
}

std::optional<TPicture> ReadWrittenImage(CStream& stream) {
    const std::int32_t scheme = stream.ReadInt();
    if (scheme == -1)
        return std::nullopt;
    if (scheme != 10)
        throw std::runtime_error("image scheme " + std::to_string(scheme) + " written; the converter writes only 10");
    return ReadWrittenBmp(stream.ReadCompressedBlock());
}

}  // namespace project

}  // namespace transvane
