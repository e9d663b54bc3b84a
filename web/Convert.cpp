#include "web/Convert.h"

#include <exception>

#include "format/behaviour/Object_Main.h"
#include "format/behaviour/Path_Main.h"
#include "format/behaviour/TimeLine_Main.h"
#include "format/core/Support_Progress.h"
#include "format/media/Background_Main.h"
#include "format/media/DataFile_Main.h"
#include "format/media/Script_Main.h"
#include "format/media/Sound_Main.h"
#include "format/media/Sprite_Main.h"
#include "format/world/Room_Main.h"
#include "project/Resource_Main.h"

namespace {

template <class T>
std::int64_t Present(const CResourceList<T>& list) {
    std::int64_t count = 0;
    for (int i = 0; i < list.Count(); ++i)
        count += list.Exists(i) ? 1 : 0;
    return count;
}

// Read after saving: saving drops room instances and tiles that name a
// resource that is gone, and the summary tells what the new file holds.
void Summarise(CProjectSummary& summary) {
    std::int64_t subimages = 0, instances = 0, tiles = 0;
    for (int i = 0; i < SpriteList().Count(); ++i)
        if (const CSprite* sprite = SpriteList().Get(i))
            subimages += static_cast<std::int64_t>(sprite->Images.size());
    for (int i = 0; i < RoomList().Count(); ++i)
        if (const CRoom* room = RoomList().Get(i)) {
            instances += static_cast<std::int64_t>(room->Instances.size());
            tiles += static_cast<std::int64_t>(room->Tiles.size());
        }
    summary.GameId = GameId();
    summary.Counts = {
        {"Sounds", Present(SoundList())},
        {"Sprites", Present(SpriteList())},
        {"Subimages", subimages},
        {"Backgrounds", Present(BackgroundList())},
        {"Paths", Present(PathList())},
        {"Scripts", Present(ScriptList())},
        {"Data files", Present(DataFileList())},
        {"Time lines", Present(TimeLineList())},
        {"Objects", Present(ObjectList())},
        {"Rooms", Present(RoomList())},
        {"Instances", instances},
        {"Tiles", tiles},
    };
}

}  // namespace

CConversion ConvertProject(std::span<const std::uint8_t> source) {
    CConversion result;
    CMessageCollector collector;
    const CFeedbackGuard guard(collector);

    CStream input{CBlock(source.begin(), source.end())};
    CLoadReport report;
    bool loaded = false;
    try {
        ClearGame();
        loaded = LoadGame(input, &report);
    } catch (const std::exception&) {
        loaded = false;  // a short read, a corrupt block, a hostile count
    }
    result.Summary.Version = report.Version;
    if (!loaded) {
        ShowMessage("Error Loading: File seems to be corrupted.");
        ClearGame();
        result.Messages = std::move(collector.Messages);
        return result;
    }
    input = CStream{};  // the source's bytes are not needed any more

    CStream output;
    bool built = false;
    try {
        built = SaveGame(output, false);
    } catch (const std::exception&) {
        built = false;
    }
    if (built) {
        Summarise(result.Summary);
        result.Bytes = output.TakeBytes();
        result.Ok = true;
    } else {
        ShowMessage("Error Saving: Internal error. The game has not been saved!");
    }
    ClearGame();
    result.Messages = std::move(collector.Messages);
    return result;
}
