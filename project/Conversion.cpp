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
std::int64_t PresentCount(const CResourceList<T>& list) {
    std::int64_t present = 0;
    for (int i = 0; i < list.Count(); ++i)
        present += list.Exists(i) ? 1 : 0;
    return present;
}

// The current project's contents, in file order.
void Summarise(CConversionSummary& summary) {
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
        {"Sounds", PresentCount(SoundList())},
        {"Sprites", PresentCount(SpriteList())},
        {"Subimages", subimages},
        {"Backgrounds", PresentCount(BackgroundList())},
        {"Paths", PresentCount(PathList())},
        {"Scripts", PresentCount(ScriptList())},
        {"Data files", PresentCount(DataFileList())},
        {"Time lines", PresentCount(TimeLineList())},
        {"Objects", PresentCount(ObjectList())},
        {"Rooms", PresentCount(RoomList())},
        {"Instances", instances},
        {"Tiles", tiles},
    };
}

// Keeps every message's text for the result and passes everything on to
// the caller's feedback, if any.
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
    void NoteChange(EChange kind, std::int64_t count, const std::string& detail) override {
        if (FNext != nullptr)
            FNext->NoteChange(kind, count, detail);
    }

private:
    std::vector<std::string>& FMessages;
    CFeedback* FNext;
};

}  // namespace

// The conversion's own project, with its feedback and limits set once.  A
// message is noted in the report with its context, kept as text and then
// passed on to the caller's feedback.
class CConversion::CRun {
public:
    CRun(CConversionResult& result, CFeedback* feedback, const CConversionLimits& limits)
        : FCollecting(result.Messages, feedback), FReporting(result.Report, &FCollecting) {
        Project.Core.Feedback = &FReporting;
        Project.Core.InflateLimit = std::min(limits.InflateLimit, MaxBlockSize);
        Project.Core.BudgetFloor = limits.LoadBudgetFloor;
    }

    CProject Project;
    bool Loaded = false;

private:
    CCollectingFeedback FCollecting;
    CReportingFeedback FReporting;
};

CConversion::CConversion(CFeedback* feedback, const CConversionLimits& limits)
    : FRun(std::make_unique<CRun>(FResult, feedback, limits)) {}

CConversion::~CConversion() = default;

namespace {

// Loads with the run's project current; load is the driver to call.
template <class F>
bool LoadInto(CProject& project, CConversionSummary& summary, F load) {
    const CProjectScope scope(project.Parts());
    CLoadReport report;
    const bool loaded = load(report);
    summary = CConversionSummary{};
    summary.Version = report.Version;
    if (loaded)
        Summarise(summary);
    return loaded;
}

template <class F>
bool SaveFrom(CProject& project, CConversionResult& result, F save) {
    const CProjectScope scope(project.Parts());
    result.Converted = save();
    if (result.Converted)
        Summarise(result.Summary);
    return result.Converted;
}

}  // namespace

bool CConversion::Load(const std::string& source) {
    FRun->Loaded = LoadInto(FRun->Project, FResult.Summary,
                            [&](CLoadReport& report) { return LoadGameFile(source, &report); });
    return FRun->Loaded;
}

bool CConversion::Load(CBlock source) {
    FRun->Loaded = LoadInto(FRun->Project, FResult.Summary,
                            [&](CLoadReport& report) { return LoadGameBytes(std::move(source), &report); });
    return FRun->Loaded;
}

bool CConversion::Save(const std::string& target) {
    return FRun->Loaded && SaveFrom(FRun->Project, FResult, [&] { return SaveGameFile(target); });
}

bool CConversion::Save(CBlock& target) {
    return FRun->Loaded && SaveFrom(FRun->Project, FResult, [&] {
        CBlock bytes;
        if (!SaveGameBytes(bytes))
            return false;
        target = std::move(bytes);
        return true;
    });
}

bool CConversion::DryRun() {
    return FRun->Loaded && SaveFrom(FRun->Project, FResult, [] { return SaveGameDryRun(); });
}

CConversionResult ConvertFile(const std::string& source, const std::string& target, CFeedback* feedback,
                              const CConversionLimits& limits) {
    CConversion conversion(feedback, limits);
    if (conversion.Load(source))
        conversion.Save(target);
    return conversion.TakeResult();
}

CConversionResult ConvertBytes(std::span<const std::uint8_t> source, CBlock& target, const CConversionLimits& limits) {
    CConversion conversion(nullptr, limits);
    if (conversion.Load(CBlock(source.begin(), source.end())))
        conversion.Save(target);
    return conversion.TakeResult();
}
