// transvane-cli: the converter without a window, for scripts and batch work.
//
//   transvane-cli convert SOURCE TARGET
//   transvane-cli convert SOURCE... --output-dir DIR [--quiet]   (cli/Batch.h)
//   transvane-cli info FILE [--json]                              (cli/Info.h)
//
// Loads SOURCE and saves it to TARGET exactly as the window does.  Every
// message the window would show in a box is printed to standard error as one
// line holding exactly its text.  Exit status: 0 when TARGET was written,
// 1 when the load or the save failed, 2 for a usage error.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Batch.h"
#include "cli/Info.h"
#include "project/Resource_Main.h"
#include "format/core/Support_Memory.h"
#include "format/core/Support_Progress.h"
#include "format/core/Support_Random.h"

namespace {

const char* const Usage =
    "Usage: transvane-cli convert SOURCE TARGET\n"
    "       transvane-cli convert SOURCE... --output-dir DIR [--quiet] [--jobs N]\n"
    "       transvane-cli info FILE [--json]\n"
    "       transvane-cli --help | --version\n"
    "\n"
    "Converts a Vantrel project file of format version 400 to 500 (.vtr, or a\n"
    "backup .vk1 .. .vk9) into a version-500 project file.  An existing TARGET\n"
    "is kept as its .vk1 backup.  Messages go to standard error, one a line.\n"
    "\n"
    "With --output-dir (-o) each SOURCE is converted to DIR/NAME.vtr, NAME being\n"
    "its file name without extension; DIR is created when missing.  A file that\n"
    "fails does not stop the others.  Each message line starts with the file it\n"
    "belongs to; a summary line follows.  --quiet (-q) prints only failures.\n"
    "--jobs (-j) N converts up to N files at once (default: the number of\n"
    "cores); files, messages and summary are the same as with --jobs 1.\n"
    "See transvane-cli(1) for what happens when outputs clash.\n"
    "\n"
    "info describes what FILE holds, section by section, or where and why\n"
    "reading it stops; --json gives the same as JSON.\n"
    "\n"
    "Exit status: 0 converted (info: the file loads), 1 load or save failed\n"
    "(any file, in a batch; info: the file does not load), 2 usage error.\n";

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

int Convert(const std::string& source, const std::string& target) {
    CConsoleFeedback feedback;
    CFeedbackGuard guard(feedback);
    if (!LoadGameFile(source))
        return 1;
    return SaveGameFile(target) ? 0 : 1;
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
    if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "info") == 0 &&
        (argc == 3 || std::strcmp(argv[3], "--json") == 0))
        return RunInfo(argv[2], argc == 4, std::cout);
    if (argc >= 2 && std::strcmp(argv[1], "convert") == 0) {
        const std::vector<std::string> arguments(argv + 2, argv + argc);
        if (IsBatchConvert(arguments))
            ExitAfterConversion(RunBatchConvert(arguments, Usage));
        ExitAfterConversion(Convert(arguments[0], arguments[1]));
    }
    std::cerr << Usage;
    return 2;
}
