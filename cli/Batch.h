// The convert command of transvane-cli:
//
//   transvane-cli convert [-q] [-f | --skip-existing] SOURCE TARGET
//   transvane-cli convert [-q] [-f | --skip-existing] SOURCE... --output-dir DIR [-j N]
//
// The single form converts SOURCE to TARGET; the batch form converts every
// SOURCE with the same load and save rules, up to N at once (default: the
// number of cores), each with a project of its own, writing DIR/NAME.vtr
// where NAME is the source's file name without its extension.  A SOURCE
// that is a folder stands for the .vtr files in it and in its sub-folders
// (sorted by name; the output folder and folders seen before through a
// link are passed by), each written to the same path under DIR.  A file
// that fails does not stop the run.
//
// Output on the console:
//   - every message is one line of exactly its text on standard error, in a
//     batch prefixed with the file as given ("game.vtr: Error Loading: ..."),
//     followed by its context on lines indented by two spaces ("  file: ...",
//     "  cause: ...", "  place: ...");
//   - messages of a file that converts are warnings: the single form ends
//     with "transvane-cli: converted with N warnings", the batch form names
//     them on the file's line on standard output ("game.vtr: converted to
//     out/game.vtr (2 warnings)"), where skipped files say why
//     ("game.vk1: skipped: backup of game.vtr") and a version-5 file
//     converted onto itself says "game.vtr was already version 5; left
//     unchanged";
//   - the batch ends with the count of every file, once, on standard output:
//     "12 converted (3 with warnings), 2 unchanged, 4 skipped, 1 failed"
//     (counts of zero left out), then the failed files, one a line,
//     indented by two spaces;
//   - a file that converts with changes that remove or clear something
//     (room instances dropped, references cleared, old actions without
//     translation ...) gets one line after its messages that counts them
//     and names the `transvane-cli check` command that lists them, on
//     standard error, in a batch prefixed with the file;
//   - the lines of a file come together, in the order of the sources, so
//     the output does not depend on N;
//   - while a file takes longer than about a second, a progress line is kept
//     up to date on standard error when it is a terminal: what is being
//     done, how far through the project's bytes, and in which section (with
//     several jobs, of the file whose lines come next);
//   - --quiet prints only the messages of the files that failed.
//
// A project wins over its backups: NAME.vk1 .. NAME.vk9 is skipped when
// NAME.vtr of its folder is converted in the same run.  Files that would
// clash otherwise are refused (counted as failed, nothing written):
//   - a source whose output name was already taken by an earlier source of
//     the run (the first one on the command line wins, projects before
//     backups);
//   - a source whose output, or one of the backups that saving over an
//     existing output moves, is another source of the run.
// A source whose output is the source itself (DIR is its folder) is
// converted in place, as the single form does.  An existing file in DIR
// that is not a source is refused too, unless --force (-f) is given; it is
// then kept as its .vk1 backup, as the single form does.  With
// --skip-existing it is left alone and the file counts as skipped, so that
// a run that was cut short can be finished by running it again.  A file
// named twice, however spelt, is converted once, the repeat skipped.  DIR
// is created when it does not exist, and removed again when nothing went
// in it.
//
// Interrupted (SIGINT, SIGTERM, SIGHUP), the run says which files it was
// at and which files it did not start, and still ends with the count,
// where these are "interrupted" and "not started".
//
// Exit status: 0 nothing failed, 1 a file failed or an output folder that
// cannot be used, 2 usage error; 128 + the signal when interrupted.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "format/core/Support_PendingFiles.h"
#include "format/core/Support_Progress.h"
#include "transvane/transvane.h"

namespace transvane {

struct CArguments;

// The most files converted at once (--jobs): enough to keep any machine
// busy, few enough that the threads and their buffers stay affordable.
inline constexpr unsigned MaxJobs = 256;

// A problem of the command rather than of a project, on standard error:
// "transvane-cli: PROBLEM".
void ShowProblem(const std::string& problem);
// What a save did to target's backups, one line each: where the earlier
// target went, and the backup dropped to make room for it.
void ShowBackups(const std::string& target, const std::string& keptAs, const std::string& dropped);

// The folders a batch made: the output folder, its parents and its
// sub-folders.  A file whose save fails leaves its sub-folder empty; such
// folders are removed once every job is done, not at once, since meanwhile
// another file may be about to save there.  Noted in pending as well, when
// it is given, they go with the temporary files when the run is
// interrupted, where still empty.
class CMadeFolders {
public:
    explicit CMadeFolders(CPendingFiles* pending = nullptr) : FPending(pending) {}
    ~CMadeFolders();
    CMadeFolders(const CMadeFolders&) = delete;
    CMadeFolders& operator=(const CMadeFolders&) = delete;

    // Makes the folder file goes in, with its parents, noting those made;
    // the error when it cannot be made.
    std::error_code MakeFor(const std::string& file);
    // Makes folder with its parents, noting those made; the error when it
    // cannot be made.
    std::error_code Make(const std::string& folder);
    // Removes the noted folders that are empty, the deepest first.  Only
    // an empty folder is removed, never what took one's name.
    void RemoveEmpty();

private:
    struct CMade {
        std::string Name;
        CPendingFiles::CEntry* Entry = nullptr;  // its note in FPending
    };
    CPendingFiles* const FPending;
    std::mutex FLock;
    std::vector<CMade> FMade;
};

// True for an existing folder, and for a name that can only be a folder's
// (it ends with a separator): never a TARGET file.
bool NamesAFolder(const std::string& name);

// Runs the convert command; returns the exit status.  The saves note their
// temporary files in pending, the program's, when one is given.
int RunConvert(const CArguments& arguments, CPendingFiles* pending = nullptr);

// Waits, from a signal handler after pending.Stop, until every file whose
// save put it in place has been shown, as a run that ends shows it.
// Async-signal-safe.
void AwaitFilesShown(const CPendingFiles& pending);

// Says, from a signal handler, how far the running batch got: the files at
// work as interrupted and each file not started as not converted, on
// standard error, then the count.
// False, saying nothing, when no batch runs.  Async-signal-safe.
bool ReportBatchInterrupted();

// Where one file's conversion is, as its progress reports tell it.
struct CProgressState {
    std::string Stage;    // "Loading Game Data ...", empty between the steps
    std::string Section;  // empty until the step measures its bytes
    int Percent = 0;

    void Start(const std::string& text) { *this = {text, {}, 0}; }
    void Set(int percent);
    void Bytes(std::string_view section, std::uint64_t done, std::uint64_t total);
    void End() { *this = {}; }
    // "Loading Game Data ... 42% (Sprites)"
    std::string Text() const;
};

// Follows a conversion that runs on another thread, for the console to
// show its progress meanwhile; its messages are left to its report.
class CProgressProbe final : public CFeedback {
public:
    CProgressState State() const;

    void ShowMessage(const std::string&, const std::vector<std::string>&) override {}
    void ProgressStart(const std::string& text) override;
    void ProgressSet(int percent) override;
    void ProgressEnd() override;
    void ProgressBytes(std::string_view section, std::uint64_t done, std::uint64_t total) override;

private:
    mutable std::mutex FLock;
    CProgressState FState;
};

// Passes on the progress of a conversion and none of its messages, for a
// command that prints them in its own way.
class CProgressOnly final : public CFeedback {
public:
    explicit CProgressOnly(CFeedback* next) : FNext(next) {}
    void ShowMessage(const std::string&, const std::vector<std::string>&) override {}
    void ProgressStart(const std::string& text) override;
    void ProgressSet(int percent) override;
    void ProgressEnd() override;
    void ProgressBytes(std::string_view section, std::uint64_t done, std::uint64_t total) override;

private:
    CFeedback* FNext;
};

class CBatchFeedback;

// Hands what a conversion through the public interface says on to the
// console's feedbacks: its progress to progress, its messages with their
// context to messages; either may be nullptr.
class CFeedbackObserver final : public transvane::CObserver {
public:
    CFeedbackObserver(CFeedback* progress, CBatchFeedback* messages) : FProgress(progress), FMessages(messages) {}
    void Message(const transvane::CMessage& message) override;
    void Progress(const transvane::CProgress& progress) override;

private:
    CFeedback* const FProgress;
    CBatchFeedback* const FMessages;
    transvane::CProgress FLast;
};

// The feedback of a conversion on the console.  Each message becomes a line
// on out, with the current file's name in front when one is given, and its
// context lines after it; with quiet set, the lines of a file are held back
// and printed only when the file fails.  With progressLine set (out is
// a terminal) and quiet not, a file still at work after delay gets a
// progress line ("game.vtr: Loading Game Data ... 50% (Sprites)") that is
// rewritten in place and erased before anything else is printed.
class CBatchFeedback final : public CFeedback {
public:
    static constexpr std::chrono::milliseconds ProgressDelay{1000};

    CBatchFeedback(bool quiet, bool progressLine, std::FILE* out = stderr,
                   std::chrono::milliseconds delay = ProgressDelay);

    // Starts the next file; an empty source prefixes nothing.
    void Begin(const std::string& source);
    // Ends the file: held lines of a failure are printed, others dropped.
    void Finish(bool converted);

    // A message with the context it was shown with, and where the
    // conversion is, for a file converted elsewhere (on another thread).
    void ShowProgress(const CProgressState& state);
    void ShowMessage(const std::string& text, const std::vector<std::string>& context) override;
    void ProgressStart(const std::string& text) override;
    void ProgressSet(int percent) override;
    void ProgressEnd() override;
    void ProgressBytes(std::string_view section, std::uint64_t done, std::uint64_t total) override;

private:
    void PrintLines(const std::vector<std::string>& lines);
    void DrawProgress();
    void EraseProgress();

    const bool FQuiet;
    const bool FProgressLine;
    std::FILE* const FOut;
    const std::chrono::milliseconds FDelay;
    std::string FSource;
    std::chrono::steady_clock::time_point FStarted;
    std::vector<std::vector<std::string>> FHeld;
    CProgressState FProgress;
    std::string FShown;  // the progress line on the screen, "" for none
};

}  // namespace transvane
