#include "format/media/Sound_Main.h"

#include "format/media/Media_Model.h"

namespace transvane {

namespace {
constexpr std::int32_t SoundListVersion = 400;
}

CResourceList<CSound>& SoundList() { return MediaModel().Sounds; }

void ClearSounds() { SoundList().Clear(); }

bool LoadSounds(CStream& stream) { return SoundList().Load(stream, SoundListVersion, SoundListVersion); }

bool SaveSounds(CStream& stream) { return SoundList().Save(stream, SoundListVersion); }

}  // namespace transvane
