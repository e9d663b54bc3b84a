// The project's sprite list and the sprites section of the project file.
//
// Section (list version 400, the only one read and written): int32 400,
// int32 slot count, then per slot a bool and, for a present sprite, its name
// and its record (Sprite_Class.h).  Objects refer to sprites by slot index.
#pragma once

#include "format/core/Resource_List.h"
#include "format/media/Sprite_Class.h"

namespace transvane {

// The current project's list.
CResourceList<CSprite>& SpriteList();

// Destroys every sprite, empties the list and clears its modified flag.
void ClearSprites();
// Reads the sprites section into an empty list.
bool LoadSprites(CStream& stream);
// Writes the sprites section.
bool SaveSprites(CStream& stream);
// True when index names a slot that holds a sprite.
bool SpriteExists(int index);

}  // namespace transvane
