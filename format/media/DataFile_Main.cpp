#include "format/media/DataFile_Main.h"

#include "format/media/Media_Model.h"

namespace transvane {

namespace {
constexpr std::int32_t DataFileListVersion = 440;
}

CResourceList<CDataFile>& DataFileList(CMediaModel& media) { return media.DataFiles; }

void ClearDataFiles(CMediaModel& media) { DataFileList(media).Clear(); }

bool LoadDataFiles(CMediaModel& media, CStream& stream) {
    return DataFileList(media).Load(stream, DataFileListVersion, DataFileListVersion);
}

bool SaveDataFiles(CMediaModel& media, CStream& stream) {
    return DataFileList(media).Save(stream, DataFileListVersion);
}

}  // namespace transvane
