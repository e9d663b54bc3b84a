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
//   - while a file takes longer than a moment, a progress line is kept up to
//     date on standard error, but only in a batch, when standard error is a
//     terminal and one file is converted at a time;
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
// a run that was cut short can be finished by running it again.  DIR is
// created when it does not exist.
//
// Interrupted (SIGINT, SIGTERM, SIGHUP), the run says which files it was
// at and which files it did not start, and still ends with the count,
// where these are "interrupted" and "not started".
//
// Exit status: 0 nothing failed, 1 a file failed or an output folder that
// cannot be used, 2 usage error; 128 + the signal when interrupted.
#pragma once

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "format/core/Support_Progress.h"

struct CArguments;

// Runs the convert command; returns the exit status.
int RunConvert(const CArguments& arguments);

// Says, from a signal handler, how far the running batch got: the files at
// work as interrupted and each file not started as not converted, on
// standard error, then the count.
// False, saying nothing, when no batch runs.  Async-signal-safe.
bool ReportBatchInterrupted();

// The feedback of a conversion on the console.  Each message becomes a line
// on out, with the current file's name in front when one is given, and its
// context lines after it; with quiet set, the lines of a file are held back
// and printed only when the file fails.  With progressLine set (out is
// a terminal) and quiet not, a file still at work after delay gets a
// progress line ("game.vtr: Loading Game Data ... 50%") that is rewritten in
// place and erased before anything else is printed.
class CBatchFeedback final : public CFeedback {
public:
    static constexpr std::chrono::milliseconds ProgressDelay{500};

    CBatchFeedback(bool quiet, bool progressLine, std::FILE* out = stderr,
                   std::chrono::milliseconds delay = ProgressDelay);

    // Starts the next file; an empty source prefixes nothing.
    void Begin(const std::string& source);
    // Ends the file: held lines of a failure are printed, others dropped.
    void Finish(bool converted);

    // A message with the context it was shown with, for a file converted
    // elsewhere (on another thread) whose lines are shown now.
    void ShowMessage(const std::string& text, const std::vector<std::string>& context);
    void ShowMessage(const std::string& text) override;
    void ProgressStart(const std::string& text) override;
    void ProgressSet(int percent) override;
    void ProgressEnd() override;

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
    std::string FStage;
    int FPercent = 0;
    std::size_t FShownWidth = 0;
};
