#include "format/media/Sound_Main.h"

#include "format/media/Media_Model.h"

namespace transvane {

namespace {
constexpr std::int32_t SoundListVersion = 400;
}

CResourceList<CSound>& SoundList(CMediaModel& media) { return media.Sounds; }

void ClearSounds(CMediaModel& media) { SoundList(media).Clear(); }

bool LoadSounds(CMediaModel& media, CStream& stream) {
    return SoundList(media).Load(stream, SoundListVersion, SoundListVersion);
}

bool SaveSounds(CMediaModel& media, CStream& stream) { return SoundList(media).Save(stream, SoundListVersion); }

}  // namespace transvane
