// One action library: a numbered, named collection of action definitions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "format/behaviour/Library_Actions.h"

namespace transvane {

struct ActionLibrary {
    // The library id that actions refer to.  Ids need not be unique: the
    // lookup takes the first library that holds the wanted action.
    std::int32_t Id = 0;
    // Written to the used-libraries section of a project file.
    std::string Name;
    std::vector<std::unique_ptr<LibraryAction>> Actions;

    int ActionCount() const { return static_cast<int>(Actions.size()); }
};

// The definition at a position of the library, or nullptr when the position
// is negative or not below the library's action count.
const LibraryAction* GetLibraryAction(const ActionLibrary& library, int position);

}  // namespace transvane
