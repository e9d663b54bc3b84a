// transvane-cli: the converter without a window, for scripts and batch work.
//
//   transvane-cli convert [--force] SOURCE TARGET
//   transvane-cli convert SOURCE... --output-dir DIR [--quiet] [--force] [--jobs N] (cli/Batch.h)
//   transvane-cli info FILE [--layout] [--json]                            (cli/Info.h)
//   transvane-cli extract FILE DIR [--force]                               (cli/Extract.h)
//
// Loads SOURCE and saves it to TARGET exactly as the window does.  Every
// message the window would show in a box is printed to standard error as one
// line holding exactly its text.  The window asks before it replaces a file;
// this tool cannot ask, so an existing TARGET that is not SOURCE itself is
// refused before anything is read, unless --force (-f) is given.  Exit
// status: 0 when TARGET was written, 1 when the load or the save failed or
// TARGET was refused, 2 for a usage error, 128 + the signal when SIGINT,
// SIGTERM or SIGHUP interrupted the conversion (its temporary file is
// removed, TARGET is as it was or complete and new).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include "cli/Batch.h"
#include "cli/Extract.h"
#include "cli/Info.h"
#include "project/Conversion.h"
#include "format/core/Support_Memory.h"
#include "format/core/Support_Progress.h"
#include "format/core/Support_Random.h"
#include "format/core/Support_SafeSave.h"

namespace {

const char* const Usage =
    "Usage: transvane-cli convert SOURCE TARGET [--force]\n"
    "       transvane-cli convert SOURCE... --output-dir DIR [--quiet] [--force] [--jobs N]\n"
    "       transvane-cli info FILE [--layout] [--json]\n"
    "       transvane-cli extract FILE DIR [--force]\n"
    "       transvane-cli --help | --version\n"
    "\n"
    "Converts a Vantrel project file of format version 400 to 500 (.vtr, or a\n"
    "backup .vk1 .. .vk9) into a version-500 project file.  Messages go to\n"
    "standard error, one a line.\n"
    "\n"
    "An existing TARGET is replaced only with --force (-f), or when it is SOURCE\n"
    "itself (in place); the old file is kept as its .vk1 backup.  A symbolic\n"
    "link is written through; a folder, device, FIFO or socket is refused.\n"
    "\n"
    "With --output-dir (-o) each SOURCE is converted to DIR/NAME.vtr, NAME being\n"
    "its file name without extension; DIR is created when missing.  A file that\n"
    "fails does not stop the others.  Each message line starts with the file it\n"
    "belongs to; a summary line follows.  --quiet (-q) prints only failures.\n"
    "--jobs (-j) N converts up to N files at once (default: the number of\n"
    "cores); files, messages and summary are the same as with --jobs 1.\n"
    "Existing outputs are replaced only with --force.  See transvane-cli(1) for\n"
    "what happens when outputs clash.\n"
    "\n"
    "info summarises what FILE holds: format version, author, game version,\n"
    "last change, the number of resources of each kind, then every resource\n"
    "by name.  --layout shows the file's sections instead (offsets, stored\n"
    "versions and sizes); a file that does not load is explained, then shown\n"
    "that way up to where reading stopped.  --json gives either as JSON.\n"
    "\n"
    "extract writes every picture (PNG), sound, script, data file and the game\n"
    "information of FILE into DIR (created when missing), with project.json\n"
    "describing every record and index.html showing the project.  Existing\n"
    "files are replaced only with --force (-f).\n"
    "\n"
    "Exit status: 0 converted (info: the file loads; extract: all written),\n"
    "1 load or save failed or a target refused (any file, in a batch; info: the\n"
    "file does not load; extract: nothing or not everything written), 2 usage\n"
    "error, 130/143/129 interrupted by SIGINT/SIGTERM/SIGHUP (the target is left\n"
    "as it was, no temporary file remains).\n";

// Messages become lines on standard error; progress is not shown.
class CConsoleFeedback final : public CFeedback {
public:
    void ShowMessage(const std::string& text) override {
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fputc('\n', stderr);
        std::fflush(stderr);
    }
    void ProgressStart(const std::string&) override {}
    void ProgressSet(int) override {}
    void ProgressEnd() override {}
};

int Convert(const CSingleConvert& single) {
    // Refused before the load, which may take a while for a large project.
    if (!single.Force && ResolveSaveTarget(single.Target).Kind == ESaveTargetKind::File &&
        !SameFile(single.Source, single.Target)) {
        std::fprintf(stderr, "transvane-cli: %s already exists; use --force to replace it\n", single.Target.c_str());
        return 1;
    }
    CConsoleFeedback feedback;
    return ConvertFile(single.Source, single.Target, &feedback).Converted ? 0 : 1;
}

// Says that the conversion was interrupted; runs in a signal handler, once
// the temporary files are gone.
void ReportInterruption(int) {
    if (!ReportBatchInterrupted())
        WriteFromHandler(STDERR_FILENO, "Conversion interrupted.\n");
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

}  // namespace

int main(int argc, char** argv) {
    PreferHugePages(argv);
    Randomize();
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::cout << Usage;
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "transvane-cli " << TRANSVANE_VERSION << "\n";
        return 0;
    }
    if (argc >= 3 && argc <= 5 && std::strcmp(argv[1], "info") == 0) {
        bool json = false, layout = false, known = true;
        for (int i = 3; i < argc; ++i) {
            bool& option = std::strcmp(argv[i], "--json") == 0 ? json : layout;
            known = known && (std::strcmp(argv[i], "--json") == 0 || std::strcmp(argv[i], "--layout") == 0) && !option;
            option = true;
        }
        if (known)
            return RunInfo(argv[2], layout ? EInfoView::Layout : EInfoView::Summary, json, std::cout);
    }
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "extract") == 0 &&
        (argc == 4 || std::strcmp(argv[4], "--force") == 0 || std::strcmp(argv[4], "-f") == 0)) {
        CConsoleFeedback feedback;
        CFeedbackGuard guard(feedback);
        ExitAfterConversion(RunExtract(argv[2], argv[3], argc == 5, std::cerr));
    }
    if (argc >= 2 && std::strcmp(argv[1], "convert") == 0) {
        const std::vector<std::string> arguments(argv + 2, argv + argc);
        HandleInterruptions(ReportInterruption);
        if (const std::optional<CSingleConvert> single = SingleConvertArguments(arguments))
            ExitAfterConversion(Convert(*single));
        ExitAfterConversion(RunBatchConvert(arguments, Usage));
    }
    std::cerr << Usage;
    return 2;
}
