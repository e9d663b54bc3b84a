#include "format/behaviour/Library_Main.h"
#include "format/core/Support_Report.h"

namespace transvane {

CLibraryRegistry LibraryRegistry;

ActionLibrary& RegisterLibrary(std::unique_ptr<ActionLibrary> library) {
    LibraryRegistry.Libraries.push_back(std::move(library));
    return *LibraryRegistry.Libraries.back();
}

void RemoveLibraries() { LibraryRegistry.Libraries.clear(); }

const LibraryAction* FindLibraryAction(std::int32_t libraryId, std::int32_t actionId) {
    for (const auto& library : LibraryRegistry.Libraries) {
        if (library->Id != libraryId)
            continue;
        for (const auto& action : library->Actions)
            if (action->Id == actionId)
                return action.get();
    }
    return nullptr;
}

bool LoadUsedLibraries(CStream& stream) {
    if (stream.ReadInt() != UsedLibrariesVersion)
        return false;
    // A negative count names no library.  The names only record which
    // libraries the project used; the registry does not depend on them.
    const std::int32_t count = stream.ReadInt();
    if (count > 0) {
        stream.ExpectItems(count, 4);
        for (std::int32_t i = 0; i < count; ++i)
            stream.ReadString();
        NoteChange(stream.Core(), EChange::LibrariesEmptied, count);
    }
    return true;
}

bool SaveUsedLibraries(CStream& stream) {
    stream.WriteInt(UsedLibrariesVersion);
    stream.WriteInt(LibraryRegistry.LibraryCount());
    for (const auto& library : LibraryRegistry.Libraries)
        stream.WriteString(library->Name);
    return true;
}

}  // namespace transvane
