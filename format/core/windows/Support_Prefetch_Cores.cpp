// The cores this process may run on.
#include "format/core/Support_Prefetch.h"

#include <algorithm>
#include <bit>
#include <windows.h>

namespace transvane {

unsigned CoresAvailable() {
    DWORD_PTR process = 0;
    DWORD_PTR system = 0;
    if (!::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system) || process == 0)
        return 1;
    return static_cast<unsigned>(std::max(std::popcount(static_cast<std::uint64_t>(process)), 1));
}

}  // namespace transvane
