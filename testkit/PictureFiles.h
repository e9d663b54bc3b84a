// The picture part of the test-file builder: image blocks of every scheme
// and BMP files of every depth and header, written from the file layouts
// through CStream's write primitives.  Pictures are the builder's TPicture
// (ProjectFiles.h), which writes the records that hold them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "format/core/Support_Stream.h"
#include "testkit/ProjectFiles.h"

namespace transvane {

namespace project {

// A picture of width x height whose pixels are a pattern of the given
// colours (0xRRGGBB), so that neighbouring pixels differ; its scheme is 10.
TPicture PatternPixels(std::int32_t width, std::int32_t height, const std::vector<std::uint32_t>& colours);
// A picture of one colour.
TPicture FilledPixels(std::int32_t width, std::int32_t height, std::uint32_t colour);

// How to lay out a BMP file.
struct TBmpShape {
    int BitCount = 24;              // 1, 2, 4, 8, 16, 24 or 32
    std::uint32_t HeaderSize = 40;  // 12 (core), 40, 52, 56, 108, 124
    bool TopDown = false;           // negative height
    bool BitFields = false;         // compression 3 with the masks below (16 and 32 bits)
    std::uint32_t RedMask = 0, GreenMask = 0, BlueMask = 0;
    int RunLength = 0;              // 8 or 4: RLE8 / RLE4 compression instead of plain rows
    bool ImageSizeField = true;     // write the image size, or 0 there
    std::uint32_t ColoursUsed = 0;  // 0: the full table for the depth
    std::uint8_t PaddingByte = 0;
};

// A BMP file of the pixels.  Indexed depths build their colour table from
// the distinct colours of the picture (which must fit); 16- and 32-bit
// pixels are put through the masks (5-5-5 and 8-8-8 by default), so colours
// with components 0 and 255 only come back exactly at every depth.
CBlock MakeBmp(const TPicture& picture, const TBmpShape& shape = {});

// Image blocks, as the bytes the stream holds.
CBlock NoImageBlock();
CBlock PlainBmpBlock(const CBlock& bmp);       // scheme 0
CBlock CompressedBmpBlock(const CBlock& bmp);  // scheme 10

// One run of a run-scheme row: a length and a colour (scheme 1, 0xRRGGBB) or
// a palette index (scheme 2).
struct TColourRun {
    std::uint8_t Length = 0;
    std::uint32_t Value = 0;
};
using TRunRows = std::vector<std::vector<TColourRun>>;

CBlock ColorRunsBlock(std::int32_t width, std::int32_t height, const TRunRows& rows);
CBlock PaletteRunsBlock(const std::vector<std::uint32_t>& palette, std::int32_t width, std::int32_t height,
                        const TRunRows& rows);
// The pixels encoded as the authoring tool does: runs of equal colours of
// at most 255 pixels covering each row.
CBlock ColorRunsBlock(const TPicture& picture);
CBlock PaletteRunsBlock(const TPicture& picture);

// Reads one image block the converter wrote from the stream: nullopt for
// "no image", else scheme 10 holding the BMP that ReadWrittenBmp
// (ProjectReader.h) accepts; throws on anything else.
std::optional<TPicture> ReadWrittenImage(CStream& stream);

}  // namespace project

}  // namespace transvane
