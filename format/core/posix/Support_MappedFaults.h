// Where a program recovers from a fault in a mapped project
// (format/core/Support_MappedFile.h).
#pragma once

#include <csignal>

namespace transvane {

// For the program's SIGBUS handler: true when the fault that raised the
// signal lies in a mapped file, which then reads as zeros and counts as
// failed, so the handler returns and the program goes on; false for any
// other SIGBUS.  Async-signal-safe.
bool RecoverMappedFileFault(const siginfo_t* info) noexcept;

}  // namespace transvane
