// Image blocks: how every picture of a project is stored.
//
// In memory an image is the complete bytes of a BMP file (a CBlock); it is
// decoded only when it is written.  In the project stream an image block is
// an int32 scheme followed by a payload:
//
//   -1  NoImage        nothing follows; the block stands for no image
//    0  PlainBmp       a BMP file in place; its length comes from its headers
//    1  ColorRuns      width, height, then per row (top row first): int32 run
//                      count n, n run lengths (bytes), n colours (B, G, R)
//    2  PaletteRuns    int32 palette size p, p colours (B, G, R), width,
//                      height, then per row: int32 n, n lengths, n indices
//   10  CompressedBmp  one compressed block whose content is a BMP file
//
// The writer always writes scheme 10 holding a standard 24-bit BMP: a
// 14-byte file header, a 40-byte information header, no colour table, rows
// bottom-up, three bytes a pixel (blue, green, red), each row padded with
// zero bytes to a multiple of four.  That is also the form the run schemes
// are decoded into, so they round-trip without further work.
//
// Irregular data is read without ever reaching outside the image, the
// palette or the row:
//  - run schemes: a row whose runs fall short keeps white pixels at its end;
//    a run past the end of its row is cut there; any run count whose bytes
//    are present is read (the authoring tool writes at most 64001); a
//    palette index beyond the stored palette paints black, and palette
//    entries beyond 256 are read but can't be indexed;
//  - BMP files: every uncompressed depth (1, 2, 4, 8, 16, 24, 32 bits), core
//    and information headers, bit fields, top-down and bottom-up rows;
//    colour-table indices beyond the table are black; a run-length encoded
//    BMP (RLE8, RLE4) is decoded when its image-size field gives its length
//    or it fills a scheme-10 block, and can't be decoded in place otherwise;
//    pixels its codes never paint take colour 0 of its table;
//  - an image that claims more than MaxBitmapPixels, or more than a
//    million pixels at over 1024 pixels per byte of its data (rows with no
//    runs, a run-length BMP that ends at once), is a corrupted file.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "format/core/Support_Prefetch.h"
#include "format/core/Support_Stream.h"

namespace transvane {

// The largest image, in pixels, that a project can hold.  A block that
// claims more (a hostile width times height, in any scheme) is a corrupted
// file: the reader throws EReadError before allocating anything for it.
// 2^28 pixels is a 16384 x 16384 picture; its 24-bit BMP still fits the
// int32 counts of the format.
inline constexpr std::int64_t MaxBitmapPixels = std::int64_t{1} << 28;

// Reads one image block at the stream's position.  Returns the image as the
// bytes of a BMP file, or nullopt for none:
//  - scheme -1;
//  - scheme 0 or 10 whose BMP cannot be decoded (not "BM", planes not 1, an
//    unknown depth or compression, data shorter than its headers say).
// A scheme-10 block is consumed whole, decodable or not.  Running out of
// data, a corrupt compressed block, an image above MaxBitmapPixels or an
// unknown scheme (the file is damaged: no writer makes one, and its length
// is unknown) throws (EReadError, EZCompressionError).
//
// Scheme-0 and scheme-10 BMPs are kept byte for byte as stored (scheme 0:
// exactly the bytes its headers account for); their headers are checked
// here so that the writer can always decode them.  The run schemes come back
// as the standard 24-bit BMP.
std::optional<CBlock> Bitmap24_LoadFromStream(CStream& stream);

// Appends one image block: -1 for nullptr, otherwise scheme 10 with the
// image as a standard 24-bit BMP.  An image already in that form is
// compressed as it is; any other 24-bit BMP is decoded and re-encoded.  An
// image of another depth shows "Internal error in Bitmap24_SaveToStream."
// and is then written as 24-bit pixels all the same, so the picture is kept
// and the saved file stays readable.  Bytes that are no BMP this unit can
// decode (never the result of Bitmap24_LoadFromStream or NewBitmap24) throw
// std::invalid_argument rather than put a broken block into the file.
void Bitmap24_SaveToStream(const CBlock* image, CStream& stream);

// Lists the block that Bitmap24_SaveToStream compresses for the image with
// the prefetching compressor, when that block is the image's own bytes (an
// image in the standard form); other images are decoded and compressed by
// the writer itself.
void Bitmap24_PrepareBlock(const CBlock& image, CBlockPrefetch& prefetch);

// The size and depth of an image as the model holds it (the bytes of a BMP
// file that fills its block), read from its headers; nullopt for bytes that
// are no BMP this unit can decode.
struct CBitmapShape {
    std::int64_t Width;
    std::int64_t Height;  // absolute, whichever way the rows run
    unsigned BitCount;
};
std::optional<CBitmapShape> Bitmap24_Shape(std::span<const std::uint8_t> bmp);
// The image in the form Bitmap24_SaveToStream stores it: the standard 24-bit
// BMP of the same pixels (the image itself when it is in that form).  Throws
// std::invalid_argument for bytes that are no BMP this unit can decode.
CBlock Bitmap24_Standard(const CBlock& image);
// The pixels of an image as rows of red, green and blue bytes, the top row
// first, each row after prefix zero bytes (a PNG row's filter byte).
// Throws as Bitmap24_Standard.
struct CRgbRows {
    std::size_t Width = 0;
    std::size_t Height = 0;
    CBlock Bytes;
};
CRgbRows Bitmap24_RgbRows(const CBlock& image, std::size_t prefix = 0);

// A standard 24-bit BMP of max(width, 1) x max(height, 1) white pixels.
// Throws EReadError above MaxBitmapPixels.
CBlock NewBitmap24(std::int32_t width, std::int32_t height);

}  // namespace transvane
