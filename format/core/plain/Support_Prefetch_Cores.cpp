// Platforms without threads (the page in the browser): the writer
// compresses every block itself, and listing a block does nothing.
#include "format/core/Support_Prefetch.h"

namespace transvane {

unsigned CoresAvailable() { return 1; }

}  // namespace transvane
