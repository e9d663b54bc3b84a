// The project's sound list and the sounds section of the project file.
//
// Section (list version 400, the only one read and written): int32 400,
// int32 slot count, then per slot a bool and, for a present sound, its name
// and its record (Sound_Class.h).
#pragma once

#include "format/core/Resource_List.h"
#include "format/media/Sound_Class.h"

namespace transvane {

struct CMediaModel;  // format/media/Media_Model.h

// The project's list.
CResourceList<CSound>& SoundList(CMediaModel& media);

// Destroys every sound, empties the list and clears its modified flag.
void ClearSounds(CMediaModel& media);
// Reads the sounds section into an empty list.
bool LoadSounds(CMediaModel& media, CStream& stream);
// Writes the sounds section.
bool SaveSounds(CMediaModel& media, CStream& stream);

}  // namespace transvane
