#include "cli/Batch.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <unistd.h>
#include <utility>

#include "cli/Arguments.h"
#include "project/Batch_Plan.h"
#include "project/Conversion.h"
#include "project/Resource_Main.h"
#include "format/core/Support_File.h"
#include "format/core/Support_Platform.h"
#include "format/core/Support_Prefetch.h"
#include "format/core/Support_Progress.h"
#include "format/core/Support_Report.h"
#include "format/core/Support_SafeSave.h"

namespace transvane {

namespace fs = std::filesystem;

void ShowProblem(const std::string& problem) { std::fprintf(stderr, "transvane-cli: %s\n", OneLine(problem).c_str()); }

void ShowBackups(const std::string& target, const std::string& keptAs, const std::string& dropped) {
    if (!keptAs.empty())
        ShowProblem("the earlier " + target + " was kept as " + keptAs);
    if (!dropped.empty())
        ShowProblem("the earlier " + dropped + " was dropped to make room");
}

namespace {

// How often the progress line of a file converted on another thread is
// brought up to date.
constexpr std::chrono::milliseconds ProgressTick{100};

// As many conversions at once as there are cores, by default, and at most
// MaxJobs however many cores there are.
unsigned DefaultJobs() { return std::min(CoresAvailable(), MaxJobs); }

struct CBatchOptions {
    std::vector<std::string> Sources;
    std::string OutputDir;
    bool Quiet = false;
    bool Force = false;
    bool SkipExisting = false;
    bool Verbose = false;  // list the files a folder's walk passed by
    unsigned Jobs = DefaultJobs();
    CPendingFiles* PendingFiles = nullptr;
    std::chrono::milliseconds ProgressDelay = CBatchFeedback::ProgressDelay;
};

// A --jobs count: a whole number from 1 to MaxJobs.
std::optional<unsigned> ParseJobs(const std::string& text) {
    unsigned jobs = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
    if (error != std::errc() || end != text.data() + text.size() || jobs == 0 || jobs > MaxJobs)
        return std::nullopt;
    return jobs;
}

// The line that sums up what a conversion removed or cleared, and where
// each change is listed; empty when nothing was lost.
std::string LossLine(const std::string& source, const CConversionReport& report) {
    const std::string losses = LossSummary(report);
    return losses.empty() ? losses : losses + " (transvane-cli check " + ShellOperand(source) + " lists them)";
}

// A message's lines, the first one after the file's name when one is given.
std::vector<std::string> FileMessageLines(const std::string& source, const CReportedMessage& message) {
    std::vector<std::string> lines = MessageLines(message);
    if (!source.empty())
        lines.front() = OneLine(source) + ": " + lines.front();
    return lines;
}

// What a batch shows of a file on standard error once it is done: its
// messages, unless they were shown as they came (with quiet, only a
// failure's, held back until then), then what its conversion removed.
std::string FileErrors(const std::string& source, bool converted, const CConversionReport& report, bool quiet,
                       bool shownAsTheyCame) {
    std::string text;
    if (quiet ? !converted : !shownAsTheyCame)
        for (const CReportedMessage& message : report.Messages)
            for (const std::string& line : FileMessageLines(source, message))
                text += line + "\n";
    if (const std::string losses = LossLine(source, report); !quiet && converted && !losses.empty())
        text += OneLine(source) + ": " + OneLine(losses) + "\n";
    return text;
}

// Makes sure the output folder exists, noting in made what it makes; prints
// the problem and returns false when it cannot be used.
bool PrepareOutputDir(const std::string& dir, CMadeFolders& made) {
    std::error_code error;
    if (fs::is_directory(PathOf(dir), error))
        return true;
    if (fs::exists(PathOf(dir), error)) {
        ShowProblem("the output folder " + dir + " exists and is not a folder");
        return false;
    }
    if (const std::error_code failed = made.Make(dir)) {
        error = failed;
        ShowProblem("cannot create the output folder " + dir + ": " + error.message());
        return false;
    }
    return true;
}

// A thread that starts with the interruptions held back: made while they
// are held here, it has them held from its first instruction on, so that
// no interruption reaches it before it could hold them itself.
template <typename Work>
std::jthread HeldThread(Work work) {
    const CInterruptionsHeld held;
    return std::jthread(std::move(work));
}

// Runs work on a thread of its own that holds the interruptions back, and
// waits for it (the thread joins at the end of the statement): the handler
// then runs on this thread, never in the middle of the work, and may wait
// for its saves (CPendingFiles::Stop, Settle).
template <typename Work>
void RunHeld(Work work) {
    HeldThread([&work] { work(); });
}

// Where one file is.  Set by whoever converts it and read by the
// interruption report at any moment: with several jobs a file may be done
// before the files ahead of it have been shown.
enum EFileStage : int { Waiting, Converting, Converted, Unchanged, Skipped, Failed };

struct CFileState {
    std::atomic<int> Stage{Waiting};
    std::atomic<int> Warnings{0};
    std::atomic<bool> AlreadyNew{false};  // it was version 5 already
    // Its backups, written before Stage tells that it converted.
    std::string KeptAs, Dropped;
    // Its lines on standard error (its messages, then the line of what the
    // conversion removed), written before Stage tells that it is done, for
    // the interruption report of a file done and not shown yet.
    std::string Errors;
};

// One file's outcome: how it ended, its header version, and its report
// (its messages with their context are its warnings when it converted).
struct COutcome {
    EFileStage Stage = Failed;
    std::int32_t Version = 0;
    CConversionReport Report;
    std::string KeptAs, Dropped;
};

// Converts the planned file with a project of its own.  Its messages go to
// feedback as they come, when one is given, and into the outcome.
// A conversion on another thread shows nothing as it goes: follower, when
// given, only follows its progress.
COutcome Carry(const std::string& source, const CBatchPlan& plan, CBatchFeedback* feedback,
               const CConversionLimits& limits, CMadeFolders& folders, CFeedback* follower = nullptr) {
    COutcome outcome;
    if (!plan.Skip.empty()) {
        outcome.Stage = Skipped;
        return outcome;
    }
    if (!plan.Refusal.empty()) {
        outcome.Report.AddMessage(plan.Refusal, plan.Context);
        if (feedback != nullptr)
            feedback->ShowMessage(plan.Refusal, plan.Context);
        return outcome;
    }
    CConversion conversion(feedback != nullptr ? feedback : follower, limits);
    std::error_code folderFailed;
    if (conversion.Load(source) && !plan.LoadOnly) {
        // The output's sub-folder, for a file found in a folder; made only
        // once there is something to put in it.  When it cannot be made the
        // save is not tried: it would only find no folder there.
        folderFailed = folders.MakeFor(plan.Output);
        if (!folderFailed)
            conversion.Save(plan.Output);
    }
    CConversionResult result = conversion.TakeResult();
    outcome.Stage = result.Unchanged ? Unchanged : result.Converted && !folderFailed ? Converted : Failed;
    outcome.Version = result.Summary.Version;
    outcome.Report = std::move(result.Report);
    if (folderFailed) {
        const std::vector<std::string> context{"file: " + plan.Output, "cause: cannot create the folder " +
                                                                           NameOf(PathOf(plan.Output).parent_path()) +
                                                                           ": " + folderFailed.message()};
        outcome.Report.AddMessage(CannotCreateFile, context);
        if (feedback != nullptr)
            feedback->ShowMessage(CannotCreateFile, context);
    }
    outcome.KeptAs = std::move(result.KeptAs);
    outcome.Dropped = std::move(result.Dropped);
    return outcome;
}

// How far the running batch is, for the interruption report: written by
// the batch between files, read by a signal handler at any moment.
struct CRunState {
    std::atomic<const std::vector<std::string>*> Sources{nullptr};  // null: no batch runs
    std::atomic<const std::vector<CBatchPlan>*> Plans{nullptr};
    std::atomic<CFileState*> States{nullptr};  // one per source
    std::atomic<std::size_t> Next{0};          // the first source not shown
    std::atomic<bool> AtWork{false};           // Sources[Next - 1] is being converted or shown
    bool Quiet = false;
    bool Verbose = false;
    bool Terminal = false;  // standard error shows a progress line
    // The conversions run on threads that hold the interruptions back and
    // show each file once its save has put it in place (CPendingFiles::Settle).
    std::atomic<bool> Settling{false};
};

CRunState TheRun;

// ---- what the run prints on standard output ---------------------------------
//
// The same lines come at the end of a run and from the interruption
// report, so they are written the way a signal handler may write.

// The number as decimal digits, for a signal handler.
const char* Decimal(int value, char (&buffer)[16]) {
    char* end = buffer + sizeof buffer - 1;
    *end = '\0';
    char* p = end;
    unsigned magnitude = value < 0 ? 0u : static_cast<unsigned>(value);
    do {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0 && p > buffer);
    return p;
}

// The parts as one line's text, control characters in names escaped as
// OneLine does; the line's end is written apart.
void Write(int fd, std::initializer_list<const char*> parts) {
    char line[256];
    std::size_t used = 0;
    const auto flush = [&] {
        line[used] = '\0';
        WriteFromHandler(fd, line);
        used = 0;
    };
    for (const char* part : parts)
        for (const char* c = part; *c != '\0'; ++c) {
            char buffer[5];
            const char* escaped = EscapedControl(*c, buffer);
            const char single[2] = {*c, '\0'};
            for (const char* put = escaped != nullptr ? escaped : single; *put != '\0'; ++put) {
                if (used + 1 == sizeof line)
                    flush();
                line[used++] = *put;
            }
        }
    flush();
}

void WriteSourceLine(const std::string& source, const char* text) {
    Write(STDERR_FILENO, {source.c_str(), ": ", text});
    WriteFromHandler(STDERR_FILENO, "\n");
}

// A file's line once it is done: "SOURCE: converted to OUTPUT (notes)",
// "SOURCE was already version 5; left unchanged", "SOURCE: skipped: why"
// (for a file a folder's walk passed by, only when the run is verbose).
// A failed file's lines are its messages, on standard error.
void WriteFileLine(const std::string& source, const CBatchPlan& plan, const CFileState& state) {
    const int stage = state.Stage.load();
    if (stage == Unchanged) {
        Write(STDOUT_FILENO, {source.c_str(), " was already version 5; left unchanged"});
        WriteFromHandler(STDOUT_FILENO, "\n");
    } else if (stage == Skipped && (!plan.PassedBy || TheRun.Verbose)) {
        Write(STDOUT_FILENO, {source.c_str(), ": skipped: ", plan.Skip.c_str()});
        WriteFromHandler(STDOUT_FILENO, "\n");
    } else if (stage == Converted) {
        Write(STDOUT_FILENO, {source.c_str(), ": converted to ", plan.Output.c_str()});
        const bool alreadyNew = state.AlreadyNew.load();
        const int warnings = state.Warnings.load();
        // The notes, each after ", " but the first after " (".
        const char* separator = " (";
        const auto note = [&](std::initializer_list<const char*> parts) {
            WriteFromHandler(STDOUT_FILENO, separator);
            Write(STDOUT_FILENO, parts);
            separator = ", ";
        };
        char count[16];
        if (alreadyNew)
            note({"already version 5"});
        if (warnings > 0)
            note({Decimal(warnings, count), warnings == 1 ? " warning" : " warnings"});
        if (!state.KeptAs.empty())
            note({"the earlier one kept as ", state.KeptAs.c_str()});
        if (!state.Dropped.empty())
            note({state.Dropped.c_str(), " dropped to make room"});
        WriteFromHandler(STDOUT_FILENO, separator[0] == ',' ? ")\n" : "\n");
    }
}

// Every file of the run counted once.
struct CTally {
    int Converted = 0, WithWarnings = 0, Unchanged = 0, Skipped = 0, Failed = 0, Interrupted = 0, NotStarted = 0;

    void Count(int stage, const CFileState& state) {
        switch (stage) {
        case EFileStage::Converted:
            ++Converted;
            WithWarnings += state.Warnings.load() > 0 ? 1 : 0;
            break;
        case EFileStage::Unchanged: ++Unchanged; break;
        case EFileStage::Skipped: ++Skipped; break;
        case EFileStage::Failed: ++Failed; break;
        case EFileStage::Converting: ++Interrupted; break;
        default: ++NotStarted; break;
        }
    }
};

// "12 converted (3 with warnings), 2 unchanged, 4 skipped, 1 failed,
// 2 interrupted, 20 not started", the counts that are not zero, then the
// failed files by name, one a line.
void WriteSummary(const CTally& tally, const std::vector<std::string>& sources, const CFileState* states) {
    struct CCount {
        int Count;
        const char* Words;
        int WithWarnings;
    };
    const CCount counts[] = {
        {tally.Converted, " converted", tally.WithWarnings},
        {tally.Unchanged, " unchanged", 0},
        {tally.Skipped, " skipped", 0},
        {tally.Failed, " failed", 0},
        {tally.Interrupted, " interrupted", 0},
        {tally.NotStarted, " not started", 0},
    };
    const char* separator = "";
    for (const CCount& count : counts) {
        if (count.Count == 0)
            continue;
        char digits[16];
        Write(STDOUT_FILENO, {separator, Decimal(count.Count, digits), count.Words});
        if (count.WithWarnings > 0)
            Write(STDOUT_FILENO, {" (", Decimal(count.WithWarnings, digits), " with warnings)"});
        separator = ", ";
    }
    WriteFromHandler(STDOUT_FILENO, *separator == '\0' ? "0 converted\n" : "\n");
    for (std::size_t i = 0; i < sources.size(); ++i)
        if (states[i].Stage.load() == Failed) {
            Write(STDOUT_FILENO, {"  ", sources[i].c_str()});
            WriteFromHandler(STDOUT_FILENO, "\n");
        }
}

// ---- the run ----------------------------------------------------------------

class CBatch {
public:
    // The folders the run makes are noted in made, which the output
    // folder itself may already be in.
    CBatch(CBatchOptions options, CMadeFolders& made)
        : FOptions(std::move(options)),
          FFeedback(FOptions.Quiet, IsTerminal(STDERR_FILENO), stderr, FOptions.ProgressDelay),
          FMadeFolders(made),
          FPlans(PlanBatch(FOptions.Sources, {FOptions.OutputDir, FOptions.Force, FOptions.SkipExisting})) {
        FLimits.PendingFiles = FOptions.PendingFiles;
        for (const CBatchPlan& plan : FPlans)
            FSources.push_back(plan.Source);
    }

    int Run() {
        TheRun.Quiet = FOptions.Quiet;
        TheRun.Verbose = FOptions.Verbose;
        TheRun.Terminal = IsTerminal(STDERR_FILENO);
        const std::vector<CBatchPlan>& plans = FPlans;
        const auto states = std::make_unique<CFileState[]>(plans.size());
        TheRun.Plans.store(&plans);
        TheRun.States.store(states.get());
        TheRun.Sources.store(&FSources);  // last: the interruption report reads the others once it is set
        const std::size_t jobs = std::min<std::size_t>(FOptions.Jobs, plans.size());
        if (jobs <= 1)
            RunInTurn(plans);
        else
            RunAtOnce(plans, jobs);
        FMadeFolders.RemoveEmpty();
        CInterruptionsHeld held;
        TheRun.Sources.store(nullptr);
        TheRun.Plans.store(nullptr);
        TheRun.States.store(nullptr);
        CTally tally;
        for (std::size_t i = 0; i < plans.size(); ++i)
            tally.Count(states[i].Stage.load(), states[i]);
        std::fflush(stdout);
        if (!FOptions.Quiet)
            WriteSummary(tally, FSources, states.get());
        return tally.Failed == 0 ? 0 : 1;
    }

private:
    // One file after the other, its messages and progress shown as they come.
    void RunInTurn(const std::vector<CBatchPlan>& plans) {
        for (std::size_t i = 0; i < plans.size(); ++i) {
            FFeedback.Begin(FSources[i]);
            StartedShowing(i);
            COutcome outcome;
            RunHeld([&] { outcome = CarryNoted(i, plans[i], &FFeedback); });
            Report(i, plans[i], outcome);
        }
    }

    // Several files at once, each with its own project; each file's lines
    // are shown together, in the order of the sources, with the context
    // they were shown with, as soon as it and every file before it are
    // done.  Meanwhile the progress line follows the file whose lines come
    // next.
    void RunAtOnce(const std::vector<CBatchPlan>& plans, std::size_t jobs) {
        std::vector<std::optional<COutcome>> outcomes(plans.size());
        std::vector<CProgressProbe> probes(plans.size());
        std::mutex lock;
        std::condition_variable finished;
        std::atomic<std::size_t> next{0};
        const auto work = [&] {
            for (std::size_t i = next++; i < plans.size(); i = next++) {
                COutcome outcome = CarryNoted(i, plans[i], nullptr, &probes[i]);
                const std::lock_guard<std::mutex> guard(lock);
                outcomes[i] = std::move(outcome);
                finished.notify_one();
            }
        };
        // The jobs share the cores: a conversion compresses its blocks on
        // its own unless cores are left over.
        const unsigned cores = CoresAvailable();
        FLimits.HelperThreads = cores > jobs ? (cores - static_cast<unsigned>(jobs)) / static_cast<unsigned>(jobs) : 0;
        std::vector<std::jthread> workers;
        for (std::size_t j = 0; j < jobs; ++j)
            // Interruptions reach the main thread only: there the lines of
            // a file and the end of its work are shown in held sections, and
            // a worker's unsplit step never waits for the handler it runs.
            workers.push_back(HeldThread(work));
        for (std::size_t i = 0; i < plans.size(); ++i) {
            StartedShowing(i);
            FFeedback.Begin(FSources[i]);
            COutcome outcome;
            {
                std::unique_lock<std::mutex> guard(lock);
                while (!finished.wait_for(guard, ProgressTick, [&] { return outcomes[i].has_value(); }))
                    FFeedback.ShowProgress(probes[i].State());
                outcome = std::move(*outcomes[i]);
            }
            // The file's messages, its lines and the end of its work go
            // together: an interruption sees all or none of them.
            const CInterruptionsHeld held;
            FFeedback.ShowProgress({});
            for (const CReportedMessage& message : outcome.Report.Messages)
                FFeedback.ShowMessage(message.Text, message.Context);
            Report(i, plans[i], outcome);
        }
    }

    // Carries file i, its stage kept up to date for the interruption
    // report.
    COutcome CarryNoted(std::size_t i, const CBatchPlan& plan, CBatchFeedback* feedback,
                        CFeedback* follower = nullptr) {
        CFileState& state = TheRun.States.load()[i];
        state.Stage.store(Converting);
        COutcome outcome = Carry(FSources[i], Settled(plan), feedback, FLimits, FMadeFolders, follower);
        // A failure once the handler stopped the saves is the interruption's
        // doing: the file stays at work, as the handler reports it.
        if (outcome.Stage == Failed && FOptions.PendingFiles != nullptr && FOptions.PendingFiles->Stopped())
            return outcome;
        state.Warnings.store(static_cast<int>(outcome.Report.Messages.size()));
        state.AlreadyNew.store(outcome.Version == NewestGameVersion);
        state.KeptAs = outcome.KeptAs;
        state.Dropped = outcome.Dropped;
        state.Errors =
            FileErrors(FSources[i], outcome.Stage != Failed, outcome.Report, FOptions.Quiet, feedback != nullptr);
        {
            const std::lock_guard<std::mutex> guard(FSettleLock);
            state.Stage.store(outcome.Stage);
        }
        if (outcome.Stage == Converted && FOptions.PendingFiles != nullptr)
            FOptions.PendingFiles->Settle();
        FSettle.notify_all();
        return outcome;
    }

    // The plan of a file that yields its output to earlier files, once they
    // are done: refused, naming the one that wrote the output, or as
    // planned when none did.  They came earlier, so they are at work or
    // done and never wait for this one.
    CBatchPlan Settled(const CBatchPlan& plan) {
        if (plan.Yields.empty())
            return plan;
        const CFileState* states = TheRun.States.load();
        std::unique_lock<std::mutex> guard(FSettleLock);
        FSettle.wait(guard, [&] {
            return std::all_of(plan.Yields.begin(), plan.Yields.end(), [&](std::size_t earlier) {
                const int stage = states[earlier].Stage.load();
                return stage != Waiting && stage != Converting;
            });
        });
        CBatchPlan settled = plan;
        settled.Refusal.clear();
        for (const std::size_t earlier : plan.Yields)
            if (const int stage = states[earlier].Stage.load(); stage == Converted || stage == Unchanged)
                settled.Refusal = OutputTaken(plan.Output, FSources[earlier]);
        return settled;
    }

    // The file whose lines come next is at work, for the interruption
    // report (with several jobs, later files may be at work too).
    static void StartedShowing(std::size_t index) {
        CInterruptionsHeld held;
        TheRun.Next.store(index + 1);
        TheRun.AtWork.store(true);
    }

    void Report(std::size_t i, const CBatchPlan& plan, const COutcome& outcome) {
        // The file's lines and the end of its work go together: an
        // interruption sees both or neither.
        CInterruptionsHeld held;
        FFeedback.Finish(outcome.Stage != Failed);
        // Beside the file's messages, on standard error, whatever the
        // number of jobs: the lines of a file come in source order.
        if (const std::string losses = LossLine(FSources[i], outcome.Report);
            !FOptions.Quiet && outcome.Stage == Converted && !losses.empty())
            std::fprintf(stderr, "%s: %s\n", OneLine(FSources[i]).c_str(), OneLine(losses).c_str());
        if (!FOptions.Quiet)
            WriteFileLine(FSources[i], plan, TheRun.States.load()[i]);
        TheRun.AtWork.store(false);
    }

    CBatchOptions FOptions;
    CConversionLimits FLimits;
    CBatchFeedback FFeedback;
    CMadeFolders& FMadeFolders;
    // A file's stage set final under the lock, for the files that wait
    // for it (Settled).
    std::mutex FSettleLock;
    std::condition_variable FSettle;
    const std::vector<CBatchPlan> FPlans;
    std::vector<std::string> FSources;  // the run's files, as shown
};

}  // namespace

bool NamesAFolder(const std::string& name) { return DirectoryExists(name) || !PathOf(name).has_filename(); }

CMadeFolders::~CMadeFolders() {
    for (const CMade& made : FMade)
        CPendingFiles::Disarm(made.Entry);
}

std::error_code CMadeFolders::MakeFor(const std::string& file) { return Make(NameOf(PathOf(file).parent_path())); }

std::error_code CMadeFolders::Make(const std::string& folder) {
    const std::vector<std::string> missing = MissingFolders(folder);
    // Noted before they exist and made in one step, so that an interruption
    // finds them, and none is made once it cleaned up; a note that cannot
    // be made leaves the folder to the run's end.
    std::vector<CMade> made;
    std::error_code error;
    {
        const CUnsplitStep step(FPending);
        if (!step.Begun())
            return std::make_error_code(std::errc::interrupted);
        for (const std::string& name : missing)
            made.push_back({name, FPending != nullptr ? FPending->ArmFolder(name) : nullptr});
        fs::create_directories(PathOf(folder), error);
    }
    const std::lock_guard<std::mutex> guard(FLock);
    FMade.insert(FMade.end(), made.begin(), made.end());
    return error;
}

void CMadeFolders::RemoveEmpty() {
    const std::lock_guard<std::mutex> guard(FLock);
    std::sort(FMade.begin(), FMade.end(), [](const CMade& a, const CMade& b) { return a.Name.size() > b.Name.size(); });
    for (const CMade& made : FMade) {
        std::error_code error;
        const fs::path path = PathOf(made.Name);
        if (fs::is_directory(fs::symlink_status(path, error)) && fs::is_empty(path, error) && !error)
            fs::remove(path, error);
        CPendingFiles::Disarm(made.Entry);
    }
    FMade.clear();
}

CBatchFeedback::CBatchFeedback(bool quiet, bool progressLine, std::FILE* out, std::chrono::milliseconds delay)
    : FQuiet(quiet), FProgressLine(progressLine), FOut(out), FDelay(delay) {}

void CBatchFeedback::Begin(const std::string& source) {
    FSource = source;
    FStarted = std::chrono::steady_clock::now();
    FHeld.clear();
    FProgress.End();
}

void CBatchFeedback::Finish(bool converted) {
    EraseProgress();
    if (!converted)
        for (const std::vector<std::string>& lines : FHeld)
            PrintLines(lines);
    FHeld.clear();
}

void CFeedbackObserver::Message(const transvane::CMessage& message) {
    if (FMessages != nullptr)
        FMessages->ShowMessage(message.Text, message.Context);
}

void CFeedbackObserver::Progress(const transvane::CProgress& progress) {
    if (FProgress == nullptr)
        return;
    if (progress.Stage.empty()) {
        if (!FLast.Stage.empty())
            FProgress->ProgressEnd();
    } else if (progress.Stage != FLast.Stage) {
        FProgress->ProgressStart(progress.Stage);
    } else if (progress.Percent != FLast.Percent) {
        FProgress->ProgressSet(progress.Percent);
    }
    if (!progress.Section.empty() && (progress.Done != FLast.Done || progress.Section != FLast.Section))
        FProgress->ProgressBytes(progress.Section, progress.Done, progress.Total);
    FLast = progress;
}

void CBatchFeedback::ShowMessage(const std::string& text, const std::vector<std::string>& context) {
    std::vector<std::string> lines = FileMessageLines(FSource, {text, context});
    if (FQuiet) {
        FHeld.push_back(std::move(lines));
        return;
    }
    EraseProgress();
    PrintLines(lines);
    DrawProgress();
}

void CProgressState::Set(int percent) {
    // The bar's fixed steps say little once the bytes are measured.
    if (Section.empty())
        Percent = percent;
}

void CProgressState::Bytes(std::string_view section, std::uint64_t done, std::uint64_t total) {
    Section = section;
    Percent = total == 0 ? 0 : static_cast<int>(static_cast<double>(done) * 100.0 / static_cast<double>(total));
}

std::string CProgressState::Text() const {
    return Stage + " " + std::to_string(Percent) + "%" + (Section.empty() ? "" : " (" + Section + ")");
}

CProgressState CProgressProbe::State() const {
    const std::lock_guard<std::mutex> guard(FLock);
    return FState;
}

void CProgressProbe::ProgressStart(const std::string& text) {
    const std::lock_guard<std::mutex> guard(FLock);
    FState.Start(text);
}

void CProgressProbe::ProgressSet(int percent) {
    const std::lock_guard<std::mutex> guard(FLock);
    FState.Set(percent);
}

void CProgressProbe::ProgressEnd() {
    const std::lock_guard<std::mutex> guard(FLock);
    FState.End();
}

void CProgressProbe::ProgressBytes(std::string_view section, std::uint64_t done, std::uint64_t total) {
    const std::lock_guard<std::mutex> guard(FLock);
    FState.Bytes(section, done, total);
}

void CProgressOnly::ProgressStart(const std::string& text) {
    if (FNext != nullptr)
        FNext->ProgressStart(text);
}

void CProgressOnly::ProgressSet(int percent) {
    if (FNext != nullptr)
        FNext->ProgressSet(percent);
}

void CProgressOnly::ProgressEnd() {
    if (FNext != nullptr)
        FNext->ProgressEnd();
}

void CProgressOnly::ProgressBytes(std::string_view section, std::uint64_t done, std::uint64_t total) {
    if (FNext != nullptr)
        FNext->ProgressBytes(section, done, total);
}

void CBatchFeedback::ProgressStart(const std::string& text) {
    FProgress.Start(text);
    DrawProgress();
}

void CBatchFeedback::ProgressSet(int percent) {
    FProgress.Set(percent);
    DrawProgress();
}

void CBatchFeedback::ProgressBytes(std::string_view section, std::uint64_t done, std::uint64_t total) {
    FProgress.Bytes(section, done, total);
    DrawProgress();
}

void CBatchFeedback::ProgressEnd() {
    EraseProgress();
    FProgress.End();
}

void CBatchFeedback::ShowProgress(const CProgressState& state) {
    FProgress = state;
    if (FProgress.Stage.empty())
        EraseProgress();
    else
        DrawProgress();
}

void CBatchFeedback::PrintLines(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        std::fwrite(line.data(), 1, line.size(), FOut);
        std::fputc('\n', FOut);
    }
    std::fflush(FOut);
}

void CBatchFeedback::DrawProgress() {
    if (!FProgressLine || FQuiet || FProgress.Stage.empty() || std::chrono::steady_clock::now() - FStarted < FDelay)
        return;
    std::string line = (FSource.empty() ? "" : OneLine(FSource) + ": ") + FProgress.Text();
    // A line wider than the terminal would wrap, and the carriage return
    // could then no longer take it back.  Cut it, but not inside a UTF-8
    // character.
    const unsigned columns = TerminalColumns(::fileno(FOut));
    if (columns > 1 && line.size() >= columns) {
        line.resize(columns - 1u);
        while (!line.empty() && (static_cast<unsigned char>(line.back()) & 0xC0) == 0x80)
            line.pop_back();
        if (!line.empty() && static_cast<unsigned char>(line.back()) >= 0xC0)
            line.pop_back();
    }
    if (line == FShown)
        return;  // the terminal shows it already
    EraseProgress();
    std::fputc('\r', FOut);
    std::fwrite(line.data(), 1, line.size(), FOut);
    std::fflush(FOut);
    FShown = std::move(line);
}

void CBatchFeedback::EraseProgress() {
    if (FShown.empty())
        return;
    std::fprintf(FOut, "\r%*s\r", static_cast<int>(FShown.size()), "");
    std::fflush(FOut);
    FShown.clear();
}

namespace {

// The single form: SOURCE to TARGET, messages without a prefix.
int ConvertOne(const std::string& source, const std::string& target, const CBatchOptions& options) {
    const bool quiet = options.Quiet;
    // Refused before the load, which may take a while for a large project.
    // The window asks before it replaces a file; this tool cannot ask.
    if (!options.Force && ResolveSaveTarget(target).Kind == ESaveTargetKind::File && !SameFile(source, target)) {
        ShowProblem(target + " already exists; use --force to replace it, or --skip-existing to leave it");
        return 1;
    }
    bool ok = false;
    // An interruption once the new file is in place waits for these lines:
    // where the earlier file went is said whenever it went.
    RunHeld([&] {
        CBatchFeedback feedback(quiet, IsTerminal(STDERR_FILENO), stderr, options.ProgressDelay);
        feedback.Begin("");
        CConversionLimits limits;
        limits.PendingFiles = options.PendingFiles;
        CConversion conversion(&feedback, limits);
        if (conversion.Load(source))
            conversion.Save(target);
        const CConversionResult result = conversion.TakeResult();
        ok = result.Converted;
        feedback.Finish(ok);
        if (ok && !quiet) {
            if (const std::string losses = LossLine(source, result.Report); !losses.empty())
                ShowProblem(losses);
            if (result.Unchanged)
                ShowProblem(source + " was already version 5; left unchanged");
            else if (result.Summary.Version == NewestGameVersion)
                ShowProblem(source + " was already version 5");
            ShowBackups(target, result.KeptAs, result.Dropped);
            if (const std::size_t warnings = result.Report.Messages.size(); warnings > 0)
                ShowProblem("converted with " + std::to_string(warnings) + (warnings == 1 ? " warning" : " warnings"));
        }
        std::fflush(stderr);
        if (ok && !result.Unchanged && options.PendingFiles != nullptr)
            options.PendingFiles->Settle();
    });
    return ok ? 0 : 1;
}

}  // namespace

void AwaitFilesShown(const CPendingFiles& pending) {
    if (!TheRun.Settling.load())
        return;
    // Bounded: a save that put its file in place and was never shown
    // (a fault) must not keep the program from ending.
    for (int waited = 0; waited < 5000 && pending.Placed() > 0; ++waited)
        PauseBriefly();
}

int RunConvert(const CArguments& arguments, CPendingFiles* pending) {
    TheRun.Settling.store(pending != nullptr);
    CBatchOptions options{arguments.Operands, arguments.Value("output-dir"), arguments.Has("quiet"),
                          arguments.Has("force"), arguments.Has("skip-existing")};
    options.ProgressDelay = arguments.ProgressDelay;
    options.Verbose = arguments.Has("verbose");
    if (options.Force && options.SkipExisting)
        return UsageError("--skip-existing and --force cannot be used together");
    options.PendingFiles = pending;
    if (arguments.Has("jobs")) {
        const std::optional<unsigned> jobs = ParseJobs(arguments.Value("jobs"));
        if (!jobs)
            return UsageError("--jobs needs a whole number from 1 to " + std::to_string(MaxJobs) + ", not " +
                              arguments.Value("jobs"));
        options.Jobs = *jobs;
    }
    for (const std::string& name : options.Sources)
        if (name == "-")
            return UsageError(
                "convert cannot use \"-\": the new file needs a real source file and is "
                "written beside its target's backup");
    if (!arguments.Has("output-dir")) {
        if (options.Sources.size() != 2)
            return UsageError(options.Sources.size() == 1 ? "converting one file needs a TARGET or --output-dir DIR"
                                                          : "converting several files needs --output-dir DIR");
        const std::string& source = options.Sources[0];
        const std::string& target = options.Sources[1];
        if (target.empty())
            return UsageError("TARGET cannot be an empty name");
        // Said before the file is read, not after it was converted in vain.
        if (NamesAFolder(target))
            return UsageError("TARGET " + target + " is a folder; to convert into it, use --output-dir " +
                              ShellOperand(target));
        if (options.SkipExisting && ResolveSaveTarget(target).Kind == ESaveTargetKind::File &&
            !SameFile(source, target)) {
            if (!options.Quiet)
                ShowProblem("skipped: " + target + " already exists");
            return 0;
        }
        return ConvertOne(source, target, options);
    }
    // The output folder the run makes is removed with the sub-folders when
    // nothing was written in it: a run that converted nothing leaves no
    // trace.
    CMadeFolders made(pending);
    // Not a usage error: the command was right, the disk said no.
    if (!PrepareOutputDir(options.OutputDir, made)) {
        made.RemoveEmpty();
        return 1;
    }
    return CBatch(std::move(options), made).Run();
}

bool ReportBatchInterrupted() {
    const std::vector<std::string>* sources = TheRun.Sources.load();
    if (sources == nullptr)
        return false;
    if (TheRun.Terminal)
        WriteFromHandler(STDERR_FILENO, "\r\033[K");  // the progress line, or the ^C the terminal echoed
    const std::size_t next = TheRun.Next.load();
    const bool atWork = TheRun.AtWork.load();
    const std::vector<CBatchPlan>& plans = *TheRun.Plans.load();
    const CFileState* states = TheRun.States.load();
    // Every file not shown yet, as it stands: a file done at the same time
    // as those before it is shown as what it is.
    const std::size_t unshown = atWork && next > 0 ? next - 1 : next;
    CTally tally;
    for (std::size_t index = 0; index < sources->size(); ++index) {
        int stage = states[index].Stage.load();
        if (index >= unshown) {
            if (stage == Waiting && atWork && index + 1 == next)
                stage = Converting;  // about to start
            if (stage == Waiting) {
                WriteSourceLine((*sources)[index], "Not converted: the conversion was interrupted.");
            } else if (stage == Converting) {
                WriteSourceLine((*sources)[index], "Conversion interrupted.");
            } else {
                // Done on another thread, not shown yet: shown as the run
                // would have, its messages first.
                WriteFromHandler(STDERR_FILENO, states[index].Errors.c_str());
                if (!TheRun.Quiet)
                    WriteFileLine((*sources)[index], plans[index], states[index]);
            }
        }
        tally.Count(stage, states[index]);
    }
    if (!TheRun.Quiet)
        WriteSummary(tally, *sources, states);
    return true;
}

}  // namespace transvane
