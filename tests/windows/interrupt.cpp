// Interrupts a program as a user at its console does:
//   interrupt.exe ctrl-c|ctrl-break WATCHED PROGRAM ARGUMENT...
// starts PROGRAM on this program's console, waits until a file matching
// WATCHED (a wildcard, such as a save's temporary file) exists, sends the
// console's event, and exits with PROGRAM's status.  Ctrl-C goes to every
// process of the console (this one ignores it), as a key press does;
// Ctrl-Break to PROGRAM alone, started in a process group of its own.
// When the program ended before the file appeared (status 124), or the
// console refused the event (status 125), it says so on standard error,
// so that a test never mistakes a run that was not interrupted for one
// that was.  Standard input, output and error reach PROGRAM unchanged.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// One argument as the C runtime of the program started will parse it back.
std::wstring Quoted(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, L'\\');
    return quoted + L"\"";
}

bool Exists(const wchar_t* pattern) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    ::FindClose(search);
    return true;
}

// Started from a script, this program has no console that events reach
// (Wine gives it one without a window, which takes none): it makes one,
// keeping the standard handles it was given rather than the console's.
void ShareAConsole() {
    if (::GetConsoleWindow() != nullptr)
        return;
    const DWORD streams[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    HANDLE given[3];
    for (int i = 0; i < 3; ++i)
        given[i] = ::GetStdHandle(streams[i]);
    ::FreeConsole();
    ::AllocConsole();
    for (int i = 0; i < 3; ++i)
        ::SetStdHandle(streams[i], given[i]);
}

BOOL WINAPI Ignore(DWORD) { return TRUE; }

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring event = argc > 1 ? argv[1] : L"";
    if (argc < 4 || (event != L"ctrl-c" && event != L"ctrl-break")) {
        std::fputs("usage: interrupt.exe ctrl-c|ctrl-break WATCHED PROGRAM ARGUMENT...\n", stderr);
        return 2;
    }
    const bool breaks = event == L"ctrl-break";
    ShareAConsole();
    ::SetConsoleCtrlHandler(Ignore, TRUE);

    std::wstring line;
    for (int i = 3; i < argc; ++i)
        line += (i > 3 ? L" " : L"") + Quoted(argv[i]);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, breaks ? CREATE_NEW_PROCESS_GROUP : 0, nullptr,
                          nullptr, &startup, &process)) {
        std::fprintf(stderr, "interrupt.exe: cannot start the program (error %lu)\n", ::GetLastError());
        return 125;
    }
    ::CloseHandle(process.hThread);
    while (!Exists(argv[2])) {
        if (::WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) {
            std::fputs("interrupt.exe: the program ended before the watched file appeared\n", stderr);
            return 124;
        }
    }
    if (!::GenerateConsoleCtrlEvent(breaks ? CTRL_BREAK_EVENT : CTRL_C_EVENT, breaks ? process.dwProcessId : 0)) {
        std::fprintf(stderr, "interrupt.exe: the console refused the event (error %lu)\n", ::GetLastError());
        ::TerminateProcess(process.hProcess, 125);
        ::WaitForSingleObject(process.hProcess, INFINITE);
        return 125;
    }
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    ::GetExitCodeProcess(process.hProcess, &status);
    ::CloseHandle(process.hProcess);
    return static_cast<int>(status);
}
