#include "format/media/Support_Bitmap24.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>
#include <string>

#include "format/core/Support_Bytes.h"
#include "format/core/Support_Progress.h"
#include "format/core/Support_Report.h"

namespace transvane {

namespace {

constexpr std::int32_t SchemeNoImage = -1;
constexpr std::int32_t SchemePlainBmp = 0;
constexpr std::int32_t SchemeColorRuns = 1;
constexpr std::int32_t SchemePaletteRuns = 2;
constexpr std::int32_t SchemeCompressedBmp = 10;

constexpr std::size_t FileHeaderSize = 14;
constexpr std::size_t InfoHeaderSize = 40;
constexpr std::size_t CoreHeaderSize = 12;
constexpr std::size_t StandardHeadersSize = FileHeaderSize + InfoHeaderSize;  // 54

// BMP compression values this unit decodes.
constexpr std::uint32_t BiRgb = 0;
constexpr std::uint32_t BiRle8 = 1;
constexpr std::uint32_t BiRle4 = 2;
constexpr std::uint32_t BiBitFields = 3;

// Images that are cheap to store but expensive to hold (a run-scheme image
// whose rows have no runs, a run-length BMP that ends at once) could make a
// tiny file claim gigabytes.  Up to SmallImagePixels anything goes; a bigger
// image must be stored in at least one byte per ExpansionPixelsPerByte
// pixels, the same order of expansion as zlib's own limit.  Real images are
// far denser: a run of the run schemes covers at most 255 pixels with two or
// four bytes.
constexpr std::int64_t SmallImagePixels = std::int64_t{1} << 20;
constexpr std::int64_t ExpansionPixelsPerByte = 1024;

// Bytes of one row of a BMP: width x bits, rounded up to whole 32-bit words.
std::int64_t RowStride(std::int64_t width, unsigned bitCount) { return (width * bitCount + 31) / 32 * 4; }

// Throws when an image of that many pixels may not be held (see above).
// storedBytes is what the image occupies in the file.
void CheckImageSize(std::int64_t pixels, std::int64_t storedBytes) {
    if (pixels > MaxBitmapPixels)
        throw EReadError("Image too large: the file is corrupted");
    if (pixels > SmallImagePixels && pixels / ExpansionPixelsPerByte > storedBytes)
        throw EReadError("Image data too short for its size: the file is corrupted");
}

// The bytes of the standard BMP of an image of width x height; an image with
// no pixels is held one pixel wide or high.
std::size_t StandardSize(std::int64_t width, std::int64_t height) {
    const std::int64_t w = std::max<std::int64_t>(width, 1);
    const std::int64_t h = std::max<std::int64_t>(height, 1);
    return static_cast<std::size_t>(static_cast<std::int64_t>(StandardHeadersSize) + RowStride(w, 24) * h);
}

// The first 54 bytes of the standard 24-bit BMP.
void PutStandardHeaders(std::uint8_t* at, std::int32_t width, std::int32_t height, std::uint32_t imageSize) {
    std::memset(at, 0, StandardHeadersSize);
    at[0] = 'B';
    at[1] = 'M';
    Put32(at + 2, static_cast<std::uint32_t>(StandardHeadersSize) + imageSize);
    Put32(at + 10, static_cast<std::uint32_t>(StandardHeadersSize));
    Put32(at + 14, static_cast<std::uint32_t>(InfoHeaderSize));
    Put32(at + 18, static_cast<std::uint32_t>(width));
    Put32(at + 22, static_cast<std::uint32_t>(height));
    Put16(at + 26, 1);   // planes
    Put16(at + 28, 24);  // bit count
    Put32(at + 30, BiRgb);
    Put32(at + 34, imageSize);
    // Resolution and colour counts stay 0: unknown resolution, no colour table.
}

// The standard BMP of width x height (both at least 1) white pixels; the
// padding bytes at the row ends are 0.
CBlock WhiteBitmap(std::int32_t width, std::int32_t height) {
    const auto stride = static_cast<std::size_t>(RowStride(width, 24));
    const std::size_t imageSize = stride * static_cast<std::size_t>(height);
    CBlock bmp(StandardHeadersSize + imageSize, 0xFF);
    PutStandardHeaders(bmp.data(), width, height, static_cast<std::uint32_t>(imageSize));
    const std::size_t padding = stride - static_cast<std::size_t>(width) * 3;
    if (padding != 0)
        for (std::size_t row = 1; row <= static_cast<std::size_t>(height); ++row)
            std::memset(bmp.data() + StandardHeadersSize + row * stride - padding, 0, padding);
    return bmp;
}

// Where the parts of a BMP file lie, and what its headers say.
struct CBmpLayout {
    std::int64_t Width = 0;
    std::int64_t Height = 0;  // absolute
    bool TopDown = false;     // a negative height: the first row stored is the top one
    unsigned BitCount = 0;
    std::uint32_t Compression = BiRgb;
    std::size_t PaletteAt = 0;
    std::size_t PaletteCount = 0;          // entries stored
    std::size_t PaletteEntry = 4;          // bytes an entry: 3 with the core header
    std::array<std::uint32_t, 3> Masks{};  // red, green, blue, for 16 and 32 bits
    std::size_t DataAt = 0;
    std::size_t DataSize = 0;  // pixel bytes the decoder reads
    std::size_t Length = 0;    // bytes the file occupies, headers included
};

// Reads the headers of the BMP at the start of bytes.  Gives nullopt for a
// BMP that can't be decoded: no "BM", planes not 1, a depth other than 1, 2,
// 4, 8, 16, 24 or 32, a compression other than none, RLE8, RLE4 or bit
// fields, or data shorter than the headers say.
//
// The parts follow one another directly: file header, information header,
// the masks (12 bytes, only for bit fields behind a 40-byte header; longer
// headers hold them inside), the colour table, the pixel data.  The
// data-offset and file-size fields are not used.  The pixel data takes as
// many bytes as the image-size field says, or, when that is 0, a whole
// number of rows.  A run-length encoded BMP has no such rule: with an
// image-size field of 0 its length is known only when the BMP fills a block
// (wholeBlock: the rest of the block is its data); in place it can't be
// decoded.
std::optional<CBmpLayout> ParseBmp(std::span<const std::uint8_t> bytes, bool wholeBlock) {
    if (bytes.size() < FileHeaderSize + 4 || bytes[0] != 'B' || bytes[1] != 'M')
        return std::nullopt;
    const std::size_t headerSize = Get32(bytes, FileHeaderSize);
    if (headerSize > bytes.size() - FileHeaderSize)
        return std::nullopt;

    CBmpLayout bmp;
    std::uint32_t imageSize = 0;
    std::uint32_t colorsUsed = 0;
    unsigned planes = 0;
    if (headerSize == CoreHeaderSize) {
        // The old core header: 16-bit unsigned width and height, rows always
        // bottom-up, colour table entries of three bytes.
        const auto header = bytes.subspan(FileHeaderSize, CoreHeaderSize);
        bmp.Width = Get16(header, 4);
        bmp.Height = Get16(header, 6);
        planes = Get16(header, 8);
        bmp.BitCount = Get16(header, 10);
        bmp.PaletteEntry = 3;
    } else {
        // An information header of any other length; fields beyond a short
        // header count as 0.  It must at least reach the bit count.
        if (headerSize < 16)
            return std::nullopt;
        std::array<std::uint8_t, InfoHeaderSize> header{};
        std::memcpy(header.data(), bytes.data() + FileHeaderSize, std::min(headerSize, InfoHeaderSize));
        const auto width = static_cast<std::int32_t>(Get32(header, 4));
        const auto height = static_cast<std::int32_t>(Get32(header, 8));
        if (width < 0)
            return std::nullopt;
        bmp.Width = width;
        bmp.TopDown = height < 0;
        bmp.Height = height < 0 ? -std::int64_t{height} : height;
        planes = Get16(header, 12);
        bmp.BitCount = Get16(header, 14);
        bmp.Compression = Get32(header, 16);
        imageSize = Get32(header, 20);
        colorsUsed = Get32(header, 32);
    }
    if (planes != 1)
        return std::nullopt;
    switch (bmp.BitCount) {
    case 1:
    case 2:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32: break;
    default: return std::nullopt;
    }
    switch (bmp.Compression) {
    case BiRgb: break;
    case BiRle8:
        if (bmp.BitCount != 8)
            return std::nullopt;
        break;
    case BiRle4:
        if (bmp.BitCount != 4)
            return std::nullopt;
        break;
    case BiBitFields:
        if (bmp.BitCount != 16 && bmp.BitCount != 32)
            return std::nullopt;
        break;
    default: return std::nullopt;  // JPEG, PNG and the rarer forms
    }

    std::size_t at = FileHeaderSize + headerSize;
    if (bmp.BitCount == 16)
        bmp.Masks = {0x7C00, 0x03E0, 0x001F};
    else if (bmp.BitCount == 32)
        bmp.Masks = {0xFF0000, 0x00FF00, 0x0000FF};
    if (bmp.Compression == BiBitFields) {
        // Behind a 40-byte header the three masks follow it; the longer
        // Windows headers (52, 56, 108, 124 bytes) hold them at the same
        // place inside.  The 64-byte OS/2 header means something else by
        // compression 3.
        std::size_t masksAt = FileHeaderSize + InfoHeaderSize;
        if (headerSize == InfoHeaderSize) {
            if (bytes.size() - at < 12)
                return std::nullopt;
            at += 12;
        } else if (headerSize < 52 || headerSize == 64) {
            return std::nullopt;
        }
        for (std::size_t i = 0; i < 3; ++i)
            bmp.Masks[i] = Get32(bytes, masksAt + 4 * i);
    }

    bmp.PaletteAt = at;
    bmp.PaletteCount = colorsUsed != 0 ? colorsUsed : (bmp.BitCount <= 8 ? std::size_t{1} << bmp.BitCount : 0);
    if (bmp.PaletteCount > (bytes.size() - at) / bmp.PaletteEntry)
        return std::nullopt;
    at += bmp.PaletteCount * bmp.PaletteEntry;
    bmp.DataAt = at;
    const std::size_t rest = bytes.size() - at;

    // What the written image will hold: an image with no pixels is written
    // one pixel wide or high.
    const std::int64_t pixels = std::max<std::int64_t>(bmp.Width, 1) * std::max<std::int64_t>(bmp.Height, 1);
    if (bmp.Compression == BiRle8 || bmp.Compression == BiRle4) {
        if (imageSize != 0)
            bmp.DataSize = imageSize;
        else if (wholeBlock)
            bmp.DataSize = rest;
        else
            return std::nullopt;
        if (bmp.DataSize > rest)
            return std::nullopt;
        CheckImageSize(pixels, static_cast<std::int64_t>(bmp.DataSize));
        bmp.Length = at + bmp.DataSize;
    } else {
        // The rows must be there, so only the bound needs checking (and
        // keeps the row arithmetic below far from overflowing).
        CheckImageSize(pixels, MaxBitmapPixels);
        const std::int64_t rows = RowStride(bmp.Width, bmp.BitCount) * bmp.Height;
        if (static_cast<std::uint64_t>(rows) > rest)
            return std::nullopt;
        bmp.DataSize = static_cast<std::size_t>(rows);
        // An image-size field smaller than the rows would leave rows unread
        // that belong to whatever follows the BMP.
        if (imageSize != 0 && imageSize < bmp.DataSize)
            return std::nullopt;
        const std::size_t stored = imageSize != 0 ? imageSize : bmp.DataSize;
        if (stored > rest)
            return std::nullopt;
        bmp.Length = at + stored;
    }
    return bmp;
}

// True when the bytes already are the standard 24-bit BMP the writer
// produces, so that they can be written as they are.
bool IsStandardBitmap(std::span<const std::uint8_t> bytes, const CBmpLayout& bmp) {
    if (bmp.BitCount != 24 || bmp.Compression != BiRgb || bmp.TopDown || bmp.Width < 1 || bmp.Height < 1 ||
        bmp.PaletteCount != 0 || Get32(bytes, FileHeaderSize) != InfoHeaderSize)
        return false;
    const auto imageSize = static_cast<std::size_t>(RowStride(bmp.Width, 24) * bmp.Height);
    return bytes.size() == StandardHeadersSize + imageSize && Get32(bytes, 2) == bytes.size() &&
           Get32(bytes, 10) == StandardHeadersSize && Get32(bytes, 34) == imageSize;
}

using CPalette = std::array<std::uint8_t, 256 * 3>;

// The colour table as blue, green, red triples.  Entries the table doesn't
// hold are black, and entries beyond 256 can't be indexed by a pixel of at
// most 8 bits: no index can reach outside the table.
CPalette ReadPalette(std::span<const std::uint8_t> bytes, const CBmpLayout& bmp) {
    CPalette palette{};
    const std::size_t count = std::min<std::size_t>(bmp.PaletteCount, 256);
    for (std::size_t i = 0; i < count; ++i)
        std::memcpy(&palette[3 * i], bytes.data() + bmp.PaletteAt + i * bmp.PaletteEntry, 3);
    return palette;
}

// One colour channel of a 16- or 32-bit pixel, scaled to 8 bits.
struct CChannel {
    std::uint32_t Mask = 0;
    unsigned Shift = 0;
    std::uint32_t Max = 0;  // the channel's largest value after shifting

    explicit CChannel(std::uint32_t mask) : Mask(mask) {
        if (mask == 0)
            return;
        while ((mask >> Shift & 1) == 0)
            ++Shift;
        Max = mask >> Shift;
    }
    std::uint8_t operator()(std::uint32_t pixel) const {
        if (Max == 0)
            return 0;
        const std::uint32_t value = (pixel & Mask) >> Shift;
        if (Max == 255)
            return static_cast<std::uint8_t>(value);
        return static_cast<std::uint8_t>((std::uint64_t{value} * 255 + Max / 2) / Max);
    }
};

// Decodes one stored row of an uncompressed BMP into width blue-green-red
// pixels.
class CRowDecoder {
public:
    CRowDecoder(std::span<const std::uint8_t> bytes, const CBmpLayout& bmp)
        : FBits(bmp.BitCount),
          FWidth(static_cast<std::size_t>(bmp.Width)),
          FPalette(ReadPalette(bytes, bmp)),
          FRed(bmp.Masks[0]),
          FGreen(bmp.Masks[1]),
          FBlue(bmp.Masks[2]),
          FPlain32(bmp.BitCount == 32 && bmp.Masks == std::array<std::uint32_t, 3>{0xFF0000, 0x00FF00, 0x0000FF}) {}

    void Decode(const std::uint8_t* source, std::uint8_t* target) const {
        switch (FBits) {
        case 24: std::memcpy(target, source, FWidth * 3); return;
        case 8:
            for (std::size_t x = 0; x < FWidth; ++x)
                std::memcpy(target + 3 * x, &FPalette[3 * std::size_t{source[x]}], 3);
            return;
        case 1:
        case 2:
        case 4: {
            const unsigned mask = (1u << FBits) - 1;
            for (std::size_t x = 0; x < FWidth; ++x) {
                const std::size_t bit = x * FBits;
                const unsigned index = source[bit / 8] >> (8 - FBits - bit % 8) & mask;
                std::memcpy(target + 3 * x, &FPalette[3 * index], 3);
            }
            return;
        }
        case 16:
            for (std::size_t x = 0; x < FWidth; ++x)
                Put(target + 3 * x, static_cast<std::uint32_t>(source[2 * x] | source[2 * x + 1] << 8));
            return;
        default:  // 32
            if (FPlain32) {
                for (std::size_t x = 0; x < FWidth; ++x)
                    std::memcpy(target + 3 * x, source + 4 * x, 3);
                return;
            }
            for (std::size_t x = 0; x < FWidth; ++x)
                Put(target + 3 * x, Get32(std::span(source + 4 * x, 4), 0));
            return;
        }
    }

private:
    void Put(std::uint8_t* target, std::uint32_t pixel) const {
        target[0] = FBlue(pixel);
        target[1] = FGreen(pixel);
        target[2] = FRed(pixel);
    }

    unsigned FBits;
    std::size_t FWidth;
    CPalette FPalette;
    CChannel FRed, FGreen, FBlue;
    bool FPlain32;
};

// Paints a run-length encoded BMP (RLE8 or RLE4) into the white standard
// bitmap target.  Pixels the data never paints (rows ended early, pixels
// skipped by a delta) take colour 0 of the palette.  Runs past the end of a
// row are cut at the row's end, and the decoding ends at the end of the data,
// at the end-of-bitmap code or once it moves beyond the last row: nothing is
// read outside the data or written outside the image.
void DecodeRunLengthBmp(std::span<const std::uint8_t> bytes, const CBmpLayout& bmp, CBlock& target) {
    const CPalette palette = ReadPalette(bytes, bmp);
    const auto width = static_cast<std::size_t>(bmp.Width);
    const auto height = static_cast<std::size_t>(bmp.Height);
    const auto stride = static_cast<std::size_t>(RowStride(bmp.Width, 24));
    for (std::size_t y = 0; y < height; ++y)
        for (std::size_t x = 0; x < width; ++x)
            std::memcpy(target.data() + StandardHeadersSize + y * stride + 3 * x, palette.data(), 3);

    const std::span<const std::uint8_t> data = bytes.subspan(bmp.DataAt, bmp.DataSize);
    const bool four = bmp.Compression == BiRle4;
    std::size_t x = 0;
    std::size_t y = 0;  // counted in the order the rows are stored
    auto paint = [&](unsigned index) {
        if (x < width) {
            const std::size_t row = bmp.TopDown ? height - 1 - y : y;
            std::memcpy(target.data() + StandardHeadersSize + row * stride + 3 * x, &palette[3 * index], 3);
        }
        ++x;
    };
    std::size_t at = 0;
    while (y < height && data.size() - at >= 2) {
        const unsigned count = data[at];
        const unsigned code = data[at + 1];
        at += 2;
        if (count > 0) {
            // An encoded run: count pixels of one index, or of two
            // alternating nibbles in RLE4.
            for (unsigned i = 0; i < count && x < width; ++i)
                paint(four ? (i % 2 == 0 ? code >> 4 : code & 15) : code);
            continue;
        }
        if (code == 0) {  // end of line
            x = 0;
            ++y;
        } else if (code == 1) {  // end of bitmap
            break;
        } else if (code == 2) {  // delta: move right and up
            if (data.size() - at < 2)
                break;
            x += data[at];
            y += data[at + 1];
            at += 2;
        } else {
            // Absolute mode: code pixels stored one by one, padded to a
            // 16-bit boundary.
            std::size_t used = four ? (code + 1) / 2 : code;
            used += used % 2;
            const std::span<const std::uint8_t> pixels = data.subspan(at, std::min(used, data.size() - at));
            for (unsigned i = 0; i < code && x < width; ++i) {
                const std::size_t byte = four ? i / 2 : i;
                if (byte >= pixels.size())
                    break;
                paint(four ? (i % 2 == 0 ? pixels[byte] >> 4 : pixels[byte] & 15) : pixels[byte]);
            }
            at += pixels.size();
        }
    }
}

// Any decodable BMP as the standard 24-bit BMP.  An image with no pixels
// (width or height 0) becomes one white pixel wide or high, as NewBitmap24
// makes it, so that every written BMP is an ordinary one.
CBlock DecodeToStandard(std::span<const std::uint8_t> bytes, const CBmpLayout& bmp) {
    CBlock target = NewBitmap24(static_cast<std::int32_t>(bmp.Width), static_cast<std::int32_t>(bmp.Height));
    if (bmp.Width == 0 || bmp.Height == 0)
        return target;
    if (bmp.Compression == BiRle8 || bmp.Compression == BiRle4) {
        DecodeRunLengthBmp(bytes, bmp, target);
        return target;
    }
    const CRowDecoder decoder(bytes, bmp);
    const auto height = static_cast<std::size_t>(bmp.Height);
    const auto sourceStride = static_cast<std::size_t>(RowStride(bmp.Width, bmp.BitCount));
    const auto targetStride = static_cast<std::size_t>(RowStride(bmp.Width, 24));
    for (std::size_t i = 0; i < height; ++i) {
        // Target rows are bottom-up; a top-down source stores the top first.
        const std::size_t row = bmp.TopDown ? height - 1 - i : i;
        decoder.Decode(bytes.data() + bmp.DataAt + i * sourceStride,
                       target.data() + StandardHeadersSize + row * targetStride);
    }
    return target;
}

// A BMP kept in another form is decoded into the standard one when it is
// written: the running load is charged for that picture now, so that a file
// of many small pictures that decode to huge ones fails as it is read
// (pixels of one bit, a run-length BMP that ends at once).
void ChargeDecoding(CCoreState& core, std::span<const std::uint8_t> bytes, const CBmpLayout& bmp) {
    if (!IsStandardBitmap(bytes, bmp))
        CLoadBudget::Charge(core, StandardSize(bmp.Width, bmp.Height));
}

std::optional<CBlock> ReadPlainBmp(CStream& stream) {
    // The BMP lies in place with no length in front: its headers tell how
    // far it reaches.
    const std::optional<CBmpLayout> bmp = ParseBmp(stream.Rest(), false);
    if (!bmp)
        return std::nullopt;
    const std::span<const std::uint8_t> bytes = stream.Take(bmp->Length);
    ChargeDecoding(stream.Core(), bytes, *bmp);
    return CBlock(bytes.begin(), bytes.end());
}

std::optional<CBlock> ReadCompressedBmp(CStream& stream) {
    const std::size_t start = stream.Position();
    const std::size_t damaged = stream.DamageCount();
    CBlock bytes = stream.ReadCompressedBlock();
    if (stream.DamageCount() != damaged)
        return std::nullopt;
    const std::optional<CBmpLayout> bmp = ParseBmp(bytes, true);
    if (!bmp) {
        // A recovering load notes the picture as damaged, so that a record
        // that needs it can tell it from a stored absence.
        stream.NoteDamagedBlock(start, "the block holds no picture that can be decoded");
        return std::nullopt;
    }
    ChargeDecoding(stream.Core(), bytes, *bmp);
    return bytes;
}

// Schemes 1 and 2: rows of runs, top row first.
//
// Runs are painted from the left; a row whose runs add up to less than the
// width keeps white pixels at its end, a run that reaches past the end of the
// row is cut there and the row's later runs paint nothing.  The run count is
// not held to the 64001 the authoring tool writes at most: any count whose
// bytes are in the stream is read, and the cut keeps every run inside its
// row.  A palette index beyond the stored palette paints black, and palette
// entries beyond 256 are read and never used, since an index is one byte.
std::optional<CBlock> ReadRuns(CStream& stream, bool paletted) {
    CPalette palette{};
    if (paletted) {
        const std::int32_t size = stream.ReadInt();
        stream.ExpectItems(size, 3);
        const std::span<const std::uint8_t> entries = stream.Take(static_cast<std::size_t>(size) * 3);
        std::memcpy(palette.data(), entries.data(), std::min(entries.size(), palette.size()));
    }
    const std::size_t colourSize = paletted ? 1 : 3;
    const std::int32_t width = std::max(stream.ReadInt(), 1);
    const std::int32_t storedHeight = stream.ReadInt();
    const std::int32_t height = std::max(storedHeight, 1);
    const std::int32_t rows = std::max(storedHeight, 0);
    stream.ExpectItems(rows, 4);  // every row holds at least its run count

    // A first pass only measures the rows, so that the image is allocated
    // only when the data can account for its size.
    const std::size_t start = stream.Position();
    for (std::int32_t y = 0; y < rows; ++y) {
        const std::int32_t count = stream.ReadInt();
        stream.ExpectItems(count, 1 + colourSize);
        stream.Take(static_cast<std::size_t>(count) * (1 + colourSize));
    }
    CheckImageSize(std::int64_t{width} * height, static_cast<std::int64_t>(stream.Position() - start) + 8);
    stream.SetPosition(start);

    CLoadBudget::Charge(stream.Core(), StandardSize(width, height));
    CBlock image = NewBitmap24(width, height);
    const auto stride = static_cast<std::size_t>(RowStride(width, 24));
    const auto columns = static_cast<std::size_t>(width);
    for (std::int32_t y = 0; y < rows; ++y) {
        const auto count = static_cast<std::size_t>(stream.ReadInt());
        const std::span<const std::uint8_t> lengths = stream.Take(count);
        const std::span<const std::uint8_t> colours = stream.Take(count * colourSize);
        std::uint8_t* row = image.data() + StandardHeadersSize + static_cast<std::size_t>(height - 1 - y) * stride;
        std::size_t x = 0;
        for (std::size_t k = 0; k < count && x < columns; ++k) {
            const std::uint8_t* colour = paletted ? &palette[3 * std::size_t{colours[k]}] : &colours[3 * k];
            const std::size_t end = std::min<std::size_t>(x + lengths[k], columns);
            for (; x < end; ++x)
                std::memcpy(row + 3 * x, colour, 3);
        }
    }
    return image;
}

}  // namespace

CBlock NewBitmap24(std::int32_t width, std::int32_t height) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (std::int64_t{width} * height > MaxBitmapPixels)
        throw EReadError("Image too large: the file is corrupted");
    return WhiteBitmap(width, height);
}

std::optional<CBlock> Bitmap24_LoadFromStream(CStream& stream) {
    const std::int32_t scheme = stream.ReadInt();
    switch (scheme) {
    case SchemeNoImage: return std::nullopt;
    case SchemePlainBmp:
        NoteChange(stream.Core(), EChange::PictureReencoded, 1, "stored as a plain bitmap");
        return ReadPlainBmp(stream);
    case SchemeColorRuns:
        NoteChange(stream.Core(), EChange::PictureReencoded, 1, "stored as colour runs");
        return ReadRuns(stream, false);
    case SchemePaletteRuns:
        NoteChange(stream.Core(), EChange::PictureReencoded, 1, "stored as palette runs");
        return ReadRuns(stream, true);
    case SchemeCompressedBmp: return ReadCompressedBmp(stream);
    default:
        // Every writer of the format uses one of the schemes above, so any
        // other value is damage; and since nothing says how long such a
        // block is, whatever follows it cannot be read either.
        throw EReadError("a picture block of unknown scheme " + std::to_string(scheme));
    }
}

std::optional<CBitmapShape> Bitmap24_Shape(std::span<const std::uint8_t> bmp) {
    const std::optional<CBmpLayout> layout = ParseBmp(bmp, true);
    if (!layout)
        return std::nullopt;
    return CBitmapShape{layout->Width, layout->Height, layout->BitCount};
}

void Bitmap24_PrepareBlock(const CBlock& image, CBlockPrefetch& prefetch) {
    const std::optional<CBmpLayout> bmp = ParseBmp(image, true);
    if (bmp && IsStandardBitmap(image, *bmp))
        prefetch.Add(image);
}

CBlock Bitmap24_Standard(const CBlock& image) {
    const std::optional<CBmpLayout> bmp = ParseBmp(image, true);
    if (!bmp)
        throw std::invalid_argument("Bitmap24_Standard: the image is not a BMP file it can decode");
    return IsStandardBitmap(image, *bmp) ? image : DecodeToStandard(image, *bmp);
}

void Bitmap24_SaveToStream(const CBlock* image, CStream& stream) {
    if (image == nullptr) {
        stream.WriteInt(SchemeNoImage);
        return;
    }
    const std::optional<CBmpLayout> bmp = ParseBmp(*image, true);
    if (!bmp)
        throw std::invalid_argument("Bitmap24_SaveToStream: the image is not a BMP file it can decode");
    stream.WriteInt(SchemeCompressedBmp);
    if (IsStandardBitmap(*image, *bmp)) {
        stream.WriteCompressedBlock(*image);
        return;
    }
    // Only a BMP read in place or from a compressed block can have another
    // depth.  The message tells that something unexpected happened; the
    // picture itself is still written, as 24-bit pixels.
    if (bmp->BitCount != 24)
        ShowMessage(stream.Core(), "Internal error in Bitmap24_SaveToStream.");
    stream.WriteCompressedBlock(DecodeToStandard(*image, *bmp));
}

CRgbRows Bitmap24_RgbRows(const CBlock& image, std::size_t prefix) {
    const CBlock bmp = Bitmap24_Standard(image);
    // The standard form: 54 bytes of headers, then rows bottom-up of blue,
    // green, red, each padded to four bytes; its width and height are
    // positive and its rows fill the block exactly (Bitmap24_Standard
    // checked both).
    constexpr std::size_t HeadersSize = 54;
    auto get32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(bmp[at]) | static_cast<std::uint32_t>(bmp[at + 1]) << 8 |
               static_cast<std::uint32_t>(bmp[at + 2]) << 16 | static_cast<std::uint32_t>(bmp[at + 3]) << 24;
    };
    CRgbRows rows;
    rows.Width = get32(18);
    rows.Height = get32(22);
    const std::size_t stride = (rows.Width * 3 + 3) / 4 * 4;
    const std::size_t rowSize = prefix + rows.Width * 3;
    rows.Bytes.assign(rowSize * rows.Height, 0);
    for (std::size_t y = 0; y < rows.Height; ++y) {
        const std::uint8_t* source = bmp.data() + HeadersSize + (rows.Height - 1 - y) * stride;
        std::uint8_t* target = rows.Bytes.data() + y * rowSize + prefix;
        for (std::size_t x = 0; x < rows.Width; ++x) {
            target[3 * x] = source[3 * x + 2];
            target[3 * x + 1] = source[3 * x + 1];
            target[3 * x + 2] = source[3 * x];
        }
    }
    return rows;
}

}  // namespace transvane
