// transvane-cli: the converter without a window, for scripts and batch work.
//
//   transvane-cli convert [-q] [-f] SOURCE TARGET                (cli/Batch.h)
//   transvane-cli convert [-q] [-f] SOURCE... --output-dir DIR [-j N]   (cli/Batch.h)
//   transvane-cli info FILE [--layout] [--json]                  (cli/Info.h)
//   transvane-cli check SOURCE [--json]                          (cli/Check.h)
//   transvane-cli extract FILE DIR [--force]                     (cli/Extract.h)
//   transvane-cli recover SOURCE TARGET [--force] [--json]       (cli/Recover.h)
//   transvane-cli help [COMMAND]
//
// convert loads SOURCE and saves it to TARGET exactly as the window does.
// Every message the window would show in a box is printed to standard error
// as one line holding exactly its text, its context on indented lines after
// it.  The window asks before it replaces a file; this tool cannot ask, so
// an existing TARGET that is not SOURCE itself is refused before anything is
// read, unless --force (-f) is given.  Exit status: 0 done, 1 when a load or
// a save failed or a target was refused, 2 for a usage error
// (cli/Arguments.h), 128 + the signal when SIGINT, SIGTERM or SIGHUP
// interrupted the conversion (its temporary file is removed, TARGET is as it
// was or complete and new).
#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <unistd.h>
#include <vector>

#include "cli/Arguments.h"
#include "cli/Batch.h"
#include "cli/Check.h"
#include "cli/Extract.h"
#include "cli/Info.h"
#include "cli/Recover.h"
#include "cli/Support_Entry.h"
#include "cli/Support_Signals.h"
#include "format/core/Support_PendingFiles.h"
#include "format/core/Support_Platform.h"
#include "format/core/Support_SafeSave.h"

namespace transvane {

namespace {

// The temporary files of the saves under way: this program's, so that its
// signal handler can remove them.
CPendingFiles PendingFiles;

// Ends an interrupted conversion: a save that is moving its backups along
// finishes that first and no save begins another step, its temporary files
// are removed, then the user learns how far it got, and the status is 128 +
// the signal's number, as shells report an interrupted command.  The target
// of the save under way is as it was, or complete and new if its rename
// had happened.
void OnInterrupt(int signal) {
    PendingFiles.Stop();
    AwaitFilesShown(PendingFiles);
    PendingFiles.RemoveAll();
    if (!ReportBatchInterrupted())
        WriteFromHandler(STDERR_FILENO, "Conversion interrupted.\n");
    std::_Exit(128 + signal);
}

// Ends the process once a conversion is done.  The project model dies with
// the process: freeing its records one by one (hundreds of thousands in a
// large project) would only make the user wait longer.  The output file is
// complete and synced by then; only the standard streams need flushing.
[[noreturn]] void ExitAfterConversion(int status) {
    std::cout.flush();
    std::fflush(nullptr);
    std::_Exit(status);
}

int Convert(const CArguments& arguments) {
    HandleInterruptions(OnInterrupt);
    ExitAfterConversion(RunConvert(arguments, &PendingFiles));
}

int Info(const CArguments& arguments) {
    return RunInfo(arguments.Operands[0], arguments.Has("layout") ? EInfoView::Layout : EInfoView::Summary,
                   arguments.Has("json"), std::cout);
}

int Check(const CArguments& arguments) {
    ExitAfterConversion(RunCheck(arguments.Operands[0], arguments.Has("json"), std::cout));
}

int Recover(const CArguments& arguments) {
    HandleInterruptions(OnInterrupt);
    ExitAfterConversion(RunRecover(arguments, std::cout, &PendingFiles));
}

// An extraction asked to stop: before it writes, the process just ends;
// once it writes, it takes back what it wrote and ends itself.
CExtractStop ExtractStop;

void StopExtraction(int signal) {
    if (ExtractStop.Writing == 0) {
        WriteFromHandler(STDERR_FILENO, "Extraction interrupted.\n");
        std::_Exit(128 + signal);
    }
    ExtractStop.Signal = signal;
}

int Extract(const CArguments& arguments) {
    if (arguments.Operands[0] == "-")
        return UsageError("extract cannot use \"-\": give the project file");
    HandleInterruptions(StopExtraction);
    // The load's progress line, on a terminal.
    CBatchFeedback console(false, IsTerminal(STDERR_FILENO), stderr, arguments.ProgressDelay);
    console.Begin("");
    ExitAfterConversion(RunExtract(arguments.Operands[0], arguments.Operands[1], arguments.Has("force"), std::cout,
                                   std::cerr, ExtractStop, &console));
}

// ---- the commands and their options: one row each ----------------------------

constexpr std::array ConvertOptions = {
    COptionRow{"output-dir", 'o', "DIR", "a folder name", "convert each SOURCE (a folder: its .vtr files) into DIR"},
    COptionRow{"quiet", 'q', nullptr, nullptr, "print failures only: no warnings, no summary"},
    COptionRow{"verbose", 'v', nullptr, nullptr, "name each file skipped in a SOURCE folder (a backup ...)"},
    COptionRow{"force", 'f', nullptr, nullptr, "replace an existing TARGET or output, keeping it as a backup"},
    COptionRow{"skip-existing", 0, nullptr, nullptr, "leave an existing TARGET or output alone, counted as skipped"},
    COptionRow{"jobs", 'j', "N", "a number", "convert up to N files at once, 1 to 256 (default: all cores)"},
    HelpOption,
};

constexpr std::array InfoOptions = {
    COptionRow{"layout", 0, nullptr, nullptr, "show the file's sections: offsets, stored versions, sizes"},
    COptionRow{"json", 0, nullptr, nullptr, "print the report as one JSON object"},
    HelpOption,
};

constexpr std::array CheckOptions = {
    COptionRow{"json", 0, nullptr, nullptr, "print the report as one JSON object"},
    HelpOption,
};

constexpr std::array ExtractOptions = {
    COptionRow{"force", 'f', nullptr, nullptr, "replace files that exist in DIR already"},
    HelpOption,
};

constexpr std::array RecoverOptions = {
    COptionRow{"force", 'f', nullptr, nullptr, "replace an existing TARGET, keeping it as a backup"},
    COptionRow{"json", 0, nullptr, nullptr, "print the report as one JSON object"},
    HelpOption,
};

const std::array<CCommandRow, 5> Commands = {{
    {"convert", "Converts project files of version 400 to 500 into version-500 files.",
     "SOURCE TARGET | SOURCE... --output-dir DIR", ConvertOptions, 1, ManyOperands, "a file",
     "Converts a project file of format version 400 to 500 (.vtr, or a backup\n"
     ".vk1 .. .vk9) into a version-500 file.  An existing TARGET is replaced\n"
     "only with --force, or when it is SOURCE itself, and is then kept as its\n"
     "newest backup, .vk1, the earlier ones moving down to .vk9 (the oldest is\n"
     "kept; a backup as TARGET keeps its old content as the next number); a\n"
     "symbolic link is written through, a folder, device, FIFO or socket is\n"
     "refused.  A version-500 SOURCE converted onto itself is left unchanged.\n"
     "With --output-dir each SOURCE becomes DIR/NAME.vtr,\n"
     "NAME being its file name without extension, and DIR is created when\n"
     "missing.  A SOURCE folder stands for the .vtr files in it and in its\n"
     "sub-folders, each written to the same path under DIR; the backups\n"
     "there, and what is named as a project but is no ordinary file, are\n"
     "skipped and counted (--verbose names them).  A backup whose\n"
     "NAME.vtr is converted too is skipped.  --skip-existing leaves an output\n"
     "that exists alone, so a run that was interrupted can be finished.  A file\n"
     "that fails does not stop the others; the run ends with a count of the\n"
     "files converted, unchanged, skipped and failed, then the failed files by\n"
     "name.  --jobs N converts up to N files at once; the files, the\n"
     "messages (in the order of the sources) and the summary are the same as\n"
     "with --jobs 1.  Messages of a file that converts are warnings and are\n"
     "counted.  A file cannot be \"-\": the new file is written beside its\n"
     "target under a temporary name and needs a real source.  Exit status 0\n"
     "converted, unchanged or skipped, 1 a load or save failed or a target was\n"
     "refused (any file, in a batch) or DIR cannot be used, 130/143/129\n"
     "interrupted by SIGINT/SIGTERM/SIGHUP (the target is left as it was, no\n"
     "temporary file remains).\n",
     Convert},
    {"info", "Shows what a project file holds, or how its sections are laid out.", "FILE", InfoOptions, 1, 1, "a file",
     "Summarises what FILE holds: format version, author, game version, last\n"
     "change, the number of resources of each kind, then every resource by\n"
     "name.  --layout shows the file's sections instead (offsets, stored\n"
     "versions and sizes); a file that does not load is explained, then shown\n"
     "that way up to where reading stopped.  FILE \"-\" reads standard input.\n"
     "Exit status 0 when the file loads, 1 when it does not.\n",
     Info},
    {"check", "Lists what converting a file would change, without writing anything.", "SOURCE", CheckOptions, 1, 1,
     "a file",
     "Converts SOURCE in memory and writes nothing: lists what the conversion\n"
     "changes, each change with its place and a count, and the messages it\n"
     "gives.  SOURCE \"-\" reads standard input.  Exit status 0 when the file\n"
     "would convert, 1 when it would not.\n",
     Check},
    {"extract", "Writes a project's art, sounds, scripts and records to a folder.", "FILE DIR", ExtractOptions, 2, 2,
     "a file and a folder",
     "Writes every picture (PNG), sound, script, data file and the game\n"
     "information of FILE into DIR (created when missing), with project.json\n"
     "describing every record and index.html showing the project.  Existing\n"
     "files are replaced only with --force.  Exit status 0 when everything was\n"
     "written, 1 when the file does not load or a file could not be written,\n"
     "130/143/129 when interrupted by SIGINT/SIGTERM/SIGHUP (what it had\n"
     "written is removed).\n",
     Extract},
    {"recover", "Saves what a damaged project file still holds as a version-500 file.", "SOURCE TARGET", RecoverOptions,
     2, 2, "a file and a new file",
     "Reads the damaged SOURCE as far as it can and saves what it holds into\n"
     "TARGET as a version-500 project.  Every record read completely before\n"
     "the damage is kept as it was; a compressed block that is damaged but\n"
     "whose length is sound loses only its own picture or data, and reading\n"
     "goes on after it.  Sections never reached are those of a new project,\n"
     "and a resource tree that was not read is rebuilt from the resources\n"
     "recovered.  Prints, per kind, how many resources were recovered and\n"
     "where and why reading stopped, each damaged block with its place, and\n"
     "last \"recovered N of M resources into TARGET\" (--json: the same as\n"
     "one JSON object).  SOURCE is never written: TARGET must be another file.\n"
     "An existing TARGET is replaced only with --force, and is then kept as\n"
     "its backup.  An undamaged SOURCE is converted as by convert.  Exit\n"
     "status 0 TARGET written, 1 nothing could be read or TARGET could not be\n"
     "written, 2 usage error (also when TARGET is SOURCE), 130/143/129\n"
     "interrupted by SIGINT/SIGTERM/SIGHUP (TARGET is left as it was, no\n"
     "temporary file remains).\n",
     Recover},
}};

// "help", "help COMMAND": the tool's help or a command's, as --help gives
// them.
int Help(std::span<const std::string> topics) {
    if (topics.size() > 1)
        return UsageError("help takes one command, not " + std::to_string(topics.size()));
    if (topics.empty() || topics[0] == "help") {
        std::cout << ToolHelp(Commands);
        return 0;
    }
    for (const CCommandRow& command : Commands)
        if (topics[0] == command.Name) {
            std::cout << CommandHelp(command);
            return 0;
        }
    return UsageError("unknown command " + topics[0], CommandNearest(Commands, topics[0]));
}

// The wait before a progress line appears.  The tests shorten it through
// TRANSVANE_PROGRESS_DELAY (milliseconds), so that a small project shows
// its progress line too.
std::chrono::milliseconds ProgressDelayFromEnvironment() {
    const char* value = std::getenv("TRANSVANE_PROGRESS_DELAY");
    unsigned milliseconds = 0;
    if (value == nullptr)
        return CBatchFeedback::ProgressDelay;
    const char* end = value + std::strlen(value);
    const auto [stop, error] = std::from_chars(value, end, milliseconds);
    if (error != std::errc() || stop != end || stop == value)
        return CBatchFeedback::ProgressDelay;
    return std::chrono::milliseconds(milliseconds);
}

}  // namespace

int RunTool(const std::vector<std::string>& arguments) {
    HandleMappedFileFaults();
    // --version wins wherever it stands, as an option; after "--" it would
    // be a file's name.
    const auto optionsEnd = std::find(arguments.begin(), arguments.end(), "--");
    if (std::find(arguments.begin(), optionsEnd, "--version") != optionsEnd) {
        std::cout << "transvane-cli " << TRANSVANE_VERSION << "\n";
        return 0;
    }
    if (!arguments.empty() && (arguments[0] == "help" || arguments[0] == "--help" || arguments[0] == "-h"))
        return Help(std::span(arguments).subspan(1));
    CUsageProblem problem;
    std::optional<CArguments> parsed = ParseArguments(Commands, arguments, problem);
    if (!parsed)
        return UsageError(problem.Text, problem.Meant);
    if (parsed->Has("help")) {
        std::cout << CommandHelp(*parsed->Command);
        return 0;
    }
    parsed->ProgressDelay = ProgressDelayFromEnvironment();
    return parsed->Command->Run(*parsed);
}
}  // namespace transvane
