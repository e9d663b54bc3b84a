// Arena chunks in the page (Support_Platform.h): the page's memory is one
// heap that only grows, so a chunk is an ordinary allocation.
#include "format/core/Support_Platform.h"

#include <new>

namespace transvane {

namespace {

constexpr std::align_val_t ChunkAlignment{4096};

}  // namespace

void* ReserveChunk(std::size_t size) noexcept { return ::operator new(size, ChunkAlignment, std::nothrow); }

void ReleaseChunk(void* chunk, std::size_t) noexcept { ::operator delete(chunk, ChunkAlignment); }

}  // namespace transvane
