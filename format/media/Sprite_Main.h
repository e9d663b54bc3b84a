// The project's sprite list and the sprites section of the project file.
//
// Section (list version 400, the only one read and written): int32 400,
// int32 slot count, then per slot a bool and, for a present sprite, its name
// and its record (Sprite_Class.h).  Objects refer to sprites by slot index.
#pragma once

#include "format/core/Resource_List.h"
#include "format/media/Sprite_Class.h"

namespace transvane {

struct CMediaModel;  // format/media/Media_Model.h

// The project's list.
CResourceList<CSprite>& SpriteList(CMediaModel& media);

// Destroys every sprite, empties the list and clears its modified flag.
void ClearSprites(CMediaModel& media);
// Reads the sprites section into an empty list.
bool LoadSprites(CMediaModel& media, CStream& stream);
// Writes the sprites section.
bool SaveSprites(CMediaModel& media, CStream& stream);
// True when index names a slot that holds a sprite.
bool SpriteExists(CMediaModel& media, int index);

}  // namespace transvane
