#include "cli/Batch.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "cli/Arguments.h"
#include "project/Resource_Main.h"
#include "format/core/Support_File.h"
#include "format/core/Support_Progress.h"
#include "format/core/Support_Report.h"
#include "format/core/Support_SafeSave.h"

namespace fs = std::filesystem;

namespace {

struct CBatchOptions {
    std::vector<std::string> Sources;
    std::string OutputDir;
    bool Quiet = false;
    bool Force = false;
};

void ShowProblem(const std::string& problem) {
    std::fprintf(stderr, "transvane-cli: %s\n", problem.c_str());
}

// What follows a converted file's name: "already version 5", "2 warnings".
std::string ConversionNotes(std::size_t warnings) {
    std::string notes;
    if (LoadedGameVersion() == NewestGameVersion)
        notes = "already version 5";
    if (warnings > 0)
        notes += (notes.empty() ? "" : ", ") + std::to_string(warnings) + (warnings == 1 ? " warning" : " warnings");
    return notes;
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

// How far the running batch is, for the interruption report: written by
// the batch between files, read by a signal handler at any moment.
struct CRunState {
    std::atomic<const std::vector<std::string>*> Sources{nullptr};  // null: no batch runs
    std::atomic<std::size_t> Next{0};     // the first source not started
    std::atomic<bool> AtWork{false};      // Sources[Next - 1] is being converted
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
        for (std::size_t index = 0; index < FOptions.Sources.size(); ++index) {
            const std::string& source = FOptions.Sources[index];
            // Each file's own report: its messages are its warnings when it
            // converts.
            CConversionReport report;
            CReportingFeedback reporting(report, &FFeedback);
            CFeedbackGuard guard(reporting);
            FFeedback.Begin(source);
            {
                CInterruptionsHeld held;
                TheRun.Next.store(index + 1);
                TheRun.AtWork.store(true);
            }
            const std::string output = Convert(source);
            const bool ok = !output.empty();
            // The file's lines, its count and the end of its work go
            // together: an interruption sees all of them or none.
            CInterruptionsHeld held;
            FFeedback.Finish(ok);
            if (ok) {
                TheRun.Converted.fetch_add(1);
                TheRun.WithWarnings.fetch_add(report.Messages.empty() ? 0 : 1);
                const std::string notes = ConversionNotes(report.Messages.size());
                if (!FOptions.Quiet)
                    std::printf("%s: converted to %s%s\n", source.c_str(), output.c_str(),
                                notes.empty() ? "" : (" (" + notes + ")").c_str());
            } else {
                TheRun.Failed.fetch_add(1);
            }
            std::fflush(stdout);
            TheRun.AtWork.store(false);
        }
        CInterruptionsHeld held;
        TheRun.Sources.store(nullptr);
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
    // Converts one source; returns the output's name, or "" on failure.
    std::string Convert(const std::string& source) {
        const fs::path leaf = fs::path(source).filename();
        // A name without a file part ("dir/", ".", "..") names a folder,
        // which the load reports as missing.
        if (leaf.empty() || leaf == "." || leaf == "..") {
            LoadGameFile(source);
            return {};
        }
        const std::string name = ChangeFileExt(leaf.string(), ".vtr");
        const std::string output = (fs::path(FOptions.OutputDir) / name).string();

        const auto [owner, isNew] = FOutputOwners.emplace(name, source);
        if (!isNew) {
            ShowMessage("Not converted: its output " + output + " is already the output of " +
                        owner->second + ".");
            return {};
        }
        if (const std::string* replaced = SourceAt(output)) {
            ShowMessage("Not converted: its output " + output + " would replace the source file " +
                        *replaced + "; choose another output folder.");
            return {};
        }
        const std::string backup = ChangeFileExt(output, ".vk1");
        if (FileExists(output)) {
            if (const std::string* replaced = SourceAt(backup)) {
                ShowMessage("Not converted: the backup of " + output +
                            " would replace the source file " + *replaced +
                            "; choose another output folder.");
                return {};
            }
        }

        // The user may have named a project that is not the run's to
        // replace: only --force says otherwise.
        if (!FOptions.Force && ResolveSaveTarget(output).Kind == ESaveTargetKind::File) {
            ShowMessage("Not converted: its output " + output + " already exists; use --force to replace it.");
            return {};
        }

        if (!LoadGameFile(source) || !SaveGameFile(output))
            return {};
        return output;
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
        for (const std::vector<std::string>& lines : FHeld)
            PrintLines(lines);
    FHeld.clear();
}

void CBatchFeedback::ShowMessage(const std::string& text) {
    std::vector<std::string> lines{FSource.empty() ? text : FSource + ": " + text};
    for (const std::string& context : MessageContext())
        lines.push_back("  " + context);
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
    CConversionReport report;
    CReportingFeedback reporting(report, &feedback);
    CFeedbackGuard guard(reporting);
    feedback.Begin("");
    const bool ok = LoadGameFile(source) && SaveGameFile(target);
    feedback.Finish(ok);
    if (ok && !quiet) {
        if (LoadedGameVersion() == NewestGameVersion)
            ShowProblem(source + " was already version 5");
        if (const std::size_t warnings = report.Messages.size(); warnings > 0)
            ShowProblem("converted with " + std::to_string(warnings) + (warnings == 1 ? " warning" : " warnings"));
    }
    return ok ? 0 : 1;
}

}  // namespace

int RunConvert(const CArguments& arguments) {
    CBatchOptions options{arguments.Operands, arguments.Value("output-dir"), arguments.Has("quiet"),
                          arguments.Has("force")};
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
    if (atWork && next > 0)
        WriteSourceLine((*sources)[next - 1], "Conversion interrupted.");
    for (std::size_t index = next; index < sources->size(); ++index)
        WriteSourceLine((*sources)[index], "Not converted: the conversion was interrupted.");
    if (!TheRun.Quiet) {
        char converted[16], failed[16];
        WriteFromHandler(STDOUT_FILENO, Decimal(TheRun.Converted.load(), converted));
        WriteFromHandler(STDOUT_FILENO, " converted");
        if (const int withWarnings = TheRun.WithWarnings.load(); withWarnings > 0) {
            char warned[16];
            WriteFromHandler(STDOUT_FILENO, " (");
            WriteFromHandler(STDOUT_FILENO, Decimal(withWarnings, warned));
            WriteFromHandler(STDOUT_FILENO, " with warnings)");
        }
        WriteFromHandler(STDOUT_FILENO, ", ");
        WriteFromHandler(STDOUT_FILENO, Decimal(TheRun.Failed.load() + (atWork ? 1 : 0), failed));
        WriteFromHandler(STDOUT_FILENO, " failed\n");
    }
    return true;
}
