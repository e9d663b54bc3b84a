#include "format/media/Sound_Main.h"

namespace {
constexpr std::int32_t SoundListVersion = 400;
}

CResourceList<CSound> SoundList{"sound"};

void ClearSounds() { SoundList.Clear(); }

bool LoadSounds(CStream& stream) { return SoundList.Load(stream, SoundListVersion, SoundListVersion); }

bool SaveSounds(CStream& stream) { return SoundList.Save(stream, SoundListVersion); }
