#include "format/media/DataFile_Class.h"

namespace transvane {

namespace {
constexpr std::int32_t DataFileVersion = 440;
}

void CDataFile::Clear() { *this = CDataFile(); }

bool CDataFile::Load(CStream& stream) {
    Clear();
    if (stream.ReadInt() != DataFileVersion)
        return false;
    FileName = stream.ReadString();
    HasData = stream.ReadBool();
    if (HasData)
        Data = stream.ReadCompressedBlock();
    ExportMode = stream.ReadInt();
    DataFileFlag1 = stream.ReadBool();
    DataFileFlag2 = stream.ReadBool();
    DataFileFlag3 = stream.ReadBool();
    return true;
}

void CDataFile::PrepareBlocks(CBlockPrefetch& prefetch) const {
    if (HasData)
        prefetch.Add(Data);
}

bool CDataFile::Save(CStream& stream) const {
    stream.WriteInt(DataFileVersion);
    stream.WriteString(FileName);
    stream.WriteBool(HasData);
    if (HasData)
        stream.WriteCompressedBlock(Data);
    stream.WriteInt(ExportMode);
    stream.WriteBool(DataFileFlag1);
    stream.WriteBool(DataFileFlag2);
    stream.WriteBool(DataFileFlag3);
    return true;
}

}  // namespace transvane
