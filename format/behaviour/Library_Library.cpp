#include "format/behaviour/Library_Library.h"

namespace transvane {

const LibraryAction* GetLibraryAction(const ActionLibrary& library, int position) {
    if (position < 0 || position >= library.ActionCount())
        return nullptr;
    return library.Actions[static_cast<std::size_t>(position)].get();
}

}  // namespace transvane
