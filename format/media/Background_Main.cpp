#include "format/media/Background_Main.h"

#include "format/media/Media_Model.h"

namespace transvane {

namespace {
constexpr std::int32_t BackgroundListVersion = 400;
}

CResourceList<CBackground>& BackgroundList(CMediaModel& media) { return media.Backgrounds; }

void ClearBackgrounds(CMediaModel& media) { BackgroundList(media).Clear(); }

bool LoadBackgrounds(CMediaModel& media, CStream& stream) {
    return BackgroundList(media).Load(stream, BackgroundListVersion, BackgroundListVersion);
}

bool SaveBackgrounds(CMediaModel& media, CStream& stream) {
    return BackgroundList(media).Save(stream, BackgroundListVersion);
}

CBackground* GetBackground(CMediaModel& media, int index) { return BackgroundList(media).Get(index); }

}  // namespace transvane
