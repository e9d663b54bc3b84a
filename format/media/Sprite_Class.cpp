#include "format/media/Sprite_Class.h"

#include "format/core/Support_Progress.h"

#include "format/media/Support_Bitmap24.h"

namespace transvane {

namespace {
constexpr std::int32_t SpriteVersion = 400;
}

void CSprite::Clear() { *this = CSprite(); }

bool CSprite::Load(CStream& stream) {
    Clear();
    if (stream.ReadInt() != SpriteVersion)
        return false;
    Width = stream.ReadInt();
    Height = stream.ReadInt();
    Bounds.Left = stream.ReadInt();
    Bounds.Right = stream.ReadInt();
    Bounds.Bottom = stream.ReadInt();
    Bounds.Top = stream.ReadInt();
    Transparent = stream.ReadBool();
    SpriteValue1 = stream.ReadInt();
    SpriteFlag1 = stream.ReadBool();
    SpriteFlag2 = stream.ReadBool();
    SpriteFlag3 = stream.ReadBool();
    SpriteValue2 = stream.ReadInt();
    SpriteValue3 = stream.ReadInt();
    const std::int32_t count = stream.ReadInt();
    stream.ExpectItems(count, 4);  // every image block holds at least its scheme
    Images.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        const CPlace place(stream.Core(), "image", i);
        const std::size_t damaged = stream.DamageCount();
        std::optional<CBlock> image = Bitmap24_LoadFromStream(stream);
        if (!image && stream.DamageCount() != damaged)
            continue;  // recovering: the damaged subimage is dropped, the others kept
        if (!image)
            return false;  // a sprite's subimages are required
        Images.push_back(std::move(*image));
    }
    return true;
}

void CSprite::PrepareBlocks(CBlockPrefetch& prefetch) const {
    for (const CBlock& image : Images)
        Bitmap24_PrepareBlock(image, prefetch);
}

bool CSprite::Save(CStream& stream) const {
    stream.WriteInt(SpriteVersion);
    stream.WriteInt(Width);
    stream.WriteInt(Height);
    stream.WriteInt(Bounds.Left);
    stream.WriteInt(Bounds.Right);
    stream.WriteInt(Bounds.Bottom);
    stream.WriteInt(Bounds.Top);
    stream.WriteBool(Transparent);
    stream.WriteInt(SpriteValue1);
    stream.WriteBool(SpriteFlag1);
    stream.WriteBool(SpriteFlag2);
    stream.WriteBool(SpriteFlag3);
    stream.WriteInt(SpriteValue2);
    stream.WriteInt(SpriteValue3);
    stream.WriteInt(static_cast<std::int32_t>(Images.size()));
    for (const CBlock& image : Images)
        Bitmap24_SaveToStream(&image, stream);
    return true;
}

}  // namespace transvane
