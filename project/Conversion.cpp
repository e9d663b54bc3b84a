#include "project/Conversion.h"

#include <algorithm>
#include <utility>

#include "format/behaviour/Object_Main.h"
#include "format/behaviour/Path_Main.h"
#include "format/behaviour/TimeLine_Main.h"
#include "format/media/Background_Main.h"
#include "format/media/DataFile_Main.h"
#include "format/media/Script_Main.h"
#include "format/media/Sound_Main.h"
#include "format/media/Sprite_Main.h"
#include "format/world/Room_Main.h"
#include "project/Project_Main.h"
#include "project/Resource_Main.h"

namespace {

template <class T>
int PresentCount(const CResourceList<T>& list) {
    int present = 0;
    for (int i = 0; i < list.Count(); ++i)
        present += list.Exists(i) ? 1 : 0;
    return present;
}

// The current project's lists, in file order.
std::vector<CConversionSummary::CKindCount> CountResources() {
    return {
        {"Sounds", PresentCount(SoundList())},       {"Sprites", PresentCount(SpriteList())},
        {"Backgrounds", PresentCount(BackgroundList())}, {"Paths", PresentCount(PathList())},
        {"Scripts", PresentCount(ScriptList())},     {"Data files", PresentCount(DataFileList())},
        {"Time lines", PresentCount(TimeLineList())}, {"Objects", PresentCount(ObjectList())},
        {"Rooms", PresentCount(RoomList())},
    };
}

// Keeps every message for the result and passes everything on to the
// caller's feedback, if any.
class CCollectingFeedback final : public CFeedback {
public:
    CCollectingFeedback(std::vector<std::string>& messages, CFeedback* next) : FMessages(messages), FNext(next) {}
    void ShowMessage(const std::string& text) override {
        FMessages.push_back(text);
        if (FNext != nullptr)
            FNext->ShowMessage(text);
    }
    void ProgressStart(const std::string& text) override {
        if (FNext != nullptr)
            FNext->ProgressStart(text);
    }
    void ProgressSet(int percent) override {
        if (FNext != nullptr)
            FNext->ProgressSet(percent);
    }
    void ProgressEnd() override {
        if (FNext != nullptr)
            FNext->ProgressEnd();
    }

private:
    std::vector<std::string>& FMessages;
    CFeedback* FNext;
};

// One conversion's own project, current on this thread while it lives.
class CConversionRun {
public:
    CConversionRun(CConversionResult& result, CFeedback* feedback, const CConversionLimits& limits)
        : FResult(result), FFeedback(result.Messages, feedback), FScope(FProject.Parts()) {
        FProject.Core.Feedback = &FFeedback;
        FProject.Core.InflateLimit = std::min(limits.InflateLimit, MaxBlockSize);
        FProject.Core.BudgetFloor = limits.LoadBudgetFloor;
    }

    // After a load: what was loaded, for the summary.
    bool Loaded(bool ok, const CLoadReport& report) {
        FResult.Summary.Version = report.Version;
        if (ok)
            FResult.Summary.Counts = CountResources();
        return ok;
    }

private:
    CConversionResult& FResult;
    CProject FProject;
    CCollectingFeedback FFeedback;
    CProjectScope FScope;
};

}  // namespace

CConversionResult ConvertFile(const std::string& source, const std::string& target, CFeedback* feedback,
                        const CConversionLimits& limits) {
    CConversionResult result;
    CConversionRun run(result, feedback, limits);
    CLoadReport report;
    if (run.Loaded(LoadGameFile(source, &report), report))
        result.Converted = SaveGameFile(target);
    return result;
}

CConversionResult ConvertBytes(std::span<const std::uint8_t> source, CBlock& target, const CConversionLimits& limits) {
    CConversionResult result;
    CConversionRun run(result, nullptr, limits);
    CLoadReport report;
    if (run.Loaded(LoadGameBytes(CBlock(source.begin(), source.end()), &report), report)) {
        CBlock bytes;
        result.Converted = SaveGameBytes(bytes);
        if (result.Converted)
            target = std::move(bytes);
    }
    return result;
}
