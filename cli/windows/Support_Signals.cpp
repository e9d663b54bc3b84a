// The interruption handler on Windows (cli/Support_Signals.h): the
// console's control events, which Windows delivers on a thread of its own.
#include "cli/Support_Signals.h"

#include <atomic>
#include <csignal>
#include <windows.h>

namespace transvane {

namespace {

// The program's handler; set once, before the console may call.
std::atomic<void (*)(int)> Handler{nullptr};

BOOL WINAPI OnControl(DWORD event) {
    void (*handler)(int) = Handler.load();
    if (handler == nullptr)
        return FALSE;
    // Ctrl-C and Ctrl-Break are the user's interruption; closing the
    // console, logging off and shutting down end the program as a kill.
    handler(event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT : SIGTERM);
    return TRUE;
}

}  // namespace

// No file is mapped on Windows: nothing to recover.
void HandleMappedFileFaults() {}

void HandleInterruptions(void (*handler)(int signal), int) {
    Handler.store(handler);
    ::SetConsoleCtrlHandler(OnControl, TRUE);
}

}  // namespace transvane
