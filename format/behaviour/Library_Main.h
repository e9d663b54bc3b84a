// The action library registry and the used-libraries section.
//
// Actions name what they do by (library id, action id); the registry holds
// the libraries known to the running program and answers which definition
// has such a pair.  The converter registers no library, so every lookup
// finds nothing and actions keep the definition copy they were read with.
//
// Used-libraries section of a project file (from version 440 on):
//
//   int32 version 500
//   int32 count
//   count x string library name
//
// The names are read and discarded; they are never matched against the
// registry.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "format/behaviour/Library_Actions.h"
#include "format/behaviour/Library_Library.h"
#include "format/core/Support_Stream.h"

namespace transvane {

inline constexpr std::int32_t UsedLibrariesVersion = 500;

// Images of the actions, 32 x 32 pixels each, as BMP bytes.  Nothing fills
// it in the converter; it exists for the registry's shape.
struct CActionImageList {
    static constexpr int Width = 32;
    static constexpr int Height = 32;
    std::vector<CBlock> Images;
};

struct CLibraryRegistry {
    // In registration order; the lookup goes through them in this order.
    std::vector<std::unique_ptr<ActionLibrary>> Libraries;
    CActionImageList ActionImages;

    int LibraryCount() const { return static_cast<int>(Libraries.size()); }
};

// Lives from program start to exit; ClearGame leaves it alone.
extern CLibraryRegistry LibraryRegistry;

// Appends a library to the registry and returns it.
ActionLibrary& RegisterLibrary(std::unique_ptr<ActionLibrary> library);
// Empties the registry again (the converter itself never needs to).
void RemoveLibraries();

// The first definition with this action id in the first library with this
// library id that holds one; a later library with the same id can still
// supply it.  nullptr when nothing matches.
const LibraryAction* FindLibraryAction(std::int32_t libraryId, std::int32_t actionId);

bool LoadUsedLibraries(CStream& stream);
bool SaveUsedLibraries(CStream& stream);

}  // namespace transvane
