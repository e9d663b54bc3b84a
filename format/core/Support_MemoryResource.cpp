#include "format/core/Support_MemoryResource.h"

namespace transvane {

namespace {

class CHeapMemory final : public CMemoryResource {
private:
    void* do_allocate(std::size_t bytes, std::size_t alignment) override {
        if (alignment > __STDCPP_DEFAULT_NEW_ALIGNMENT__)
            return ::operator new (bytes, std::align_val_t{alignment});
        return ::operator new(bytes);
    }
    // Unsized: clang declares the sized forms only when asked to.
    void do_deallocate(void* memory, std::size_t, std::size_t alignment) noexcept override {
        if (alignment > __STDCPP_DEFAULT_NEW_ALIGNMENT__)
            ::operator delete (memory, std::align_val_t{alignment});
        else
            ::operator delete(memory);
    }
    bool do_is_equal(const CMemoryResource& other) const noexcept override { return this == &other; }
};

// Constant: made before anything runs and holding nothing, so it serves
// every static object as well.
constinit CHeapMemory Heap;

}  // namespace

CMemoryResource* HeapMemory() noexcept { return &Heap; }

}  // namespace transvane
