#include "format/core/Support_CompactString.h"

#include <memory>
#include <ostream>
#include <stdexcept>

namespace transvane {

namespace {

// The 32-bit words of an allocation holding length characters: one for
// the length, then the characters rounded up to whole words.
std::size_t WordsFor(std::size_t length) { return 1 + (length + 3) / 4; }

}  // namespace

// The address of an allocation is kept as bytes (copied with memcpy), which
// leaves the whole object one plain array of characters.
std::uint32_t* CCompactString::HeapWords() const noexcept {
    std::uint32_t* words = nullptr;
    std::memcpy(&words, FBytes, sizeof words);
    return words;
}

std::uint32_t CCompactString::HeapSize() const noexcept { return HeapWords()[0]; }

CCompactString::CCompactString(CCompactString&& other) noexcept {
    std::memcpy(FBytes, other.FBytes, ByteCount);
    other.FBytes[0] = InlineTag(0);
}

CCompactString& CCompactString::operator=(const CCompactString& other) {
    Assign(other.View());
    return *this;
}

CCompactString& CCompactString::operator=(CCompactString&& other) noexcept {
    if (this != &other) {
        Release();
        std::memcpy(FBytes, other.FBytes, ByteCount);
        other.FBytes[0] = InlineTag(0);
    }
    return *this;
}

void CCompactString::Assign(std::string_view text) {
    if (text.size() <= InlineCapacity) {
        // Copied aside first: text may lie in the old allocation, or in
        // this string's own bytes.
        char copy[InlineCapacity];
        CopyFewBytes(copy, text.data(), text.size());
        Release();
        CopyFewBytes(FBytes + 1, copy, text.size());
        FBytes[0] = InlineTag(text.size());
        return;
    }
    if (text.size() > MaxSize)
        throw std::length_error("text too long for one string of the project");
    // The new text is in place before the old one goes, since text may lie
    // in the old allocation.
    std::uint32_t* words = std::allocator<std::uint32_t>().allocate(WordsFor(text.size()));
    words[0] = static_cast<std::uint32_t>(text.size());
    std::memcpy(words + 1, text.data(), text.size());
    Release();
    std::memcpy(FBytes, &words, sizeof words);
}

void CCompactString::FreeHeap() noexcept {
    std::allocator<std::uint32_t>().deallocate(HeapWords(), WordsFor(HeapSize()));
}

std::ostream& operator<<(std::ostream& out, const CCompactString& text) { return out << text.View(); }

}  // namespace transvane
