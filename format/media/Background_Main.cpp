#include "format/media/Background_Main.h"

#include "format/media/Media_Model.h"

namespace transvane {

namespace {
constexpr std::int32_t BackgroundListVersion = 400;
}

CResourceList<CBackground>& BackgroundList() { return MediaModel().Backgrounds; }

void ClearBackgrounds() { BackgroundList().Clear(); }

bool LoadBackgrounds(CStream& stream) {
    return BackgroundList().Load(stream, BackgroundListVersion, BackgroundListVersion);
}

bool SaveBackgrounds(CStream& stream) { return BackgroundList().Save(stream, BackgroundListVersion); }

CBackground* GetBackground(int index) { return BackgroundList().Get(index); }

}  // namespace transvane
