#include "core/Support_CompactString.h"

#include <cstring>
#include <memory>
#include <ostream>
#include <stdexcept>

// The address and length of a long text are kept as bytes (copied with
// memcpy), which leaves the whole object one plain array of characters.

char* CCompactString::HeapData() const noexcept {
    char* data = nullptr;
    std::memcpy(&data, FBytes, sizeof data);
    return data;
}

std::uint32_t CCompactString::HeapSize() const noexcept {
    std::uint32_t size = 0;
    std::memcpy(&size, FBytes + sizeof(char*), sizeof size);
    return size;
}

CCompactString::CCompactString(CCompactString&& other) noexcept {
    std::memcpy(FBytes, other.FBytes, ByteCount);
    std::memset(other.FBytes, 0, ByteCount);
}

CCompactString& CCompactString::operator=(const CCompactString& other) {
    Assign(other.View());
    return *this;
}

CCompactString& CCompactString::operator=(CCompactString&& other) noexcept {
    if (this != &other) {
        Release();
        std::memcpy(FBytes, other.FBytes, ByteCount);
        std::memset(other.FBytes, 0, ByteCount);
    }
    return *this;
}

void CCompactString::Assign(std::string_view text) {
    if (text.size() <= InlineCapacity) {
        // Copied aside first: text may lie in the old allocation, or in
        // this string's own inline bytes.
        char copy[InlineCapacity];
        if (!text.empty())
            std::memcpy(copy, text.data(), text.size());
        Release();
        if (!text.empty())
            std::memcpy(FBytes, copy, text.size());
        FBytes[Tag] = static_cast<char>(text.size());
        return;
    }
    if (text.size() > MaxSize)
        throw std::length_error("text too long for one string of the project");
    const auto size = static_cast<std::uint32_t>(text.size());
    char* data = std::allocator<char>().allocate(size);
    std::memcpy(data, text.data(), size);
    Release();
    std::memcpy(FBytes, &data, sizeof data);
    std::memcpy(FBytes + sizeof data, &size, sizeof size);
    FBytes[Tag] = static_cast<char>(HeapTag);
}

void CCompactString::Release() noexcept {
    if (OnHeap())
        std::allocator<char>().deallocate(HeapData(), HeapSize());
    std::memset(FBytes, 0, ByteCount);
}

std::ostream& operator<<(std::ostream& out, const CCompactString& text) { return out << text.View(); }
