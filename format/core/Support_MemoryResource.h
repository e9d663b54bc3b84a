// Where the model's containers take their memory from.
//
// The model allocates through memory resources: the project's arena
// (Support_Arena.h), or the C library's heap for what belongs to no
// project.  Their base class is the standard library's; the page's library
// has it only among its experimental parts, whose default and new/delete
// resources live in a library the page is not linked with.  So this is the
// one place that names the base class, and nothing calls the standard's
// default resources: the containers allocate through CModelAllocator, whose
// default is HeapMemory(), a resource of our own with no state to set.
#pragma once

#if __has_include(<memory_resource>)
#include <memory_resource>
#else
#include <experimental/memory_resource>
#endif

#include <cstddef>
#include <functional>
#include <limits>
#include <map>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace transvane {

#if __has_include(<memory_resource>)
using CMemoryResource = std::pmr::memory_resource;
#else
using CMemoryResource = std::experimental::pmr::memory_resource;
#endif

// The C library's heap as a memory resource.  There is one, it holds
// nothing, and it cannot be replaced: the memory of everything made without
// a resource of its own.
CMemoryResource* HeapMemory() noexcept;

// The allocator of the model's containers: a resource, the heap by default.
// A container moved keeps its resource; a container copied allocates from
// the heap, so that a copy of a record never points into the arena of a
// project it may outlive.  Assignment and swap keep each side's resource.
template <class T>
class CModelAllocator {
public:
    using value_type = T;
    using propagate_on_container_copy_assignment = std::false_type;
    using propagate_on_container_move_assignment = std::false_type;
    using propagate_on_container_swap = std::false_type;
    using is_always_equal = std::false_type;

    CModelAllocator() noexcept : FMemory(HeapMemory()) {}
    // Implicit, so that a container is made from its resource alone.
    CModelAllocator(CMemoryResource* memory) noexcept : FMemory(memory) {}
    template <class U>
    CModelAllocator(const CModelAllocator<U>& other) noexcept : FMemory(other.Resource()) {}

    T* allocate(std::size_t count) {
        if (count > std::numeric_limits<std::size_t>::max() / sizeof(T))
            throw std::bad_array_new_length();
        return static_cast<T*>(FMemory->allocate(count * sizeof(T), alignof(T)));
    }
    void deallocate(T* memory, std::size_t count) noexcept {
        FMemory->deallocate(memory, count * sizeof(T), alignof(T));
    }

    CModelAllocator select_on_container_copy_construction() const noexcept { return {}; }

    CMemoryResource* Resource() const noexcept { return FMemory; }

private:
    CMemoryResource* FMemory;
};

template <class T, class U>
bool operator==(const CModelAllocator<T>& a, const CModelAllocator<U>& b) noexcept {
    return *a.Resource() == *b.Resource();
}

// The model's containers.
template <class T>
using CVector = std::vector<T, CModelAllocator<T>>;
template <class Key, class T>
using CModelMap = std::map<Key, T, std::less<Key>, CModelAllocator<std::pair<const Key, T>>>;

}  // namespace transvane
