#include "format/core/Support_Arena.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <optional>
#include <utility>
#include <vector>

namespace transvane {

namespace {

// Sizes on both sides of the chunk being filled running out and of an
// allocation getting a chunk of its own; every allocation must be aligned
// and keep its bytes while the others are written.
TEST(Arena, AllocationsAreAlignedAndApart) {
    CArena arena;
    struct CPiece {
        std::uint8_t* Bytes;
        std::size_t Size;
        std::uint8_t Fill;
    };
    std::vector<CPiece> pieces;
    std::uint8_t fill = 1;
    for (int round = 0; round < 3; ++round)
        for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{7}, std::size_t{152}, std::size_t{4096},
                                 std::size_t{200000}, std::size_t{262143}, std::size_t{262144}, std::size_t{3} << 20})
            for (std::size_t alignment : {1, 8, 16, 64, 4096}) {
                auto* bytes = static_cast<std::uint8_t*>(arena.allocate(size, alignment));
                EXPECT_EQ(reinterpret_cast<std::uintptr_t>(bytes) % alignment, 0u) << size << " " << alignment;
                std::memset(bytes, fill, size);
                pieces.push_back({bytes, size, fill++});
            }
    for (const CPiece& piece : pieces)
        for (std::size_t i = 0; i < piece.Size; i += 4093)
            ASSERT_EQ(piece.Bytes[i], piece.Fill) << piece.Size;
    EXPECT_THROW((void)arena.allocate(64, 8192), std::bad_alloc);
}

// A large allocation is given back when it is freed; everything is when the
// arena is released, and the arena then serves again.
TEST(Arena, GivesMemoryBack) {
    CArena arena;
    void* small = arena.allocate(100, 8);
    const std::size_t held = arena.Reserved();
    EXPECT_GE(held, 100u);
    void* large = arena.allocate(std::size_t{5} << 20, 16);
    EXPECT_GE(arena.Reserved(), held + (std::size_t{5} << 20));
    arena.deallocate(large, std::size_t{5} << 20, 16);
    arena.deallocate(small, 100, 8);
    EXPECT_EQ(arena.Reserved(), held);
    arena.Release();
    EXPECT_EQ(arena.Reserved(), 0u);
    CVector<int> numbers(&arena);
    numbers.assign(1000, 7);
    EXPECT_EQ(numbers[999], 7);
}

// The heap resource must free over-aligned memory the way it was taken.
TEST(ModelMemory, HeapServesEveryAlignment) {
    CMemoryResource& heap = *HeapMemory();
    for (std::size_t alignment : {1, 8, 16, 32, 64, 4096}) {
        void* bytes = heap.allocate(100, alignment);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(bytes) % alignment, 0u) << alignment;
        heap.deallocate(bytes, 100, alignment);
    }
}

// A copy of part of the model may outlive its project: it is made on the
// heap, and stays readable once the arena is gone.  A move keeps the arena.
TEST(ModelMemory, CopiesTakeTheHeapAndMovesKeepTheirResource) {
    CArena arena;
    std::optional<CVector<int>> copy;
    std::optional<CModelMap<int, int>> mapCopy;
    {
        CVector<int> numbers(&arena);
        numbers.assign(1000, 7);
        CModelMap<int, int> squares(&arena);
        squares[12] = 144;
        copy.emplace(numbers);
        mapCopy.emplace(squares);
        const CVector<int> moved(std::move(numbers));
        EXPECT_EQ(moved.get_allocator().Resource(), &arena);
    }
    arena.Release();
    EXPECT_EQ(copy->get_allocator().Resource(), HeapMemory());
    EXPECT_EQ(mapCopy->get_allocator().Resource(), HeapMemory());
    EXPECT_EQ(CVector<int>().get_allocator().Resource(), HeapMemory());
    EXPECT_EQ(copy->at(999), 7);
    EXPECT_EQ(mapCopy->at(12), 144);
}

}  // namespace

}  // namespace transvane
