// The picture part of the test-file builder: image blocks of every scheme
// and BMP files of every depth and header, written from the file layouts
// through CStream's write primitives, and an independent reader of the
// pictures the converter writes.  The records that hold pictures are
// written by ProjectFiles.h.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "format/core/Support_Stream.h"

// Pixels as the tests think of them: rows top first, three bytes a pixel in
// the order blue, green, red, no padding.
struct CTestPixels {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    CBlock Bgr;
    bool operator==(const CTestPixels&) const = default;
};
// Shows pixels in test failures as rows of RRGGBB values.
void PrintTo(const CTestPixels& pixels, std::ostream* out);

// A picture of width x height whose pixels are a pattern of the given
// colours (0xRRGGBB), so that neighbouring pixels differ.
CTestPixels PatternPixels(std::int32_t width, std::int32_t height, const std::vector<std::uint32_t>& colours);
// A picture of one colour.
CTestPixels FilledPixels(std::int32_t width, std::int32_t height, std::uint32_t colour);
// The colour 0xRRGGBB of pixel (x, y), y counted from the top.
std::uint32_t PixelAt(const CTestPixels& pixels, std::int32_t x, std::int32_t y);

// How to lay out a BMP file.
struct CBmpShape {
    int BitCount = 24;           // 1, 2, 4, 8, 16, 24 or 32
    std::uint32_t HeaderSize = 40;  // 12 (core), 40, 52, 56, 108, 124
    bool TopDown = false;        // negative height
    bool BitFields = false;      // compression 3 with the masks below (16 and 32 bits)
    std::uint32_t RedMask = 0, GreenMask = 0, BlueMask = 0;
    int RunLength = 0;           // 8 or 4: RLE8 / RLE4 compression instead of plain rows
    bool ImageSizeField = true;  // write the image size, or 0 there
    std::uint32_t ColoursUsed = 0;  // 0: the full table for the depth
    std::uint8_t PaddingByte = 0;
};

// A BMP file of the pixels.  Indexed depths build their colour table from
// the distinct colours of the picture (which must fit); 16- and 32-bit
// pixels are put through the masks (5-5-5 and 8-8-8 by default), so colours
// with components 0 and 255 only come back exactly at every depth.
CBlock MakeBmp(const CTestPixels& pixels, const CBmpShape& shape = {});

// Image blocks, as the bytes the stream holds.
CBlock NoImageBlock();
CBlock PlainBmpBlock(const CBlock& bmp);       // scheme 0
CBlock CompressedBmpBlock(const CBlock& bmp);  // scheme 10

// One run of a run-scheme row: a length and a colour (scheme 1, 0xRRGGBB) or
// a palette index (scheme 2).
struct CTestRun {
    std::uint8_t Length = 0;
    std::uint32_t Value = 0;
};
using CTestRows = std::vector<std::vector<CTestRun>>;

CBlock ColorRunsBlock(std::int32_t width, std::int32_t height, const CTestRows& rows);
CBlock PaletteRunsBlock(const std::vector<std::uint32_t>& palette, std::int32_t width, std::int32_t height,
                        const CTestRows& rows);
// The pixels encoded as the authoring tool does: runs of equal colours of
// at most 255 pixels covering each row.
CBlock ColorRunsBlock(const CTestPixels& pixels);
CBlock PaletteRunsBlock(const CTestPixels& pixels);

// An independent reader of what the converter writes: reads one image
// block that must be scheme 10 holding a standard bottom-up 24-bit BMP
// (54-byte headers, no colour table, rows padded to 4 bytes) and returns
// its pixels; nullopt for the NoImage block.  Fails the current test, and
// returns empty pixels, on anything else.
std::optional<CTestPixels> ReadWrittenImage(CStream& stream);
// The pixels of a standard 24-bit BMP held in memory (as records keep it).
CTestPixels StandardBmpPixels(const CBlock& bmp);
