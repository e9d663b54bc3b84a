#include "format/media/Sprite_Main.h"

#include "format/media/Media_Model.h"

namespace transvane {

namespace {
constexpr std::int32_t SpriteListVersion = 400;
}

CResourceList<CSprite>& SpriteList(CMediaModel& media) { return media.Sprites; }

void ClearSprites(CMediaModel& media) { SpriteList(media).Clear(); }

bool LoadSprites(CMediaModel& media, CStream& stream) {
    return SpriteList(media).Load(stream, SpriteListVersion, SpriteListVersion);
}

bool SaveSprites(CMediaModel& media, CStream& stream) { return SpriteList(media).Save(stream, SpriteListVersion); }

bool SpriteExists(CMediaModel& media, int index) { return SpriteList(media).Exists(index); }

}  // namespace transvane
