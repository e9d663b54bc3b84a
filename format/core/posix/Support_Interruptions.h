// The signals that interrupt a program at the user's wish on POSIX systems:
// a terminal's Ctrl-C, a kill, the end of the session.
#pragma once

#include <array>
#include <csignal>

namespace transvane {

inline constexpr std::array<int, 3> InterruptionSignals = {SIGINT, SIGTERM, SIGHUP};

}  // namespace transvane
