// Arena chunks on Linux and its kin (Support_Platform.h): anonymous
// mappings, advised into huge pages, so that a model of a hundred megabytes
// costs some fifty page faults instead of twenty-five thousand.
#include "format/core/Support_Platform.h"

#include <cstdint>
#include <sys/mman.h>

namespace transvane {

void* ReserveChunk(std::size_t size) noexcept {
    // A huge page backs only an aligned stretch of a mapping: a large chunk
    // is mapped with room to spare and trimmed to its aligned part.
    const bool huge = size % HugeChunkSize == 0;
    const std::size_t mapped = huge ? size + HugeChunkSize : size;
    void* start = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (start == MAP_FAILED)
        return nullptr;
    if (!huge)
        return start;
    auto* bytes = static_cast<std::uint8_t*>(start);
    const std::size_t head = (HugeChunkSize - reinterpret_cast<std::uintptr_t>(start) % HugeChunkSize) % HugeChunkSize;
    if (head != 0)
        munmap(bytes, head);
    if (HugeChunkSize - head != 0)
        munmap(bytes + head + size, HugeChunkSize - head);
#ifdef MADV_HUGEPAGE
    // Only advice: a system without huge pages keeps ordinary ones.
    madvise(bytes + head, size, MADV_HUGEPAGE);
#endif
    return bytes + head;
}

void ReleaseChunk(void* chunk, std::size_t size) noexcept { munmap(chunk, size); }

}  // namespace transvane
