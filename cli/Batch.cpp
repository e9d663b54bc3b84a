#include "cli/Batch.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "cli/Arguments.h"
#include "project/Conversion.h"
#include "project/Resource_Main.h"
#include "format/core/Support_File.h"
#include "format/core/Support_Prefetch.h"
#include "format/core/Support_Progress.h"
#include "format/core/Support_Report.h"
#include "format/core/Support_SafeSave.h"

namespace fs = std::filesystem;

namespace {

// As many conversions at once as there are cores, by default.
unsigned DefaultJobs() { return CoresAvailable(); }

struct CBatchOptions {
    std::vector<std::string> Sources;
    std::string OutputDir;
    bool Quiet = false;
    bool Force = false;
    unsigned Jobs = DefaultJobs();
};

// A --jobs count: a whole number from 1 up.
std::optional<unsigned> ParseJobs(const std::string& text) {
    unsigned jobs = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
    if (error != std::errc() || end != text.data() + text.size() || jobs == 0)
        return std::nullopt;
    return jobs;
}

void ShowProblem(const std::string& problem) {
    std::fprintf(stderr, "transvane-cli: %s\n", problem.c_str());
}

// What follows a converted file's name: "already version 5", "2 warnings".
std::string ConversionNotes(std::int32_t version, std::size_t warnings) {
    std::string notes;
    if (version == NewestGameVersion)
        notes = "already version 5";
    if (warnings > 0)
        notes += (notes.empty() ? "" : ", ") + std::to_string(warnings) + (warnings == 1 ? " warning" : " warnings");
    return notes;
}

// The line that sums up what a conversion removed or cleared, and where
// each change is listed; empty when nothing was lost.
std::string LossLine(const std::string& source, const CConversionReport& report) {
    const std::string losses = LossSummary(report);
    return losses.empty() ? losses : losses + " (transvane-cli check " + ShellWord(source) + " lists them)";
}

// Makes sure the output folder exists; prints the problem and returns false
// when it cannot be used.
bool PrepareOutputDir(const std::string& dir) {
    std::error_code error;
    if (fs::is_directory(dir, error))
        return true;
    if (fs::exists(dir, error)) {
        ShowProblem("the output folder " + dir + " exists and is not a folder");
        return false;
    }
    fs::create_directories(dir, error);
    if (error) {
        ShowProblem("cannot create the output folder " + dir + ": " + error.message());
        return false;
    }
    return true;
}

// Identity of an existing file, so that different names of one file (a
// symbolic or hard link, "./a" and "a") compare equal.
using CFileId = std::pair<dev_t, ino_t>;

std::optional<CFileId> FileId(const std::string& name) {
    struct stat info {};
    if (::stat(name.c_str(), &info) != 0)
        return std::nullopt;
    return CFileId{info.st_dev, info.st_ino};
}

// What the run does with one source, decided before any file is converted:
// the clash checks look at the whole run in source order, whatever order
// the conversions then finish in.
struct CPlan {
    std::string Output;                // empty: nothing to convert
    std::vector<std::string> Refusal;  // why not, when refused
    bool LoadOnly = false;             // a folder name: only the load speaks
};

// One source's outcome: whether it converted, its header version, and its
// report (its messages with their context are its warnings when it
// converted).
struct COutcome {
    bool Converted = false;
    std::int32_t Version = 0;
    CConversionReport Report;
};

// Converts the planned source with a project of its own.  Its messages go
// to feedback as they come, when one is given, and into the outcome.
COutcome Carry(const std::string& source, const CPlan& plan, CFeedback* feedback, const CConversionLimits& limits) {
    COutcome outcome;
    if (!plan.Refusal.empty()) {
        for (const std::string& message : plan.Refusal) {
            outcome.Report.AddMessage(message, {});
            if (feedback != nullptr)
                feedback->ShowMessage(message);
        }
        return outcome;
    }
    CConversion conversion(feedback, limits);
    if (conversion.Load(source) && !plan.LoadOnly)
        conversion.Save(plan.Output);
    CConversionResult result = conversion.TakeResult();
    outcome.Converted = result.Converted;
    outcome.Version = result.Summary.Version;
    outcome.Report = std::move(result.Report);
    return outcome;
}

// Where one source is, for the interruption report: set by whoever converts
// it.  With several jobs a file may be done before the files ahead of it
// have been shown.
enum ESourceStage : int { Waiting, Converting, ConvertedUnshown, FailedUnshown };

struct CSourceState {
    std::atomic<int> Stage{Waiting};
    std::atomic<int> Warnings{0};
    std::atomic<bool> AlreadyNew{false};  // it was version 5 already
};

// How far the running batch is, for the interruption report: written by
// the batch between files, read by a signal handler at any moment.
struct CRunState {
    std::atomic<const std::vector<std::string>*> Sources{nullptr};  // null: no batch runs
    std::atomic<const std::vector<CPlan>*> Plans{nullptr};
    std::atomic<CSourceState*> States{nullptr};  // one per source
    std::atomic<std::size_t> Next{0};     // the first source not shown
    std::atomic<bool> AtWork{false};      // Sources[Next - 1] is being converted or shown
    std::atomic<int> Converted{0};
    std::atomic<int> WithWarnings{0};     // of the converted ones
    std::atomic<int> Failed{0};
    bool Quiet = false;
    bool Terminal = false;  // standard error shows a progress line
};

CRunState TheRun;

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

void WriteSourceLine(const std::string& source, const char* text) {
    WriteFromHandler(STDERR_FILENO, source.c_str());
    WriteFromHandler(STDERR_FILENO, ": ");
    WriteFromHandler(STDERR_FILENO, text);
    WriteFromHandler(STDERR_FILENO, "\n");
}

// "SOURCE: converted to OUTPUT (notes)" on standard output, as the batch
// prints it (ConversionNotes), for a signal handler.
void WriteConvertedLine(const std::string& source, const std::string& output, bool alreadyNew, int warnings) {
    WriteFromHandler(STDOUT_FILENO, source.c_str());
    WriteFromHandler(STDOUT_FILENO, ": converted to ");
    WriteFromHandler(STDOUT_FILENO, output.c_str());
    if (alreadyNew || warnings > 0) {
        char count[16];
        WriteFromHandler(STDOUT_FILENO, " (");
        if (alreadyNew)
            WriteFromHandler(STDOUT_FILENO, warnings > 0 ? "already version 5, " : "already version 5");
        if (warnings > 0) {
            WriteFromHandler(STDOUT_FILENO, Decimal(warnings, count));
            WriteFromHandler(STDOUT_FILENO, warnings == 1 ? " warning" : " warnings");
        }
        WriteFromHandler(STDOUT_FILENO, ")");
    }
    WriteFromHandler(STDOUT_FILENO, "\n");
}

class CBatch {
public:
    explicit CBatch(CBatchOptions options)
        : FOptions(std::move(options)),
          FFeedback(FOptions.Quiet, ::isatty(STDERR_FILENO) == 1) {
        // The sources as they are before anything is written, so that no
        // output or backup of this run can replace one of them.
        for (const std::string& source : FOptions.Sources)
            if (const auto id = FileId(source))
                FSourceIds.emplace(*id, source);
    }

    int Run() {
        TheRun.Quiet = FOptions.Quiet;
        TheRun.Terminal = ::isatty(STDERR_FILENO) == 1;
        TheRun.Sources.store(&FOptions.Sources);
        std::vector<CPlan> plans;
        for (const std::string& source : FOptions.Sources)
            plans.push_back(Plan(source));
        const auto states = std::make_unique<CSourceState[]>(plans.size());
        TheRun.Plans.store(&plans);
        TheRun.States.store(states.get());
        const std::size_t jobs = std::min<std::size_t>(FOptions.Jobs, plans.size());
        if (jobs <= 1)
            RunInTurn(plans);
        else
            RunAtOnce(plans, jobs);
        CInterruptionsHeld held;
        TheRun.Sources.store(nullptr);
        TheRun.Plans.store(nullptr);
        TheRun.States.store(nullptr);
        const int converted = TheRun.Converted.load();
        const int withWarnings = TheRun.WithWarnings.load();
        const int failed = TheRun.Failed.load();
        if (!FOptions.Quiet) {
            if (withWarnings > 0)
                std::printf("%d converted (%d with warnings), %d failed\n", converted, withWarnings, failed);
            else
                std::printf("%d converted, %d failed\n", converted, failed);
        }
        std::fflush(stdout);
        return failed == 0 ? 0 : 1;
    }

private:
    // One file after the other, its messages and progress shown as they come.
    void RunInTurn(const std::vector<CPlan>& plans) {
        for (std::size_t i = 0; i < plans.size(); ++i) {
            const std::string& source = FOptions.Sources[i];
            FFeedback.Begin(source);
            StartedShowing(i);
            Report(source, plans[i], CarryNoted(i, plans[i], &FFeedback));
        }
    }

    // Several files at once, each with its own project; each file's lines
    // are shown together, in the order of the sources, with the context
    // they were shown with, as soon as it and every file before it are
    // done.  No progress line: several files are at work at any moment.
    void RunAtOnce(const std::vector<CPlan>& plans, std::size_t jobs) {
        std::vector<std::optional<COutcome>> outcomes(plans.size());
        std::mutex lock;
        std::condition_variable finished;
        std::atomic<std::size_t> next{0};
        const auto work = [&] {
            for (std::size_t i = next++; i < plans.size(); i = next++) {
                COutcome outcome = CarryNoted(i, plans[i], nullptr);
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
            workers.emplace_back(work);
        for (std::size_t i = 0; i < plans.size(); ++i) {
            StartedShowing(i);
            COutcome outcome;
            {
                std::unique_lock<std::mutex> guard(lock);
                finished.wait(guard, [&] { return outcomes[i].has_value(); });
                outcome = std::move(*outcomes[i]);
            }
            const std::string& source = FOptions.Sources[i];
            FFeedback.Begin(source);
            for (const CReportedMessage& message : outcome.Report.Messages)
                FFeedback.ShowMessage(message.Text, message.Context);
            Report(source, plans[i], outcome);
        }
    }

    // Carries source i, its stage kept up to date for the interruption
    // report.
    COutcome CarryNoted(std::size_t i, const CPlan& plan, CFeedback* feedback) {
        CSourceState& state = TheRun.States.load()[i];
        state.Stage.store(Converting);
        COutcome outcome = Carry(FOptions.Sources[i], plan, feedback, FLimits);
        state.Warnings.store(static_cast<int>(outcome.Report.Messages.size()));
        state.AlreadyNew.store(outcome.Version == NewestGameVersion);
        state.Stage.store(outcome.Converted ? ConvertedUnshown : FailedUnshown);
        return outcome;
    }

    // The file whose lines come next is at work, for the interruption
    // report (with several jobs, later files may be at work too).
    static void StartedShowing(std::size_t index) {
        CInterruptionsHeld held;
        TheRun.Next.store(index + 1);
        TheRun.AtWork.store(true);
    }

    void Report(const std::string& source, const CPlan& plan, const COutcome& outcome) {
        // The file's lines, its count and the end of its work go together:
        // an interruption sees all of them or none.
        CInterruptionsHeld held;
        FFeedback.Finish(outcome.Converted);
        if (outcome.Converted) {
            TheRun.Converted.fetch_add(1);
            TheRun.WithWarnings.fetch_add(outcome.Report.Messages.empty() ? 0 : 1);
            const std::string notes = ConversionNotes(outcome.Version, outcome.Report.Messages.size());
            // Beside the file's messages, on standard error, whatever the
            // number of jobs: the lines of a file come in source order.
            if (const std::string losses = LossLine(source, outcome.Report); !FOptions.Quiet && !losses.empty())
                std::fprintf(stderr, "%s: %s\n", source.c_str(), losses.c_str());
            if (!FOptions.Quiet)
                std::printf("%s: converted to %s%s\n", source.c_str(), plan.Output.c_str(),
                            notes.empty() ? "" : (" (" + notes + ")").c_str());
        } else {
            TheRun.Failed.fetch_add(1);
        }
        std::fflush(stdout);
        TheRun.AtWork.store(false);
    }

    // Decides what to do with one source, in source order.
    CPlan Plan(const std::string& source) {
        CPlan plan;
        const fs::path leaf = fs::path(source).filename();
        // A name without a file part ("dir/", ".", "..") names a folder,
        // which the load reports as missing.
        if (leaf.empty() || leaf == "." || leaf == "..") {
            plan.LoadOnly = true;
            return plan;
        }
        const std::string name = ChangeFileExt(leaf.string(), ".vtr");
        const std::string output = (fs::path(FOptions.OutputDir) / name).string();

        const auto [owner, isNew] = FOutputOwners.emplace(name, source);
        if (!isNew) {
            plan.Refusal.push_back("Not converted: its output " + output + " is already the output of " +
                                   owner->second + ".");
            return plan;
        }
        if (const std::string* replaced = SourceAt(output)) {
            plan.Refusal.push_back("Not converted: its output " + output + " would replace the source file " +
                                   *replaced + "; choose another output folder.");
            return plan;
        }
        const std::string backup = ChangeFileExt(output, ".vk1");
        if (FileExists(output)) {
            if (const std::string* replaced = SourceAt(backup)) {
                plan.Refusal.push_back("Not converted: the backup of " + output +
                                       " would replace the source file " + *replaced +
                                       "; choose another output folder.");
                return plan;
            }
        }
        // The user may have named a project that is not the run's to
        // replace: only --force says otherwise.
        if (!FOptions.Force && ResolveSaveTarget(output).Kind == ESaveTargetKind::File) {
            plan.Refusal.push_back("Not converted: its output " + output +
                                   " already exists; use --force to replace it.");
            return plan;
        }
        plan.Output = output;
        return plan;
    }

    const std::string* SourceAt(const std::string& name) const {
        const auto id = FileId(name);
        if (!id)
            return nullptr;
        const auto found = FSourceIds.find(*id);
        return found == FSourceIds.end() ? nullptr : &found->second;
    }

    CBatchOptions FOptions;
    CConversionLimits FLimits;
    CBatchFeedback FFeedback;
    std::map<CFileId, std::string> FSourceIds;
    std::map<std::string, std::string> FOutputOwners;  // output name -> source
};

}  // namespace

CBatchFeedback::CBatchFeedback(bool quiet, bool progressLine, std::FILE* out,
                               std::chrono::milliseconds delay)
    : FQuiet(quiet), FProgressLine(progressLine), FOut(out), FDelay(delay) {}

void CBatchFeedback::Begin(const std::string& source) {
    FSource = source;
    FStarted = std::chrono::steady_clock::now();
    FHeld.clear();
    FStage.clear();
    FPercent = 0;
}

void CBatchFeedback::Finish(bool converted) {
    EraseProgress();
    if (!converted)
        for (const std::vector<std::string>& lines : FHeld)
            PrintLines(lines);
    FHeld.clear();
}

void CBatchFeedback::ShowMessage(const std::string& text) { ShowMessage(text, MessageContext()); }

void CBatchFeedback::ShowMessage(const std::string& text, const std::vector<std::string>& context) {
    std::vector<std::string> lines{FSource.empty() ? text : FSource + ": " + text};
    for (const std::string& line : context)
        lines.push_back("  " + line);
    if (FQuiet) {
        FHeld.push_back(std::move(lines));
        return;
    }
    EraseProgress();
    PrintLines(lines);
    DrawProgress();
}

void CBatchFeedback::ProgressStart(const std::string& text) {
    FStage = text;
    FPercent = 0;
    DrawProgress();
}

void CBatchFeedback::ProgressSet(int percent) {
    FPercent = percent;
    DrawProgress();
}

void CBatchFeedback::ProgressEnd() {
    EraseProgress();
    FStage.clear();
}

void CBatchFeedback::PrintLines(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        std::fwrite(line.data(), 1, line.size(), FOut);
        std::fputc('\n', FOut);
    }
    std::fflush(FOut);
}

void CBatchFeedback::DrawProgress() {
    if (!FProgressLine || FQuiet || FStage.empty() ||
        std::chrono::steady_clock::now() - FStarted < FDelay)
        return;
    std::string line = FSource + ": " + FStage + " " + std::to_string(FPercent) + "%";
    // A line wider than the terminal would wrap, and the carriage return
    // could then no longer take it back.  Cut it, but not inside a UTF-8
    // character.
    struct winsize size {};
    if (::ioctl(::fileno(FOut), TIOCGWINSZ, &size) == 0 && size.ws_col > 1 &&
        line.size() >= size.ws_col) {
        line.resize(size.ws_col - 1u);
        while (!line.empty() && (static_cast<unsigned char>(line.back()) & 0xC0) == 0x80)
            line.pop_back();
        if (!line.empty() && static_cast<unsigned char>(line.back()) >= 0xC0)
            line.pop_back();
    }
    EraseProgress();
    std::fputc('\r', FOut);
    std::fwrite(line.data(), 1, line.size(), FOut);
    std::fflush(FOut);
    FShownWidth = line.size();
}

void CBatchFeedback::EraseProgress() {
    if (FShownWidth == 0)
        return;
    std::fprintf(FOut, "\r%*s\r", static_cast<int>(FShownWidth), "");
    std::fflush(FOut);
    FShownWidth = 0;
}

namespace {

// The single form: SOURCE to TARGET, messages without a prefix.
int ConvertOne(const std::string& source, const std::string& target, bool quiet, bool force) {
    // Refused before the load, which may take a while for a large project.
    // The window asks before it replaces a file; this tool cannot ask.
    if (!force && ResolveSaveTarget(target).Kind == ESaveTargetKind::File && !SameFile(source, target)) {
        ShowProblem(target + " already exists; use --force to replace it");
        return 1;
    }
    CBatchFeedback feedback(quiet, false);
    feedback.Begin("");
    const CConversionResult result = ConvertFile(source, target, &feedback);
    const bool ok = result.Converted;
    feedback.Finish(ok);
    if (ok && !quiet) {
        if (const std::string losses = LossLine(source, result.Report); !losses.empty())
            ShowProblem(losses);
        if (result.Summary.Version == NewestGameVersion)
            ShowProblem(source + " was already version 5");
        if (const std::size_t warnings = result.Report.Messages.size(); warnings > 0)
            ShowProblem("converted with " + std::to_string(warnings) + (warnings == 1 ? " warning" : " warnings"));
    }
    return ok ? 0 : 1;
}

}  // namespace

int RunConvert(const CArguments& arguments) {
    CBatchOptions options{arguments.Operands, arguments.Value("output-dir"), arguments.Has("quiet"),
                          arguments.Has("force")};
    if (arguments.Has("jobs")) {
        const std::optional<unsigned> jobs = ParseJobs(arguments.Value("jobs"));
        if (!jobs)
            return UsageError("--jobs needs a whole number from 1 up, not " + arguments.Value("jobs"));
        options.Jobs = *jobs;
    }
    for (const std::string& name : options.Sources)
        if (name == "-")
            return UsageError("convert cannot use \"-\": the new file needs a real source file and is "
                              "written beside its target's backup");
    if (!arguments.Has("output-dir")) {
        if (options.Sources.size() != 2)
            return UsageError(options.Sources.size() == 1 ? "converting one file needs a TARGET or --output-dir DIR"
                                                          : "converting several files needs --output-dir DIR");
        return ConvertOne(options.Sources[0], options.Sources[1], options.Quiet, options.Force);
    }
    // Not a usage error: the command was right, the disk said no.
    if (!PrepareOutputDir(options.OutputDir))
        return 1;
    return CBatch(std::move(options)).Run();
}

bool ReportBatchInterrupted() {
    const std::vector<std::string>* sources = TheRun.Sources.load();
    if (sources == nullptr)
        return false;
    if (TheRun.Terminal)
        WriteFromHandler(STDERR_FILENO, "\r\033[K");  // the progress line, or the ^C the terminal echoed
    const std::size_t next = TheRun.Next.load();
    const bool atWork = TheRun.AtWork.load();
    const std::vector<CPlan>* plans = TheRun.Plans.load();
    const CSourceState* states = TheRun.States.load();
    int convertedCount = TheRun.Converted.load();
    int warnedCount = TheRun.WithWarnings.load();
    int failedCount = TheRun.Failed.load();
    // Every file not shown yet, as it stands: a file done at the same time
    // as those before it is reported as what it is.
    for (std::size_t index = atWork && next > 0 ? next - 1 : next; index < sources->size(); ++index) {
        int stage = states[index].Stage.load();
        if (stage == Waiting && atWork && index + 1 == next)
            stage = Converting;  // about to start
        if (stage == ConvertedUnshown) {
            ++convertedCount;
            const int warnings = states[index].Warnings.load();
            warnedCount += warnings > 0 ? 1 : 0;
            if (!TheRun.Quiet)
                WriteConvertedLine((*sources)[index], (*plans)[index].Output, states[index].AlreadyNew.load(), warnings);
        } else if (stage == Waiting) {
            WriteSourceLine((*sources)[index], "Not converted: the conversion was interrupted.");
        } else {
            ++failedCount;
            WriteSourceLine((*sources)[index], "Conversion interrupted.");
        }
    }
    if (!TheRun.Quiet) {
        char converted[16], failed[16];
        WriteFromHandler(STDOUT_FILENO, Decimal(convertedCount, converted));
        WriteFromHandler(STDOUT_FILENO, " converted");
        if (const int withWarnings = warnedCount; withWarnings > 0) {
            char warned[16];
            WriteFromHandler(STDOUT_FILENO, " (");
            WriteFromHandler(STDOUT_FILENO, Decimal(withWarnings, warned));
            WriteFromHandler(STDOUT_FILENO, " with warnings)");
        }
        WriteFromHandler(STDOUT_FILENO, ", ");
        WriteFromHandler(STDOUT_FILENO, Decimal(failedCount, failed));
        WriteFromHandler(STDOUT_FILENO, " failed\n");
    }
    return true;
}
