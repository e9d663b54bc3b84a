// The cores this process may run on.
#include "format/core/Support_Prefetch.h"

#include <algorithm>
#include <sched.h>

namespace transvane {

unsigned CoresAvailable() {
    cpu_set_t cores;
    CPU_ZERO(&cores);
    if (::sched_getaffinity(0, sizeof cores, &cores) != 0)
        return 1;
    return static_cast<unsigned>(std::max(CPU_COUNT(&cores), 1));
}

}  // namespace transvane
