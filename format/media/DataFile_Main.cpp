#include "format/media/DataFile_Main.h"

#include "format/media/Media_Model.h"

namespace transvane {

namespace {
constexpr std::int32_t DataFileListVersion = 440;
}

CResourceList<CDataFile>& DataFileList() { return MediaModel().DataFiles; }

void ClearDataFiles() { DataFileList().Clear(); }

bool LoadDataFiles(CStream& stream) {
    return DataFileList().Load(stream, DataFileListVersion, DataFileListVersion);
}

bool SaveDataFiles(CStream& stream) { return DataFileList().Save(stream, DataFileListVersion); }

}  // namespace transvane
