#include "project/Conversion.h"

#include <algorithm>
#include <utility>

#include "project/Project_Main.h"
#include "project/Resource_Kinds.h"
#include "project/Resource_Main.h"
#include "format/core/Support_SafeSave.h"

namespace transvane {

std::vector<CConversionSummary::CKindCount> CountResources(const CProject& project) {
    std::vector<CConversionSummary::CKindCount> counts;
    for (const CContentKind& kind : ContentKinds())
        counts.push_back({kind.Name, kind.Count(project)});
    return counts;
}

namespace {

void Summarise(CProject& project, CConversionSummary& summary) {
    summary.GameId = GameId(project.Model);
    summary.Counts = CountResources(project);
}

}  // namespace

// The conversion's own project, with its feedback and limits set once.  A
// message is noted in the report with its context and then passed on to the
// caller's feedback.
class CConversion::CRun {
public:
    CRun(CConversionResult& result, CFeedback* feedback, const CConversionLimits& limits)
        : PendingFiles(limits.PendingFiles), Backups(limits.Backups), FReporting(result.Report, feedback) {
        Project.Core.Feedback = &FReporting;
        Project.Core.InflateLimit = std::min(limits.InflateLimit, MaxBlockSize);
        Project.Core.BudgetFloor = limits.LoadBudgetFloor;
        Project.Core.HelperThreads = limits.HelperThreads;
        Project.Model.TreeIconsReset = limits.TreeIconsReset;
    }

    // A new step: the file it reads, if any; what an earlier one left goes.
    void Start(const std::string& source) {
        Source = source;
        SpentSource = CBlock();
    }

    CProject Project;
    bool Loaded = false;
    CInspectedFile Inspected;  // what the last Inspect read
    CPendingFiles* PendingFiles;
    const int Backups;
    std::string Source;  // the file loaded, when it was one
    // The buffer of the bytes loaded, once read: the save writes into it.
    CBlock SpentSource;

private:
    CReportingFeedback FReporting;
};

CConversion::CConversion(CFeedback* feedback, const CConversionLimits& limits)
    : FRun(std::make_unique<CRun>(FResult, feedback, limits)) {}

CConversion::~CConversion() = default;

void CConversion::SetPendingFiles(CPendingFiles* pending) { FRun->PendingFiles = pending; }

const CProject& CConversion::Project() const { return FRun->Project; }
CProject& CConversion::Project() { return FRun->Project; }

std::optional<std::span<const std::uint8_t>> CConversion::InspectedBytes() const {
    if (!FRun->Inspected.File)
        return std::nullopt;
    return FRun->Inspected.File->View();
}

namespace {

// Loads into the run's project; load is the driver to call.
template <class F>
bool LoadInto(CProject& project, CConversionSummary& summary, CLoadReport& report, F load) {
    const bool loaded = load(report);
    summary = CConversionSummary{};
    summary.Version = report.Version;
    if (loaded)
        Summarise(project, summary);
    return loaded;
}

template <class F>
bool SaveFrom(CProject& project, CConversionResult& result, F save) {
    result.Converted = save();
    if (result.Converted)
        Summarise(project, result.Summary);
    return result.Converted;
}

}  // namespace

// The result's message texts are those of the report, in order.
bool CConversion::Done(bool ok) {
    FResult.Messages.clear();
    for (const CReportedMessage& message : FResult.Report.Messages)
        FResult.Messages.push_back(message.Text);
    return ok;
}

bool CConversion::Load(const std::string& source) {
    FRun->Start(source);
    FRun->Inspected = {};
    FRun->Loaded = LoadInto(FRun->Project, FResult.Summary, FResult.Load,
                            [&](CLoadReport& report) { return LoadGameFile(FRun->Project, source, &report); });
    return Done(FRun->Loaded);
}

// The bytes' buffer is kept for the save only when there will be one.
void CConversion::KeepSpentSource() {
    if (!FRun->Loaded)
        FRun->SpentSource = CBlock();
}

bool CConversion::Load(CBlock source) {
    FRun->Start({});
    FRun->Inspected = {};
    FRun->Loaded = LoadInto(FRun->Project, FResult.Summary, FResult.Load, [&](CLoadReport& report) {
        return LoadGameBytes(FRun->Project, std::move(source), &report, nullptr, &FRun->SpentSource);
    });
    KeepSpentSource();
    return Done(FRun->Loaded);
}

bool CConversion::Recover(const std::string& source) {
    FRun->Start(source);
    FRun->Inspected = {};
    FResult.Recovery.emplace();
    FRun->Loaded = LoadInto(FRun->Project, FResult.Summary, FResult.Load, [&](CLoadReport& report) {
        const bool kept = RecoverGameFile(FRun->Project, source, *FResult.Recovery);
        report = FResult.Recovery->Load;
        return kept;
    });
    return Done(FRun->Loaded);
}

bool CConversion::Recover(CBlock source) {
    FRun->Start({});
    FRun->Inspected = {};
    FResult.Recovery.emplace();
    FRun->Loaded = LoadInto(FRun->Project, FResult.Summary, FResult.Load, [&](CLoadReport& report) {
        const bool kept = RecoverGameBytes(FRun->Project, std::move(source), *FResult.Recovery, &FRun->SpentSource);
        report = FResult.Recovery->Load;
        return kept;
    });
    KeepSpentSource();
    return Done(FRun->Loaded);
}

bool CConversion::Inspect(const std::string& source) {
    FRun->Start(source);
    FRun->Loaded = LoadInto(FRun->Project, FResult.Summary, FResult.Load, [&](CLoadReport& report) {
        const bool loaded = InspectGameFile(FRun->Project, source, FRun->Inspected);
        report = FRun->Inspected.Load;
        return loaded;
    });
    return Done(FRun->Loaded);
}

bool CConversion::Inspect(CBlock source) {
    FRun->Start({});
    FRun->Loaded = LoadInto(FRun->Project, FResult.Summary, FResult.Load, [&](CLoadReport& report) {
        const bool loaded = InspectGameBytes(FRun->Project, std::move(source), FRun->Inspected);
        report = FRun->Inspected.Load;
        return loaded;
    });
    return Done(FRun->Loaded);
}

namespace {

// A recovered project never goes over the damaged file it came from.
void RefuseRecoveryOntoSource(CConversionResult& result, const std::string& target) {
    result.Report.AddMessage(RecoveryOntoSource, {"file: " + target});
    result.Messages.emplace_back(RecoveryOntoSource);
}

}  // namespace

bool CConversion::Save(const std::string& target) {
    // A file is written through a window of its own: the loaded bytes'
    // buffer, kept for a save into memory, is let go.
    FRun->SpentSource = CBlock();
    FResult.Unchanged = false;
    FResult.KeptAs.clear();
    FResult.Dropped.clear();
    if (FResult.Recovery && !FRun->Source.empty() && SameFile(FRun->Source, target)) {
        RefuseRecoveryOntoSource(FResult, target);
        return false;
    }
    // A backup picked as the source, saved over its project when the series
    // is full, is the one the save would drop to make room.
    const std::string dropped = BackupDroppedBy(target, FRun->Backups);
    if (!FRun->Source.empty() && !dropped.empty() && SameFile(FRun->Source, dropped)) {
        CCoreState& core = FRun->Project.Core;
        const CMessageContext file(core, "file", target);
        const CMessageContext why(core, "cause",
                                  "the save would drop its backup " + dropped + ", the file being converted");
        ShowMessage(core, CannotCreateFile);
        FResult.Converted = false;
        return Done(false);
    }
    // Already what a save would write, in the very file: writing it again
    // would only push the backups down, and the oldest out.
    if (FRun->Loaded && FResult.Summary.Version == NewestGameVersion && !FRun->Source.empty() &&
        SameFile(FRun->Source, target)) {
        FResult.Unchanged = true;
        FResult.Converted = true;
        return Done(true);
    }
    if (!FRun->Loaded)
        return Done(false);
    CBackupsMade made;
    const bool saved = SaveFrom(FRun->Project, FResult, [&] {
        return SaveGameFile(FRun->Project, target, &made, FRun->PendingFiles, FRun->Backups);
    });
    FResult.KeptAs = std::move(made.KeptAs);
    FResult.Dropped = std::move(made.Dropped);
    return Done(saved);
}

bool CConversion::Save(CBlock& target) {
    return Done(FRun->Loaded && SaveFrom(FRun->Project, FResult, [&] {
                    CBlock bytes = std::move(FRun->SpentSource);
                    if (!SaveGameBytes(FRun->Project, bytes))
                        return false;
                    target = std::move(bytes);
                    return true;
                }));
}

bool CConversion::DryRun() {
    return Done(FRun->Loaded && SaveFrom(FRun->Project, FResult, [&] { return SaveGameDryRun(FRun->Project); }));
}

}  // namespace transvane
