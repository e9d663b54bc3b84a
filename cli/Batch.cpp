#include "cli/Batch.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "project/Conversion.h"
#include "format/core/Support_File.h"
#include "format/core/Support_Progress.h"
#include "format/core/Support_SafeSave.h"

namespace fs = std::filesystem;

namespace {

// As many conversions at once as there are cores, by default.
unsigned DefaultJobs() { return std::max(1u, std::thread::hardware_concurrency()); }

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

bool IsForceOption(const std::string& argument) { return argument == "--force" || argument == "-f"; }

bool IsJobsOption(const std::string& argument) { return argument == "--jobs" || argument == "-j"; }

bool IsOutputDirOption(const std::string& argument) {
    return argument == "--output-dir" || argument == "-o";
}

bool IsBatchOption(const std::string& argument) {
    return IsOutputDirOption(argument) || argument.starts_with("--output-dir=") || IsJobsOption(argument) ||
           argument.starts_with("--jobs=") ||
           argument == "--quiet" || argument == "-q" || argument == "--";
}

void ShowProblem(const std::string& problem) {
    std::fprintf(stderr, "transvane-cli: %s\n", problem.c_str());
}

// Parses the arguments after "convert"; on a usage error prints the usage
// text and the problem under it, and returns nullopt.
std::optional<CBatchOptions> ParseArguments(const std::vector<std::string>& arguments,
                                            const char* usage) {
    const auto UsageError = [usage](const std::string& problem) {
        std::fputs(usage, stderr);
        std::fputs("\n", stderr);
        ShowProblem(problem);
    };
    CBatchOptions options;
    bool haveOutputDir = false;
    bool optionsEnded = false;
    const auto setOutputDir = [&](const std::string& dir) {
        if (haveOutputDir) {
            UsageError("--output-dir is given more than once");
            return false;
        }
        if (dir.empty()) {
            UsageError("--output-dir needs a folder name");
            return false;
        }
        options.OutputDir = dir;
        haveOutputDir = true;
        return true;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            options.Sources.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--quiet" || argument == "-q") {
            options.Quiet = true;
        } else if (IsOutputDirOption(argument)) {
            if (i + 1 == arguments.size()) {
                UsageError(argument + " needs a folder name");
                return std::nullopt;
            }
            if (!setOutputDir(arguments[++i]))
                return std::nullopt;
        } else if (IsForceOption(argument)) {
            options.Force = true;
        } else if (IsJobsOption(argument) || argument.starts_with("--jobs=")) {
            const bool joined = argument.starts_with("--jobs=");
            if (!joined && i + 1 == arguments.size()) {
                UsageError(argument + " needs a number");
                return std::nullopt;
            }
            const std::string count = joined ? argument.substr(std::string("--jobs=").size()) : arguments[++i];
            const std::optional<unsigned> jobs = ParseJobs(count);
            if (!jobs) {
                UsageError("--jobs needs a whole number from 1 up, not " + count);
                return std::nullopt;
            }
            options.Jobs = *jobs;
        } else if (argument.starts_with("--output-dir=")) {
            if (!setOutputDir(argument.substr(std::string("--output-dir=").size())))
                return std::nullopt;
        } else {
            UsageError("unknown option " + argument);
            return std::nullopt;
        }
    }
    if (options.Sources.empty()) {
        UsageError("no file to convert");
        return std::nullopt;
    }
    if (!haveOutputDir) {
        UsageError(options.Sources.size() == 1 ? "converting one file needs a TARGET or --output-dir DIR"
                                               : "converting several files needs --output-dir DIR");
        return std::nullopt;
    }
    return options;
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
    std::string Output;               // empty: nothing to convert
    std::vector<std::string> Refusal;  // why not, when refused
    bool LoadOnly = false;            // a folder name: only the load speaks
};

// One source's outcome: its messages in order and whether it converted.
struct COutcome {
    std::vector<std::string> Messages;
    bool Converted = false;
};

// Keeps a file's messages for later; shows no progress.
class CRecordingFeedback final : public CFeedback {
public:
    explicit CRecordingFeedback(std::vector<std::string>& messages) : FMessages(messages) {}
    void ShowMessage(const std::string& text) override { FMessages.push_back(text); }
    void ProgressStart(const std::string&) override {}
    void ProgressSet(int) override {}
    void ProgressEnd() override {}

private:
    std::vector<std::string>& FMessages;
};

// Converts the planned source with a project of its own, reporting to
// feedback; true when it converted.
bool Carry(const std::string& source, const CPlan& plan, CFeedback& feedback) {
    if (!plan.Refusal.empty()) {
        for (const std::string& message : plan.Refusal)
            feedback.ShowMessage(message);
        return false;
    }
    if (plan.LoadOnly) {
        CConversion(&feedback).Load(source);
        return false;
    }
    return ConvertFile(source, plan.Output, &feedback).Converted;
}

// How far the running batch is, for the interruption report: written by
// the batch between files, read by a signal handler at any moment.
struct CRunState {
    std::atomic<const std::vector<std::string>*> Sources{nullptr};  // null: no batch runs
    std::atomic<std::size_t> Next{0};     // the first source not started
    std::atomic<bool> AtWork{false};      // Sources[Next - 1] is being converted
    std::atomic<int> Converted{0};
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
        const std::size_t jobs = std::min<std::size_t>(FOptions.Jobs, plans.size());
        if (jobs <= 1)
            RunInTurn(plans);
        else
            RunAtOnce(plans, jobs);
        CInterruptionsHeld held;
        TheRun.Sources.store(nullptr);
        const int converted = TheRun.Converted.load();
        const int failed = TheRun.Failed.load();
        if (!FOptions.Quiet)
            std::printf("%d converted, %d failed\n", converted, failed);
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
            Report(source, plans[i], Carry(source, plans[i], FFeedback));
        }
    }

    // Several files at once, each with its own project; each file's lines
    // are shown together, in the order of the sources, as soon as it and
    // every file before it are done.  No progress line: several files are
    // at work at any moment.
    void RunAtOnce(const std::vector<CPlan>& plans, std::size_t jobs) {
        std::vector<COutcome> outcomes(plans.size());
        std::vector<bool> done(plans.size(), false);
        std::mutex lock;
        std::condition_variable finished;
        std::atomic<std::size_t> next{0};
        const auto work = [&] {
            for (std::size_t i = next++; i < plans.size(); i = next++) {
                COutcome outcome;
                CRecordingFeedback recorder(outcome.Messages);
                outcome.Converted = Carry(FOptions.Sources[i], plans[i], recorder);
                const std::lock_guard<std::mutex> guard(lock);
                outcomes[i] = std::move(outcome);
                done[i] = true;
                finished.notify_one();
            }
        };
        std::vector<std::jthread> workers;
        for (std::size_t j = 0; j < jobs; ++j)
            workers.emplace_back(work);
        for (std::size_t i = 0; i < plans.size(); ++i) {
            StartedShowing(i);
            COutcome outcome;
            {
                std::unique_lock<std::mutex> guard(lock);
                finished.wait(guard, [&] { return done[i]; });
                outcome = std::move(outcomes[i]);
            }
            const std::string& source = FOptions.Sources[i];
            FFeedback.Begin(source);
            for (const std::string& message : outcome.Messages)
                FFeedback.ShowMessage(message);
            Report(source, plans[i], outcome.Converted);
        }
    }

    // The file whose lines come next is at work, for the interruption
    // report (with several jobs, later files may be at work too).
    static void StartedShowing(std::size_t index) {
        CInterruptionsHeld held;
        TheRun.Next.store(index + 1);
        TheRun.AtWork.store(true);
    }

    void Report(const std::string& source, const CPlan& plan, bool converted) {
        // The file's lines, its count and the end of its work go together:
        // an interruption sees all of them or none.
        CInterruptionsHeld held;
        FFeedback.Finish(converted);
        if (converted) {
            TheRun.Converted.fetch_add(1);
            if (!FOptions.Quiet)
                std::printf("%s: converted to %s\n", source.c_str(), plan.Output.c_str());
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
        for (const std::string& line : FHeld)
            PrintLine(line);
    FHeld.clear();
}

void CBatchFeedback::ShowMessage(const std::string& text) {
    const std::string line = FSource + ": " + text;
    if (FQuiet) {
        FHeld.push_back(line);
        return;
    }
    EraseProgress();
    PrintLine(line);
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

void CBatchFeedback::PrintLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), FOut);
    std::fputc('\n', FOut);
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

bool IsBatchConvert(const std::vector<std::string>& arguments) {
    std::size_t names = 0;
    for (const std::string& argument : arguments) {
        if (IsBatchOption(argument))
            return true;
        if (!IsForceOption(argument))
            ++names;
    }
    return names != 2;
}

// Identity of an existing file, so that different names of one file (a
// symbolic or hard link, "./a" and "a") compare equal.
using CFileId = std::pair<dev_t, ino_t>;


std::optional<CSingleConvert> SingleConvertArguments(const std::vector<std::string>& arguments) {
    CSingleConvert single;
    std::vector<std::string> names;
    for (const std::string& argument : arguments) {
        if (IsForceOption(argument))
            single.Force = true;
        else
            names.push_back(argument);
    }
    if (IsBatchConvert(arguments) || names.size() != 2)
        return std::nullopt;
    single.Source = names[0];
    single.Target = names[1];
    return single;
}

int RunBatchConvert(const std::vector<std::string>& arguments, const char* usage) {
    std::optional<CBatchOptions> options = ParseArguments(arguments, usage);
    if (!options)
        return 2;
    // Not a usage error: the command was right, the disk said no.
    if (!PrepareOutputDir(options->OutputDir))
        return 1;
    return CBatch(std::move(*options)).Run();
}

bool ReportBatchInterrupted() {
    const std::vector<std::string>* sources = TheRun.Sources.load();
    if (sources == nullptr)
        return false;
    if (TheRun.Terminal)
        WriteFromHandler(STDERR_FILENO, "\r\033[K");  // the progress line, or the ^C the terminal echoed
    const std::size_t next = TheRun.Next.load();
    const bool atWork = TheRun.AtWork.load();
    if (atWork && next > 0)
        WriteSourceLine((*sources)[next - 1], "Conversion interrupted.");
    for (std::size_t index = next; index < sources->size(); ++index)
        WriteSourceLine((*sources)[index], "Not converted: the conversion was interrupted.");
    if (!TheRun.Quiet) {
        char converted[16], failed[16];
        WriteFromHandler(STDOUT_FILENO, Decimal(TheRun.Converted.load(), converted));
        WriteFromHandler(STDOUT_FILENO, " converted, ");
        WriteFromHandler(STDOUT_FILENO, Decimal(TheRun.Failed.load() + (atWork ? 1 : 0), failed));
        WriteFromHandler(STDOUT_FILENO, " failed\n");
    }
    return true;
}
