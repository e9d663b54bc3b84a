#include "format/media/Sound_Class.h"
#include "format/core/Support_Report.h"

namespace transvane {

namespace {
constexpr std::int32_t RawSoundVersion = 400;
constexpr std::int32_t CompressedSoundVersion = 440;
constexpr std::int32_t NoSound = -1;
}  // namespace

void CSound::Clear() { *this = CSound(); }

bool CSound::Load(CStream& stream) {
    Clear();
    const std::int32_t version = stream.ReadInt();
    if (version != RawSoundVersion && version != CompressedSoundVersion)
        return false;
    SoundKind = stream.ReadInt();
    SoundText = stream.ReadString();
    // The two versions differ only here: the old one stored the data raw.
    if (SoundKind != NoSound) {
        SoundData = version == RawSoundVersion ? stream.ReadBlock() : stream.ReadCompressedBlock();
        if (version == RawSoundVersion)
            NoteChange(stream.Core(), EChange::SoundCompressed);
    }
    SoundFlag1 = stream.ReadBool();
    SoundValue = stream.ReadInt();
    SoundFlag2 = stream.ReadBool();
    return true;
}

void CSound::PrepareBlocks(CBlockPrefetch& prefetch) const {
    if (SoundKind != NoSound)
        prefetch.Add(SoundData);
}

bool CSound::Save(CStream& stream) const {
    stream.WriteInt(CompressedSoundVersion);
    stream.WriteInt(SoundKind);
    stream.WriteString(SoundText);
    if (SoundKind != NoSound)
        stream.WriteCompressedBlock(SoundData);
    stream.WriteBool(SoundFlag1);
    stream.WriteInt(SoundValue);
    stream.WriteBool(SoundFlag2);
    return true;
}

}  // namespace transvane
