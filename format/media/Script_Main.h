// The project's script list and the scripts section of the project file.
//
// Section (list version 400, the only one read and written): int32 400,
// int32 slot count, then per slot a bool and, for a present script, its
// name and its record (Script_Class.h).
#pragma once

#include "format/core/Resource_List.h"
#include "format/media/Script_Class.h"

namespace transvane {

struct CMediaModel;  // format/media/Media_Model.h

// The project's list.
CResourceList<CScript>& ScriptList(CMediaModel& media);

// Destroys every script, empties the list and clears its modified flag.
void ClearScripts(CMediaModel& media);
// Reads the scripts section into an empty list.
bool LoadScripts(CMediaModel& media, CStream& stream);
// Writes the scripts section.
bool SaveScripts(CMediaModel& media, CStream& stream);

}  // namespace transvane
