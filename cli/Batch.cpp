#include "cli/Batch.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
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

void ShowProblem(const std::string& problem) {
    std::fprintf(stderr, "transvane-cli: %s\n", problem.c_str());
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
    if (fs::is_directory(PathOf(dir), error))
        return true;
    if (fs::exists(PathOf(dir), error)) {
        ShowProblem("the output folder " + dir + " exists and is not a folder");
        return false;
    }
    fs::create_directories(PathOf(dir), error);
    if (error) {
        ShowProblem("cannot create the output folder " + dir + ": " + error.message());
        return false;
    }
    return true;
}

// Identity of an existing file, so that different names of one file (a
// symbolic or hard link, "./a" and "a") compare equal.
using CFileId = CFileIdentity;

std::optional<CFileId> FileId(const std::string& name) { return FileIdentity(name); }

// The extension in lower case: projects copied from Windows may be
// GAME.VTR.
std::string LowerExtension(const fs::path& name) {
    std::string extension = NameOf(name.extension());
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

bool IsProjectName(const fs::path& name) { return LowerExtension(name) == ".vtr"; }

// NAME.vk1 .. NAME.vk9, the backups a save keeps beside NAME.vtr.
bool IsBackupName(const fs::path& name) {
    const std::string extension = LowerExtension(name);
    return extension.size() == 4 && extension.starts_with(".vk") && extension[3] >= '1' && extension[3] <= '9';
}

constexpr int BackupsKept = 9;

// One file of the run.
struct CBatchFile {
    std::string Source;    // as given, or as found in a folder given ("proj/sub/game.vtr")
    std::string Relative;  // its output's path in the output folder ("sub/game.vtr"); empty: no file name
    std::vector<std::string> Problem;  // a folder that gave nothing to convert: the message, then its context
};

// The files of a run, from its operands: a file stands for itself, a
// folder for the .vtr files in it and in its sub-folders, in name order,
// each keeping its path inside the folder.  The output folder, when it lies
// inside, is passed by, and so is a folder seen before (a symbolic link
// back up the tree would otherwise never end).
class CSourceWalk {
public:
    explicit CSourceWalk(const std::string& outputDir) : FOutputDir(FileId(outputDir)) {}

    std::vector<CBatchFile> Collect(const std::vector<std::string>& operands) {
        for (const std::string& operand : operands) {
            std::error_code error;
            if (fs::is_directory(PathOf(operand), error))
                AddFolder(operand);
            else
                AddFile(operand);
        }
        return std::move(FFiles);
    }

private:
    void AddFile(const std::string& name) {
        const fs::path leaf = PathOf(name).filename();
        // A name without a file part ("gone/", "..") is left to the load,
        // which says what is wrong with it.
        const bool named = !leaf.empty() && leaf != "." && leaf != "..";
        FFiles.push_back({name, named ? ChangeFileExt(NameOf(leaf), ".vtr") : std::string(), {}});
    }

    void AddFolder(const std::string& folder) {
        const std::size_t before = FFiles.size();
        if (const std::optional<CFileId> id = FileId(folder))
            FSeen.insert(*id);
        Walk(PathOf(folder), {});
        // A folder that holds nothing to convert is most likely the wrong
        // folder: saying nothing would look like success.
        if (FFiles.size() == before)
            FFiles.push_back({folder, {}, {"Not converted: the folder holds no .vtr file."}});
    }

    void Walk(const fs::path& folder, const fs::path& inside) {
        std::vector<fs::directory_entry> entries;
        std::error_code error;
        for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error))
            entries.push_back(*entry);
        if (error) {
            FFiles.push_back({NameOf(folder), {}, {"Not converted: the folder cannot be read.",
                                                   "file: " + NameOf(folder), "cause: " + error.message()}});
            return;
        }
        std::sort(entries.begin(), entries.end(), [](const fs::directory_entry& a, const fs::directory_entry& b) {
            return a.path().filename().native() < b.path().filename().native();
        });
        for (const fs::directory_entry& entry : entries) {
            const fs::path name = entry.path().filename();
            std::error_code statError;
            const fs::file_status status = entry.status(statError);  // through links
            if (fs::is_directory(status)) {
                const std::optional<CFileId> id = FileId(NameOf(entry.path()));
                if (id && id != FOutputDir && FSeen.insert(*id).second)
                    Walk(entry.path(), inside / name);
            } else if (fs::is_regular_file(status) && IsProjectName(name)) {
                FFiles.push_back({NameOf(entry.path()), NameOf((inside / name).replace_extension(".vtr")), {}});
            }
        }
    }

    const std::optional<CFileId> FOutputDir;
    std::set<CFileId> FSeen;
    std::vector<CBatchFile> FFiles;
};

// What the run does with one file, decided before any file is converted:
// the clash checks look at the whole run in source order, whatever order
// the conversions then finish in.
struct CPlan {
    std::string Output;                // empty: nothing to convert
    std::string Skip;                  // why it is left alone ("backup of game.vtr")
    std::string Refusal;               // why it fails without being read
    std::vector<std::string> Context;  // the refusal's context lines
    bool LoadOnly = false;             // no file name: only the load speaks
};

// Where one file is.  Set by whoever converts it and read by the
// interruption report at any moment: with several jobs a file may be done
// before the files ahead of it have been shown.
enum EFileStage : int { Waiting, Converting, Converted, Unchanged, Skipped, Failed };

struct CFileState {
    std::atomic<int> Stage{Waiting};
    std::atomic<int> Warnings{0};
    std::atomic<bool> AlreadyNew{false};  // it was version 5 already
};

// One file's outcome: how it ended, its header version, and its report
// (its messages with their context are its warnings when it converted).
struct COutcome {
    EFileStage Stage = Failed;
    std::int32_t Version = 0;
    CConversionReport Report;
};

// Converts the planned file with a project of its own.  Its messages go to
// feedback as they come, when one is given, and into the outcome.
// A conversion on another thread shows nothing as it goes: follower, when
// given, only follows its progress.
COutcome Carry(const std::string& source, const CPlan& plan, CBatchFeedback* feedback,
               const CConversionLimits& limits, CFeedback* follower = nullptr) {
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
    if (conversion.Load(source) && !plan.LoadOnly) {
        // The output's sub-folder, for a file found in a folder; made only
        // once there is something to put in it.  When it cannot be made,
        // the save says why.
        std::error_code ignored;
        fs::create_directories(PathOf(plan.Output).parent_path(), ignored);
        conversion.Save(plan.Output);
    }
    CConversionResult result = conversion.TakeResult();
    outcome.Stage = result.Unchanged ? Unchanged : result.Converted ? Converted : Failed;
    outcome.Version = result.Summary.Version;
    outcome.Report = std::move(result.Report);
    return outcome;
}

// How far the running batch is, for the interruption report: written by
// the batch between files, read by a signal handler at any moment.
struct CRunState {
    std::atomic<const std::vector<std::string>*> Sources{nullptr};  // null: no batch runs
    std::atomic<const std::vector<CPlan>*> Plans{nullptr};
    std::atomic<CFileState*> States{nullptr};  // one per source
    std::atomic<std::size_t> Next{0};     // the first source not shown
    std::atomic<bool> AtWork{false};      // Sources[Next - 1] is being converted or shown
    bool Quiet = false;
    bool Terminal = false;  // standard error shows a progress line
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

void Write(int fd, std::initializer_list<const char*> parts) {
    for (const char* part : parts)
        WriteFromHandler(fd, part);
}

void WriteSourceLine(const std::string& source, const char* text) {
    Write(STDERR_FILENO, {source.c_str(), ": ", text, "\n"});
}

// A file's line once it is done: "SOURCE: converted to OUTPUT (notes)",
// "SOURCE was already version 5; left unchanged", "SOURCE: skipped: why".
// A failed file's lines are its messages, on standard error.
void WriteFileLine(const std::string& source, const CPlan& plan, const CFileState& state) {
    const int stage = state.Stage.load();
    if (stage == Unchanged) {
        Write(STDOUT_FILENO, {source.c_str(), " was already version 5; left unchanged\n"});
    } else if (stage == Skipped) {
        Write(STDOUT_FILENO, {source.c_str(), ": skipped: ", plan.Skip.c_str(), "\n"});
    } else if (stage == Converted) {
        Write(STDOUT_FILENO, {source.c_str(), ": converted to ", plan.Output.c_str()});
        const bool alreadyNew = state.AlreadyNew.load();
        const int warnings = state.Warnings.load();
        if (alreadyNew || warnings > 0) {
            char count[16];
            WriteFromHandler(STDOUT_FILENO, " (");
            if (alreadyNew)
                WriteFromHandler(STDOUT_FILENO, warnings > 0 ? "already version 5, " : "already version 5");
            if (warnings > 0)
                Write(STDOUT_FILENO, {Decimal(warnings, count), warnings == 1 ? " warning" : " warnings"});
            WriteFromHandler(STDOUT_FILENO, ")");
        }
        WriteFromHandler(STDOUT_FILENO, "\n");
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
        {tally.Converted, " converted", tally.WithWarnings}, {tally.Unchanged, " unchanged", 0},
        {tally.Skipped, " skipped", 0},     {tally.Failed, " failed", 0},
        {tally.Interrupted, " interrupted", 0}, {tally.NotStarted, " not started", 0},
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
        if (states[i].Stage.load() == Failed)
            Write(STDOUT_FILENO, {"  ", sources[i].c_str(), "\n"});
}

// ---- the run ----------------------------------------------------------------

class CBatch {
public:
    explicit CBatch(CBatchOptions options)
        : FOptions(std::move(options)),
          FFeedback(FOptions.Quiet, IsTerminal(STDERR_FILENO), stderr, FOptions.ProgressDelay) {
        FLimits.PendingFiles = FOptions.PendingFiles;
        for (CBatchFile& file : CSourceWalk(FOptions.OutputDir).Collect(FOptions.Sources)) {
            FSources.push_back(std::move(file.Source));
            FFiles.push_back({std::move(file.Relative), std::move(file.Problem)});
            // The sources as they are before anything is written, so that no
            // output or backup of this run can replace one of them.
            FIds.push_back(FileId(FSources.back()));
            if (FIds.back())
                FById.emplace(*FIds.back(), FIds.size() - 1);
        }
    }

    int Run() {
        TheRun.Quiet = FOptions.Quiet;
        TheRun.Terminal = IsTerminal(STDERR_FILENO);
        const std::vector<CPlan> plans = Plan();
        const auto states = std::make_unique<CFileState[]>(plans.size());
        TheRun.Plans.store(&plans);
        TheRun.States.store(states.get());
        TheRun.Sources.store(&FSources);  // last: the interruption report reads the others once it is set
        const std::size_t jobs = std::min<std::size_t>(FOptions.Jobs, plans.size());
        if (jobs <= 1)
            RunInTurn(plans);
        else
            RunAtOnce(plans, jobs);
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
    // What a file of the walk brings besides its name.
    struct CFile {
        std::string Relative;
        std::vector<std::string> Problem;
    };

    // One file after the other, its messages and progress shown as they come.
    void RunInTurn(const std::vector<CPlan>& plans) {
        for (std::size_t i = 0; i < plans.size(); ++i) {
            FFeedback.Begin(FSources[i]);
            StartedShowing(i);
            Report(i, plans[i], CarryNoted(i, plans[i], &FFeedback));
        }
    }

    // Several files at once, each with its own project; each file's lines
    // are shown together, in the order of the sources, with the context
    // they were shown with, as soon as it and every file before it are
    // done.  Meanwhile the progress line follows the file whose lines come
    // next.
    void RunAtOnce(const std::vector<CPlan>& plans, std::size_t jobs) {
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
            workers.emplace_back(work);
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
            FFeedback.ShowProgress({});
            for (const CReportedMessage& message : outcome.Report.Messages)
                FFeedback.ShowMessage(message.Text, message.Context);
            Report(i, plans[i], outcome);
        }
    }

    // Carries file i, its stage kept up to date for the interruption
    // report.
    COutcome CarryNoted(std::size_t i, const CPlan& plan, CBatchFeedback* feedback,
                        CFeedback* follower = nullptr) {
        CFileState& state = TheRun.States.load()[i];
        state.Stage.store(Converting);
        COutcome outcome = Carry(FSources[i], plan, feedback, FLimits, follower);
        state.Warnings.store(static_cast<int>(outcome.Report.Messages.size()));
        state.AlreadyNew.store(outcome.Version == NewestGameVersion);
        state.Stage.store(outcome.Stage);
        return outcome;
    }

    // The file whose lines come next is at work, for the interruption
    // report (with several jobs, later files may be at work too).
    static void StartedShowing(std::size_t index) {
        CInterruptionsHeld held;
        TheRun.Next.store(index + 1);
        TheRun.AtWork.store(true);
    }

    void Report(std::size_t i, const CPlan& plan, const COutcome& outcome) {
        // The file's lines and the end of its work go together: an
        // interruption sees both or neither.
        CInterruptionsHeld held;
        FFeedback.Finish(outcome.Stage != Failed);
        // Beside the file's messages, on standard error, whatever the
        // number of jobs: the lines of a file come in source order.
        if (const std::string losses = LossLine(FSources[i], outcome.Report);
            !FOptions.Quiet && outcome.Stage == Converted && !losses.empty())
            std::fprintf(stderr, "%s: %s\n", FSources[i].c_str(), losses.c_str());
        if (!FOptions.Quiet)
            WriteFileLine(FSources[i], plan, TheRun.States.load()[i]);
        TheRun.AtWork.store(false);
    }

    // Decides what to do with every file.  A project wins its output name
    // over a backup, whatever their order; among projects, and among
    // backups, the first on the command line wins.
    std::vector<CPlan> Plan() {
        std::vector<CPlan> plans(FSources.size());
        for (std::size_t i = 0; i < plans.size(); ++i)
            if (const std::optional<std::size_t> project = ProjectInRun(i))
                plans[i].Skip = "backup of " + FSources[*project];
        for (const bool backups : {false, true})
            for (std::size_t i = 0; i < plans.size(); ++i)
                if (IsBackupName(FSources[i]) == backups && plans[i].Skip.empty())
                    Plan(i, plans);
        return plans;
    }

    // For a backup (NAME.vk3), the file of the run that is its project
    // (NAME.vtr in the same folder), if any.
    std::optional<std::size_t> ProjectInRun(std::size_t backup) const {
        if (!IsBackupName(FSources[backup]))
            return std::nullopt;
        const std::optional<CFileId> project = FileId(ChangeFileExt(FSources[backup], ".vtr"));
        if (!project)
            return std::nullopt;
        const auto [first, last] = FById.equal_range(*project);
        for (auto named = first; named != last; ++named)
            if (!IsBackupName(FSources[named->second]))
                return named->second;
        return std::nullopt;
    }

    void Plan(std::size_t i, std::vector<CPlan>& plans) {
        CPlan& plan = plans[i];
        const CFile& file = FFiles[i];
        if (!file.Problem.empty()) {
            plan.Refusal = file.Problem.front();
            plan.Context.assign(file.Problem.begin() + 1, file.Problem.end());
            return;
        }
        if (file.Relative.empty()) {
            plan.LoadOnly = true;
            return;
        }
        const std::string output = NameOf(PathOf(FOptions.OutputDir) / PathOf(file.Relative));
        const auto [owner, isNew] = FOutputOwners.emplace(file.Relative, i);
        if (!isNew) {
            plan.Refusal = "Not converted: its output " + output + " is already the output of " +
                           FSources[owner->second] + ".";
            return;
        }
        // Converted onto itself (the output folder is its own folder), a
        // file keeps its old content as a backup, as the single form does.
        const std::optional<CFileId> outputId = FileId(output);
        const bool inPlace = outputId && outputId == FIds[i] && FById.count(*outputId) == 1;
        const bool exists = ResolveSaveTarget(output).Kind == ESaveTargetKind::File;
        if (FOptions.SkipExisting && exists && !inPlace) {
            plan.Skip = output + " already exists";
            return;
        }
        if (const std::optional<std::size_t> replaced = SourceAt(outputId, plans); replaced && !inPlace) {
            plan.Refusal = "Not converted: its output " + output + " would replace the source file " +
                           FSources[*replaced] + "; choose another output folder.";
            return;
        }
        // Saving over an existing output moves its backups down one place.
        for (int n = 1; exists && n <= BackupsKept; ++n)
            if (const std::optional<std::size_t> replaced =
                    SourceAt(FileId(ChangeFileExt(output, ".vk" + std::to_string(n))), plans)) {
                plan.Refusal = "Not converted: the backup of " + output + " would replace the source file " +
                               FSources[*replaced] + "; choose another output folder.";
                return;
            }
        // The user may have named a project that is not the run's to
        // replace: only --force says otherwise.
        if (!FOptions.Force && exists && !inPlace) {
            plan.Refusal = "Not converted: its output " + output + " already exists; use --force to replace it.";
            return;
        }
        plan.Output = output;
    }

    // The file of the run, read and not skipped, that id names.
    std::optional<std::size_t> SourceAt(const std::optional<CFileId>& id, const std::vector<CPlan>& plans) const {
        if (!id)
            return std::nullopt;
        const auto [first, last] = FById.equal_range(*id);
        for (auto named = first; named != last; ++named)
            if (plans[named->second].Skip.empty())
                return named->second;
        return std::nullopt;
    }

    CBatchOptions FOptions;
    CConversionLimits FLimits;
    CBatchFeedback FFeedback;
    std::vector<std::string> FSources;  // the run's files, as shown
    std::vector<CFile> FFiles;
    std::vector<std::optional<CFileId>> FIds;
    std::multimap<CFileId, std::size_t> FById;  // in the order of the files
    std::map<std::string, std::size_t> FOutputOwners;  // output name -> file
};

}  // namespace

CBatchFeedback::CBatchFeedback(bool quiet, bool progressLine, std::FILE* out,
                               std::chrono::milliseconds delay)
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
    if (!FProgressLine || FQuiet || FProgress.Stage.empty() ||
        std::chrono::steady_clock::now() - FStarted < FDelay)
        return;
    std::string line = (FSource.empty() ? "" : FSource + ": ") + FProgress.Text();
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
        ShowProblem(target + " already exists; use --force to replace it");
        return 1;
    }
    CBatchFeedback feedback(quiet, IsTerminal(STDERR_FILENO), stderr, options.ProgressDelay);
    feedback.Begin("");
    CConversionLimits limits;
    limits.PendingFiles = options.PendingFiles;
    const CConversionResult result = ConvertFile(source, target, &feedback, limits);
    const bool ok = result.Converted;
    feedback.Finish(ok);
    if (ok && !quiet) {
        if (const std::string losses = LossLine(source, result.Report); !losses.empty())
            ShowProblem(losses);
        if (result.Unchanged)
            ShowProblem(source + " was already version 5; left unchanged");
        else if (result.Summary.Version == NewestGameVersion)
            ShowProblem(source + " was already version 5");
        if (!result.KeptAs.empty())
            ShowProblem("the earlier " + target + " was kept as " + result.KeptAs);
        if (const std::size_t warnings = result.Report.Messages.size(); warnings > 0)
            ShowProblem("converted with " + std::to_string(warnings) + (warnings == 1 ? " warning" : " warnings"));
    }
    return ok ? 0 : 1;
}

}  // namespace

int RunConvert(const CArguments& arguments, CPendingFiles* pending) {
    CBatchOptions options{arguments.Operands, arguments.Value("output-dir"), arguments.Has("quiet"),
                          arguments.Has("force"), arguments.Has("skip-existing")};
    options.ProgressDelay = arguments.ProgressDelay;
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
            return UsageError("convert cannot use \"-\": the new file needs a real source file and is "
                              "written beside its target's backup");
    if (!arguments.Has("output-dir")) {
        if (options.Sources.size() != 2)
            return UsageError(options.Sources.size() == 1 ? "converting one file needs a TARGET or --output-dir DIR"
                                                          : "converting several files needs --output-dir DIR");
        const std::string& source = options.Sources[0];
        const std::string& target = options.Sources[1];
        if (target.empty())
            return UsageError("TARGET cannot be an empty name");
        if (options.SkipExisting && ResolveSaveTarget(target).Kind == ESaveTargetKind::File &&
            !SameFile(source, target)) {
            if (!options.Quiet)
                ShowProblem("skipped: " + target + " already exists");
            return 0;
        }
        return ConvertOne(source, target, options);
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
    const std::vector<CPlan>& plans = *TheRun.Plans.load();
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
            if (stage == Waiting)
                WriteSourceLine((*sources)[index], "Not converted: the conversion was interrupted.");
            else if (stage == Converting)
                WriteSourceLine((*sources)[index], "Conversion interrupted.");
            else if (!TheRun.Quiet)
                WriteFileLine((*sources)[index], plans[index], states[index]);
        }
        tally.Count(stage, states[index]);
    }
    if (!TheRun.Quiet)
        WriteSummary(tally, *sources, states);
    return true;
}
