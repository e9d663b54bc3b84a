// One project's memory: the arena its model is allocated from.
//
// A large project's model is hundreds of thousands of small records
// (actions above all) made once by the load, read once by the save and
// freed together at the end.  Taken from the C library one by one, each
// costs its own bookkeeping, ordinary pages of fresh memory fault in one
// at a time, and freeing them walks the heap once more.  The arena hands
// out memory by moving a pointer through chunks of megabytes
// (ReserveChunk, Support_Platform.h: huge pages where the system has them)
// and gives them back to the system in one step, when the project is
// cleared whole or ends.
//
// Freeing one allocation gives nothing back, except an allocation large
// enough to have a chunk of its own: what a project's editing frees in the
// meantime is returned when the project is next cleared.
//
// The arena is not synchronized: only the thread that loads or changes the
// project allocates from it.  The threads that compress blocks during a
// save read the model and allocate nothing from it.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "format/core/Support_MemoryResource.h"

namespace transvane {

class CArena final : public CMemoryResource {
public:
    CArena() = default;
    ~CArena() override { Release(); }
    CArena(const CArena&) = delete;
    CArena& operator=(const CArena&) = delete;

    // Gives every chunk back to the system.  Nothing allocated from the
    // arena may be used afterwards; the arena can be used again.
    void Release() noexcept;
    // The bytes held from the system.
    std::size_t Reserved() const noexcept { return FReserved; }

private:
    void* do_allocate(std::size_t bytes, std::size_t alignment) override;
    void do_deallocate(void* memory, std::size_t bytes, std::size_t alignment) noexcept override;
    bool do_is_equal(const CMemoryResource& other) const noexcept override { return this == &other; }

    void* ReserveOwnChunk(std::size_t bytes);
    void StartChunk(std::size_t least);

    struct CChunk {
        void* Start;
        std::size_t Size;
    };
    std::vector<CChunk> FChunks;
    std::byte* FNext = nullptr;  // the free part of the chunk being filled
    std::byte* FEnd = nullptr;
    std::size_t FReserved = 0;
};

// Destroys and frees an object MakeIn made, through the resource that made
// it; without one, an object made by new.
template <class T>
struct CArenaDelete {
    CMemoryResource* Memory = nullptr;

    void operator()(T* object) const noexcept {
        if (Memory == nullptr) {
            delete object;
            return;
        }
        object->~T();
        Memory->deallocate(object, sizeof(T), alignof(T));
    }
};

// The owner of one record of the model.
template <class T>
using CArenaPtr = std::unique_ptr<T, CArenaDelete<T>>;

// A T made in memory from memory, with arguments.
template <class T, class... Arguments>
CArenaPtr<T> MakeIn(CMemoryResource* memory, Arguments&&... arguments) {
    void* place = memory->allocate(sizeof(T), alignof(T));
    try {
        return CArenaPtr<T>(::new (place) T(std::forward<Arguments>(arguments)...), CArenaDelete<T>{memory});
    } catch (...) {
        memory->deallocate(place, sizeof(T), alignof(T));
        throw;
    }
}

// Takes over an object made by new.
template <class T>
CArenaPtr<T> Adopt(std::unique_ptr<T> object) {
    return CArenaPtr<T>(object.release(), CArenaDelete<T>{});
}

}  // namespace transvane
