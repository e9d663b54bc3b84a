#include "format/media/Background_Class.h"

#include "format/media/Support_Bitmap24.h"

namespace transvane {

namespace {
constexpr std::int32_t BackgroundVersion = 400;
}

void CBackground::Clear() { *this = CBackground(); }

bool CBackground::Load(CStream& stream) {
    Clear();
    if (stream.ReadInt() != BackgroundVersion)
        return false;
    Width = stream.ReadInt();
    Height = stream.ReadInt();
    Transparent = stream.ReadBool();
    BackgroundFlag1 = stream.ReadBool();
    BackgroundFlag2 = stream.ReadBool();
    if (stream.ReadBool()) {
        const std::size_t damaged = stream.DamageCount();
        Image = Bitmap24_LoadFromStream(stream);
        // A background without an image says so with its flag; a block
        // that yields none after a true flag is a broken record, unless a
        // recovering load noted it as damaged: the record is kept without it.
        if (!Image && stream.DamageCount() == damaged)
            return false;
    }
    return true;
}

void CBackground::PrepareBlocks(CBlockPrefetch& prefetch) const {
    if (Image)
        Bitmap24_PrepareBlock(*Image, prefetch);
}

bool CBackground::Save(CStream& stream) const {
    stream.WriteInt(BackgroundVersion);
    stream.WriteInt(Width);
    stream.WriteInt(Height);
    stream.WriteBool(Transparent);
    stream.WriteBool(BackgroundFlag1);
    stream.WriteBool(BackgroundFlag2);
    stream.WriteBool(Image.has_value());
    if (Image)
        Bitmap24_SaveToStream(&*Image, stream);
    return true;
}

}  // namespace transvane
