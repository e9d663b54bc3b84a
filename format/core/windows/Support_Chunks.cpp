// Arena chunks on Windows (Support_Platform.h): committed pages of their
// own, which the system hands out cleared.  Large pages need a privilege
// ordinary users lack, so the ordinary size is asked for.
#include "format/core/Support_Platform.h"

#include <windows.h>

namespace transvane {

void* ReserveChunk(std::size_t size) noexcept {
    return VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void ReleaseChunk(void* chunk, std::size_t) noexcept { VirtualFree(chunk, 0, MEM_RELEASE); }

}  // namespace transvane
