#include "format/core/Support_Arena.h"

#include <algorithm>
#include <cstdint>

#include "format/core/Support_Platform.h"

namespace transvane {

namespace {

constexpr std::size_t PageSize = 4096;
// Allocations from this size on get a chunk of their own, so that a chunk
// being filled never wastes more than this, and freeing them gives their
// memory back at once.
constexpr std::size_t OwnChunkFrom = std::size_t{256} << 10;
// Chunks grow with what the arena holds, up to this size: a small project
// takes one huge page, a large one a few dozen chunks.
constexpr std::size_t LargestChunk = std::size_t{64} << 20;

constexpr std::size_t RoundUp(std::size_t bytes, std::size_t unit) { return (bytes + unit - 1) / unit * unit; }

}  // namespace

void CArena::Release() noexcept {
    for (const CChunk& chunk : FChunks)
        ReleaseChunk(chunk.Start, chunk.Size);
    FChunks.clear();
    FNext = FEnd = nullptr;
    FReserved = 0;
}

void* CArena::do_allocate(std::size_t bytes, std::size_t alignment) {
    if (alignment > PageSize)
        throw std::bad_alloc();
    if (bytes >= OwnChunkFrom)
        return ReserveOwnChunk(bytes);
    // Room for the worst misalignment, so that the test needs no address.
    if (FNext == nullptr || static_cast<std::size_t>(FEnd - FNext) < bytes + alignment)
        StartChunk(bytes);
    const std::size_t misfit = reinterpret_cast<std::uintptr_t>(FNext) % alignment;
    std::byte* place = misfit == 0 ? FNext : FNext + (alignment - misfit);
    FNext = place + bytes;
    return place;
}

void CArena::do_deallocate(void* memory, std::size_t bytes, std::size_t) noexcept {
    if (bytes < OwnChunkFrom)
        return;
    const auto own =
        std::find_if(FChunks.rbegin(), FChunks.rend(), [memory](const CChunk& chunk) { return chunk.Start == memory; });
    if (own == FChunks.rend())
        return;
    ReleaseChunk(own->Start, own->Size);
    FReserved -= own->Size;
    FChunks.erase(std::next(own).base());
}

void* CArena::ReserveOwnChunk(std::size_t bytes) {
    const std::size_t size = RoundUp(bytes, PageSize);
    if (size < bytes)
        throw std::bad_alloc();
    FChunks.reserve(FChunks.size() + 1);  // so that the chunk is never lost
    void* chunk = ReserveChunk(size);
    if (chunk == nullptr)
        throw std::bad_alloc();
    FChunks.push_back({chunk, size});
    FReserved += size;
    return chunk;
}

void CArena::StartChunk(std::size_t least) {
    const std::size_t size = RoundUp(std::clamp(FReserved, least + PageSize, LargestChunk), HugeChunkSize);
    FChunks.reserve(FChunks.size() + 1);
    void* chunk = ReserveChunk(size);
    if (chunk == nullptr)
        throw std::bad_alloc();
    FChunks.push_back({chunk, size});
    FReserved += size;
    FNext = static_cast<std::byte*>(chunk);
    FEnd = FNext + size;
}

}  // namespace transvane
