// The project's background list and the backgrounds section of the project
// file.
//
// Section (list version 400, the only one read and written): int32 400,
// int32 slot count, then per slot a bool and, for a present background, its
// name and its record (Background_Class.h).  Rooms refer to backgrounds by
// slot index.
#pragma once

#include "format/core/Resource_List.h"
#include "format/media/Background_Class.h"

namespace transvane {

struct CMediaModel;  // format/media/Media_Model.h

// The project's list.
CResourceList<CBackground>& BackgroundList(CMediaModel& media);

// Destroys every background, empties the list and clears its modified flag.
void ClearBackgrounds(CMediaModel& media);
// Reads the backgrounds section into an empty list.
bool LoadBackgrounds(CMediaModel& media, CStream& stream);
// Writes the backgrounds section.
bool SaveBackgrounds(CMediaModel& media, CStream& stream);
// The background in slot index, or nullptr for an index outside the list or
// an empty slot.
CBackground* GetBackground(CMediaModel& media, int index);

}  // namespace transvane
