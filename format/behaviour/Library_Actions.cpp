#include "format/behaviour/Library_Actions.h"

namespace transvane {

namespace {

bool IsArgumentIndex(int index) { return index >= 0 && index < ActionArgumentCount; }

}  // namespace

std::int32_t ArgumentKind(const LibraryAction& action, int index) {
    return IsArgumentIndex(index) ? action.ArgumentKinds[static_cast<std::size_t>(index)] : 0;
}

std::string DefaultArgument(const LibraryAction& action, int index) {
    return IsArgumentIndex(index) ? action.DefaultArguments[static_cast<std::size_t>(index)] : std::string();
}

}  // namespace transvane
