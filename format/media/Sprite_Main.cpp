#include "format/media/Sprite_Main.h"

namespace {
constexpr std::int32_t SpriteListVersion = 400;
}

CResourceList<CSprite> SpriteList{"sprite"};

void ClearSprites() { SpriteList.Clear(); }

bool LoadSprites(CStream& stream) { return SpriteList.Load(stream, SpriteListVersion, SpriteListVersion); }

bool SaveSprites(CStream& stream) { return SpriteList.Save(stream, SpriteListVersion); }

bool SpriteExists(int index) { return SpriteList.Exists(index); }
