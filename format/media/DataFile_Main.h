// The project's data file list and the data files section of the project
// file.
//
// Section (list version 440, the only one read and written): int32 440,
// int32 slot count, then per slot a bool and, for a present data file, its
// name and its record (DataFile_Class.h).  Files older than version 440
// have no such section: their list stays empty and is written as 440, 0.
#pragma once

#include "format/core/Resource_List.h"
#include "format/media/DataFile_Class.h"

namespace transvane {

struct CMediaModel;  // format/media/Media_Model.h

// The project's list.
CResourceList<CDataFile>& DataFileList(CMediaModel& media);

// Destroys every data file, empties the list and clears its modified flag.
void ClearDataFiles(CMediaModel& media);
// Reads the data files section into an empty list.
bool LoadDataFiles(CMediaModel& media, CStream& stream);
// Writes the data files section.
bool SaveDataFiles(CMediaModel& media, CStream& stream);

}  // namespace transvane
