#include "format/media/Sprite_Main.h"

#include "format/media/Media_Model.h"

namespace transvane {

namespace {
constexpr std::int32_t SpriteListVersion = 400;
}

CResourceList<CSprite>& SpriteList() { return MediaModel().Sprites; }

void ClearSprites() { SpriteList().Clear(); }

bool LoadSprites(CStream& stream) { return SpriteList().Load(stream, SpriteListVersion, SpriteListVersion); }

bool SaveSprites(CStream& stream) { return SpriteList().Save(stream, SpriteListVersion); }

bool SpriteExists(int index) { return SpriteList().Exists(index); }

}  // namespace transvane
