// The background record: a named image, or none, with a few settings.
//
// The converter keeps every field as read; only the image changes form,
// since it is written as a compressed 24-bit BMP.
//
// Record (version 400, the only one read and written):
//
//   int32 400
//   int32 Width, int32 Height
//   bool Transparent, bool BackgroundFlag1, bool BackgroundFlag2
//   bool the background has an image
//   image block, only when it has one
#pragma once

#include <cstdint>
#include <optional>

#include "format/core/Support_Prefetch.h"
#include "format/core/Support_Stream.h"

namespace transvane {

class CBackground {
public:
    // Drops the image and restores every default.
    void Clear();
    // Reads one record.  False for a record version other than 400 or an
    // image flag that is followed by a block yielding no image.
    bool Load(CStream& stream);
    // Writes one record; always true.
    bool Save(CStream& stream) const;
    // Lists the image block Save compresses, if any.
    void PrepareBlocks(CBlockPrefetch& prefetch) const;

    // Width and height as stored, not derived from the image.
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    bool Transparent = false;
    bool BackgroundFlag1 = true;
    bool BackgroundFlag2 = true;
    // The image as the bytes of a BMP file (see Support_Bitmap24.h), or none.
    std::optional<CBlock> Image;
};

}  // namespace transvane
