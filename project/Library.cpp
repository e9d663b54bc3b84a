// The public interface (include/transvane/transvane.h) on top of the
// conversion: it translates the caller's options into the conversion's
// limits, and the conversion's report into plain values.
#include "transvane/transvane.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "format/core/Support_CodePage.h"
#include "format/core/Support_Progress.h"
#include "format/core/Support_Report.h"
#include "format/core/Support_SafeSave.h"
#include "format/world/Option_Main.h"
#include "project/Conversion.h"
#include "project/Library_Access.h"
#include "project/Project_Main.h"

namespace transvane {

const char* Version() { return TRANSVANE_VERSION; }

namespace {

// Thrown from the feedback when the observer asks to stop.  It is no
// std::exception, so the drivers, which turn those into "corrupted" or
// "internal error", let it pass; everything they hold is released on the
// way out, and a save's temporary file with it.
struct CStopRequested {};

// What each of the drivers' failures means to a program.  The texts are
// the drivers' own, word for word: a failed step is told by the first of
// them it said (a refused header is said, then the file is "corrupted").
struct CKnownFailure {
    std::string_view Text;
    EErrorCode Code;
};
constexpr CKnownFailure KnownFailures[] = {
    {"Error Loading: This is not a vantrel file.", EErrorCode::NotAProject},
    {"Error Loading: Cannot load game file created before version 4.0.", EErrorCode::TooOld},
    {"Error Loading: File was created with a newer version of vantrel. Please get the new version from the web site.",
     EErrorCode::TooNew},
    {"Error Loading: File seems to be corrupted.", EErrorCode::Damaged},
    {"Error Loading: File does not exist.", EErrorCode::CannotRead},
    {"Error Loading: Failed to load the file.", EErrorCode::CannotRead},
    {CannotCreateFile, EErrorCode::CannotWrite},
    {"Error Saving: Internal error. The game has not been saved!", EErrorCode::Internal},
};

// The failure of a step that said the messages from the first on.
EErrorCode FailureOf(const CConversionReport& report, std::size_t first, EErrorCode otherwise) {
    for (std::size_t i = first; i < report.Messages.size(); ++i)
        for (const CKnownFailure& known : KnownFailures)
            if (report.Messages[i].Text == known.Text)
                return known.Code;
    return otherwise;
}

const std::string CannotCreate = std::string(KnownFailures[6].Text);
const std::string Interruption = "Conversion interrupted.";

// Hands what the conversion says to the caller's observer, each message
// with its context lines.
class CObserverFeedback final : public CFeedback {
public:
    explicit CObserverFeedback(CObserver* observer) : FObserver(observer) {}

    void ShowMessage(const std::string& text, const std::vector<std::string>& context) override {
        if (FObserver != nullptr)
            FObserver->Message({text, context});
    }
    void ProgressStart(const std::string& text) override {
        FProgress = CProgress{text, 0, {}, 0, 0};
        Tell();
    }
    void ProgressSet(int percent) override {
        FProgress.Percent = percent;
        Tell();
    }
    // Never stops here: the drivers end their progress on the way out of
    // a failure too.
    void ProgressEnd() override {
        FProgress = CProgress{};
        if (FObserver != nullptr)
            FObserver->Progress(FProgress);
    }
    void ProgressBytes(std::string_view section, std::uint64_t done, std::uint64_t total) override {
        if (section != FProgress.Section)
            FProgress.Section = std::string(section);
        FProgress.Done = done;
        FProgress.Total = total;
        Tell();
    }

private:
    void Tell() {
        if (FObserver == nullptr)
            return;
        FObserver->Progress(FProgress);
        if (FObserver->StopRequested())
            throw CStopRequested{};
    }

    CObserver* const FObserver;
    CProgress FProgress;
};

CConversionLimits LimitsOf(const COptions& options) {
    CConversionLimits limits;
    if (options.MaxBlockBytes != 0)
        limits.InflateLimit = std::min(options.MaxBlockBytes, MaxBlockSize);
    if (options.MinLoadBudget != 0)
        limits.LoadBudgetFloor = options.MinLoadBudget;
    limits.HelperThreads = options.HelperThreads;
    limits.Backups = std::clamp(options.Backups, 0, MaxBackups);
    return limits;
}

std::vector<CMessage> MessagesOf(const std::vector<CReportedMessage>& messages) {
    std::vector<CMessage> out;
    out.reserve(messages.size());
    for (const CReportedMessage& message : messages)
        out.push_back({message.Text, message.Context});
    return out;
}

std::vector<CResourceCount> CountsOf(const CConversionSummary& summary) {
    std::vector<CResourceCount> out;
    for (const CConversionSummary::CKindCount& count : summary.Counts)
        out.push_back({count.Kind, count.Count});
    return out;
}

CRecoveredKind KindOf(const CRecoveredSection& section) {
    constexpr ERecoveredState States[] = {ERecoveredState::Complete, ERecoveredState::Stopped,
                                          ERecoveredState::NotReached};
    return {section.Kind,  States[static_cast<int>(section.State)], section.IsList, section.Recovered, section.Total,
            section.AtMost};
}

// The recovery's report as plain values; the lines are the command-line
// tool's own.
CRecovery RecoveryOf(const CRecoveryReport& report, const CConversionReport& saved) {
    CRecovery out;
    const CLoadReport& load = report.Load;
    if (!load.Section.empty())
        out.Stopped = CStopPlace{load.Section, load.SectionStart, load.Position, load.Place, StopCause(load)};
    for (const CRecoveredSection& section : report.Sections)
        out.Kinds.push_back(KindOf(section));
    for (const CRecoveredBlock& block : report.Blocks)
        out.Blocks.push_back(
            {block.Section, block.Block.Start, block.Block.End, block.Block.Place, block.Lost, block.Block.Cause});
    out.TreeRebuilt = report.TreeRebuilt;
    out.Recovered = report.Recovered();
    out.Total = report.Total();
    out.TotalIsLeast = report.TotalIsLeast();
    out.LostNothing = report.LostNothing();
    out.Lines = RecoverySummaryLines(report, saved);
    return out;
}

}  // namespace

std::string RecoveredInto(const CRecovery& recovery, const std::string& target) {
    return RecoveredIntoLine(recovery.Recovered, recovery.Total, recovery.TotalIsLeast, recovery.Blocks.size(), target);
}

class CConverter::CImpl {
public:
    explicit CImpl(const COptions& options)
        : Options(options), Feedback(options.Observer), Conversion(&Feedback, LimitsOf(options)) {}

    // Runs one step; a step the observer stops ends the conversion.
    template <class F>
    const CResult& Step(EErrorCode failure, F step) {
        bool ok = false;
        const std::size_t said = Conversion.Result().Report.Messages.size();
        if (!Stopped) {
            try {
                ok = step();
            } catch (const CStopRequested&) {
                Stopped = true;
            }
        }
        Translate();
        if (Stopped) {
            Result.Error = EErrorCode::Interrupted;
            Result.Messages.push_back({Interruption, {}});
        } else if (!ok) {
            Result.Error = FailureOf(Conversion.Result().Report, said, failure);
            for (const CMessage& refusal : Refusals)
                Result.Messages.push_back(refusal);
        } else {
            Result.Error = EErrorCode::None;
        }
        return Result;
    }

    // A file that is there and is not the source is replaced only when the
    // caller says so.
    bool MayReplace(const std::string& target) {
        if (Options.Force || ResolveSaveTarget(target).Kind != ESaveTargetKind::File ||
            (!Source.empty() && SameFile(Source, target)))
            return true;
        CMessage refusal{CannotCreate,
                         {"file: " + target, "cause: the file exists and replacing it was not asked for"}};
        if (Options.Observer != nullptr)
            Options.Observer->Message(refusal);
        Refusals.push_back(std::move(refusal));
        return false;
    }

    const COptions Options;
    CObserverFeedback Feedback;
    CConversion Conversion;
    CResult Result;
    std::string Source;  // the file loaded, when it was one
    // Refusals of the interface's own, said after the conversion's messages.
    std::vector<CMessage> Refusals;
    bool Stopped = false;

private:
    void Translate() {
        const CConversionResult& from = Conversion.Result();
        Result.Unchanged = from.Unchanged;
        Result.KeptAs = from.KeptAs;
        Result.Dropped = from.Dropped;
        Result.SourceVersion = from.Summary.Version;
        Result.GameId = from.Summary.GameId;
        Result.Counts = CountsOf(from.Summary);
        Result.Messages = MessagesOf(from.Report.Messages);
        Result.Changes.clear();
        for (const CChange& change : from.Report.Changes)
            Result.Changes.push_back(
                {ChangeKind(change.Kind).Key, ChangeKind(change.Kind).Text, change.Detail, change.Place, change.Count});
        Result.Losses = LossSummary(from.Report);
        // A recovery that kept nothing has no report: its messages say why.
        Result.Recovery.reset();
        if (from.Recovery && !from.Recovery->Sections.empty())
            Result.Recovery = RecoveryOf(*from.Recovery, from.Report);
    }
};

CConverter::CConverter(const COptions& options) : FImpl(std::make_unique<CImpl>(options)) {}
CConverter::~CConverter() = default;

const CResult& CConverter::Load(const std::string& source) {
    FImpl->Source = source;
    return FImpl->Step(EErrorCode::Damaged, [&] { return FImpl->Conversion.Load(source); });
}

const CResult& CConverter::Load(std::vector<std::uint8_t> source) {
    FImpl->Source.clear();
    return FImpl->Step(EErrorCode::Damaged, [&] { return FImpl->Conversion.Load(std::move(source)); });
}

const CResult& CConverter::Recover(const std::string& source) {
    FImpl->Source = source;
    return FImpl->Step(EErrorCode::Damaged, [&] { return FImpl->Conversion.Recover(source); });
}

const CResult& CConverter::Recover(std::vector<std::uint8_t> source) {
    FImpl->Source.clear();
    return FImpl->Step(EErrorCode::Damaged, [&] { return FImpl->Conversion.Recover(std::move(source)); });
}

const CResult& CConverter::Inspect(const std::string& source) {
    FImpl->Source = source;
    return FImpl->Step(EErrorCode::Damaged, [&] { return FImpl->Conversion.Inspect(source); });
}

const CResult& CConverter::Inspect(std::vector<std::uint8_t> source) {
    FImpl->Source.clear();
    return FImpl->Step(EErrorCode::Damaged, [&] { return FImpl->Conversion.Inspect(std::move(source)); });
}

const CResult& CConverter::Save(const std::string& target) {
    FImpl->Refusals.clear();
    return FImpl->Step(EErrorCode::CannotWrite,
                       [&] { return FImpl->MayReplace(target) && FImpl->Conversion.Save(target); });
}

const CResult& CConverter::Save(std::vector<std::uint8_t>& target) {
    FImpl->Refusals.clear();
    return FImpl->Step(EErrorCode::Internal, [&] { return FImpl->Conversion.Save(target); });
}

const CResult& CConverter::DryRun() {
    FImpl->Refusals.clear();
    return FImpl->Step(EErrorCode::Internal, [&] { return FImpl->Conversion.DryRun(); });
}

const CResult& CConverter::Result() const { return FImpl->Result; }

const CConversion& detail::CAccess::Conversion(const CConverter& converter) { return converter.FImpl->Conversion; }
CConversion& detail::CAccess::Conversion(CConverter& converter) { return converter.FImpl->Conversion; }

CResult ConvertFile(const std::string& source, const std::string& target, const COptions& options) {
    CConverter converter(options);
    if (converter.Load(source).Ok())
        converter.Save(target);
    return converter.Result();
}

CResult ConvertBytes(std::span<const std::uint8_t> source, std::vector<std::uint8_t>& target, const COptions& options) {
    CConverter converter(options);
    if (converter.Load(std::vector<std::uint8_t>(source.begin(), source.end())).Ok())
        converter.Save(target);
    return converter.Result();
}

CResult RecoverFile(const std::string& source, const std::string& target, const COptions& options) {
    // The damaged file stays as it is: refused before it is read.
    if (SameFile(source, target)) {
        CResult refused;
        refused.Error = EErrorCode::CannotWrite;
        refused.Messages.push_back({RecoveryOntoSource, {"file: " + target}});
        if (options.Observer != nullptr)
            options.Observer->Message(refused.Messages.back());
        return refused;
    }
    CConverter converter(options);
    if (converter.Recover(source).Ok())
        converter.Save(target);
    return converter.Result();
}

CResult RecoverBytes(std::span<const std::uint8_t> source, std::vector<std::uint8_t>& target, const COptions& options) {
    CConverter converter(options);
    if (converter.Recover(std::vector<std::uint8_t>(source.begin(), source.end())).Ok())
        converter.Save(target);
    return converter.Result();
}

CResult Check(const std::string& source, const COptions& options) {
    CConverter converter(options);
    if (converter.Load(source).Ok())
        converter.DryRun();
    return converter.Result();
}

CResult Check(std::span<const std::uint8_t> source, const COptions& options) {
    CConverter converter(options);
    if (converter.Load(std::vector<std::uint8_t>(source.begin(), source.end())).Ok())
        converter.DryRun();
    return converter.Result();
}

namespace {

// The inspection of what a converter loaded (or failed to).
CInspection Inspection(const CConverter& converter) {
    const CResult& loaded = converter.Result();
    const CConversion& conversion = detail::CAccess::Conversion(converter);
    const CLoadReport& load = conversion.Result().Load;
    const CProject& project = conversion.Project();
    CInspection out;
    out.Error = loaded.Error;
    out.FileBytes = project.Model.LoadedFileSize;
    out.Version = load.Version;
    out.GameId = load.GameId.value_or(0);
    if (load.Guid)
        out.Guid = GuidText(*load.Guid);
    out.Counts = loaded.Counts;
    out.Messages = loaded.Messages;
    for (const CLoadReport::CSpan& span : load.Sections)
        out.Sections.push_back({span.Name, span.Present, span.Present ? span.Start : 0,
                                span.Present ? span.End - span.Start : 0, span.Version});
    if (!loaded.Ok()) {
        // A file that was read but not accepted says where; one that could
        // not be read, or a load that was stopped, has no place to tell.
        if (!load.Section.empty())
            out.Stopped = CStopPlace{load.Section, load.SectionStart, load.Position, load.Place, load.Failure};
        return out;
    }
    const CLoadReport::CSpan* options = load.Find(ESection::Options);
    if (options != nullptr && options->Version >= OptionsInformationFrom) {
        const CGameOptions& o = project.World.Options;
        out.Author = Windows1252ToUtf8(o.Author);
        out.GameVersion = o.GameVersion;
        out.LastChanged = DateTimeToText(o.LastChanged);
        out.Information = Windows1252ToUtf8(o.Information);
    }
    return out;
}

}  // namespace

CInspection Inspect(const std::string& file, const COptions& options) {
    CConverter converter(options);
    converter.Inspect(file);
    return Inspection(converter);
}

CInspection Inspect(std::span<const std::uint8_t> file, const COptions& options) {
    CConverter converter(options);
    converter.Inspect(std::vector<std::uint8_t>(file.begin(), file.end()));
    return Inspection(converter);
}

}  // namespace transvane
