// The signal handlers on POSIX systems (cli/Support_Signals.h).
#include "cli/Support_Signals.h"

#include <csignal>

#include <pthread.h>

#include "format/core/posix/Support_Interruptions.h"
#include "format/core/posix/Support_MappedFaults.h"

namespace transvane {

namespace {

void OnBusError(int signal, siginfo_t* info, void*) {
    if (RecoverMappedFileFault(info))
        return;
    // Not a mapped file's: ended as if nothing handled it, once this
    // returns (a fault repeats, a sent signal is pending).
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

}  // namespace

void HandleMappedFileFaults() {
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, nullptr);
}

void HandleInterruptions(void (*handler)(int signal), int flags) {
    sigset_t handled;
    sigemptyset(&handled);
    for (int signal : InterruptionSignals) {
        struct sigaction old {};
        ::sigaction(signal, nullptr, &old);
        if ((old.sa_flags & SA_SIGINFO) == 0 && old.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = handler;
        action.sa_flags = flags;
        sigemptyset(&action.sa_mask);
        for (int other : InterruptionSignals)
            sigaddset(&action.sa_mask, other);  // one handler at a time
        ::sigaction(signal, &action, nullptr);
        sigaddset(&handled, signal);
    }
    ::pthread_sigmask(SIG_UNBLOCK, &handled, nullptr);
}

}  // namespace transvane
