// Shared by the harnesses.  The inflate limit and the floor of a load's
// budget are lowered so that a block that inflates to many megabytes, or a
// picture that decodes to them, ends as a clean failure long before
// libFuzzer's memory and time limits are reached.  Messages go nowhere: no
// feedback is installed.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

#include "format/core/Support_Stream.h"
#include "format/core/Support_Zlib.h"
#include "project/Project_Main.h"
#include "project/Resource_Main.h"
#include "transvane/transvane.h"

namespace transvane {

// Far above what a harness input of a few kilobytes inflates to in a real
// project, far below the memory limit of a fuzzing run.  The inflate limit
// stays above the budget's floor, so that every picture a load accepts (at
// most the budget, once decoded) can be written and read back.
inline constexpr std::size_t FuzzInflateLimit = std::size_t{16} << 20;

inline constexpr std::size_t FuzzBudgetFloor = std::size_t{8} << 20;

// The same bounds for a conversion through the library, which uses a
// project of its own.
inline transvane::COptions FuzzOptions() {
    transvane::COptions options;
    options.MaxBlockBytes = FuzzInflateLimit;
    options.MinLoadBudget = FuzzBudgetFloor;
    return options;
}

// Sets the bounds in the core part of the project (or the lone stream) a
// harness reads into.
inline void PrepareFuzzing(CCoreState& core) {
    core.InflateLimit = FuzzInflateLimit;
    core.BudgetFloor = FuzzBudgetFloor;
}

// What the converter wrote (what: "saved", "recovered") must read again
// with the ordinary load, to the last byte.
inline void ExpectLoadsAgainWhole(CBlock written, const std::string& what) {
    CProject project;
    PrepareFuzzing(project.Core);
    CStream output(project.Core, std::move(written));
    if (!LoadGame(project, output))
        throw std::logic_error("a " + what + " project could not be loaded again");
    if (output.Remaining() != 0)
        throw std::logic_error("a " + what + " project holds bytes its reader does not consume");
}

}  // namespace transvane
