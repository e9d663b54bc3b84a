// transvane-cli's entry point on Windows.  The arguments arrive as UTF-16
// (wmain, linked with -municode) and go on as UTF-8, so that a name outside
// the legacy code page reaches the files intact; the console shows UTF-8,
// understands the progress line's control sequences, and standard input
// carries a project's bytes unchanged (binary, no end at a Ctrl-Z).
#include "cli/Support_Entry.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "format/core/windows/Support_Utf16.h"

namespace transvane {
namespace {

void PrepareConsole() {
    ::SetConsoleOutputCP(CP_UTF8);
    for (DWORD stream : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
        const HANDLE handle = ::GetStdHandle(stream);
        DWORD mode = 0;
        if (handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode))
            ::SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    }
    ::_setmode(::_fileno(stdin), _O_BINARY);
}

}  // namespace
}  // namespace transvane

int wmain(int argc, wchar_t** argv) {
    transvane::PrepareConsole();
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(transvane::Narrow(argv[i]));
    return transvane::RunTool(arguments);
}
