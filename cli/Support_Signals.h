// The signal handlers of the converter's programs.  The library installs
// none: each program installs these in its main (transvane-cli, the window,
// the benchmark), so that how the process ends stays the program's choice.
#pragma once

namespace transvane {

// Installs a SIGBUS handler that turns a fault in a mapped project into a
// failed load (RecoverMappedFileFault, format/core/Support_MappedFile.h);
// any other SIGBUS ends the program as it would without it.  Without this
// handler the library reads files instead of mapping them.  Where no file
// is mapped (Windows), it does nothing.
void HandleMappedFileFaults();

// Installs handler for each interruption signal (SIGINT, SIGTERM, SIGHUP)
// that is not ignored (started under nohup or as a script's background
// job, the caller meant it), with sigaction's flags, the others held back
// while it runs; then lets those signals through, even where the parent
// held them back when it started this process.  On Windows the console's
// Ctrl-C and Ctrl-Break call it with SIGINT, closing the console or ending
// the session with SIGTERM, on a thread of their own; flags are unused.
void HandleInterruptions(void (*handler)(int signal), int flags = 0);

}  // namespace transvane
