// The sprite record: a named sequence of subimages with a few settings.
//
// The converter doesn't interpret the settings; it keeps every field and
// writes it back.  Only the subimages change form, since every image is
// written as a compressed 24-bit BMP.
//
// Record (version 400, the only one read and written):
//
//   int32 400
//   int32 Width, int32 Height
//   int32 Bounds.Left, Bounds.Right, Bounds.Bottom, Bounds.Top  (this order)
//   bool Transparent
//   int32 SpriteValue1
//   bool SpriteFlag1, bool SpriteFlag2, bool SpriteFlag3
//   int32 SpriteValue2, int32 SpriteValue3
//   int32 number of subimages, then one image block per subimage
#pragma once

#include <cstdint>
#include <vector>

#include "format/core/Support_Prefetch.h"
#include "format/core/Support_Stream.h"

namespace transvane {

// A rectangle stored with the sprite; not derived from the images.
struct CSpriteBounds {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
    bool operator==(const CSpriteBounds&) const = default;
};

class CSprite {
public:
    // Drops the images and restores every default.
    void Clear();
    // Reads one record.  False for a record version other than 400 or a
    // subimage block that yields no image; exceptions from the stream pass.
    bool Load(CStream& stream);
    // Writes one record; always true.
    bool Save(CStream& stream) const;
    // Lists the image blocks Save compresses.
    void PrepareBlocks(CBlockPrefetch& prefetch) const;

    // Width and height as stored; subimages may differ from them and from
    // each other.
    std::int32_t Width = 32;
    std::int32_t Height = 32;
    CSpriteBounds Bounds;
    bool Transparent = true;
    std::int32_t SpriteValue1 = 0;
    bool SpriteFlag1 = true;
    bool SpriteFlag2 = true;
    bool SpriteFlag3 = false;
    std::int32_t SpriteValue2 = 0;
    std::int32_t SpriteValue3 = 0;
    // The subimages, each the bytes of a BMP file (see Support_Bitmap24.h).
    std::vector<CBlock> Images;
};

}  // namespace transvane
