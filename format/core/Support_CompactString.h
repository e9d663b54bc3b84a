// A string of 8-bit characters kept in 8 bytes.
//
// Every action of the model carries ten strings (eight arguments and two
// texts of its definition copy), and a large project holds hundreds of
// thousands of actions whose strings are nearly all a few characters long:
// "0", "self", a number, an empty text.  A std::string spends 32 bytes on
// each of them; this one spends 8, keeps up to 7 characters inside itself
// and allocates only for longer text.  With them an action takes 144
// bytes where it took 416.  A conversion touches every byte of its model
// once, and fresh memory is what a large conversion waits for most, on
// virtual machines above all.
//
// The eight bytes hold either the text or the address of an allocation
// that holds it:
//
//   FBytes[0] odd    the text: length FBytes[0] >> 1 (0..7), characters in
//                    FBytes[1 .. 1 + length)
//   FBytes[0] even   FBytes[0..8) is the address of an allocation of
//                    32-bit words owned by the string: the length, then
//                    the characters
//
// An allocation of 32-bit words lies at an address divisible by 4; on the
// little-endian machines the converter runs on, the first byte of an
// address is its lowest, so it is even for an allocation and never for a
// text kept inline.  An address of 4 bytes (WebAssembly) fills the first
// half of the eight.  The characters are not NUL-terminated and may
// include NUL.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iosfwd>
#include <string>
#include <string_view>

#include "format/core/Support_Bytes.h"

namespace transvane {

class CCompactString {
public:
    CCompactString() noexcept = default;
    CCompactString(std::string_view text) { Assign(text); }
    CCompactString(const char* text) { Assign(text); }
    CCompactString(const std::string& text) { Assign(text); }
    ~CCompactString() {
        if (OnHeap())
            FreeHeap();
    }

    CCompactString(const CCompactString& other) { Assign(other.View()); }
    CCompactString(CCompactString&& other) noexcept;
    CCompactString& operator=(const CCompactString& other);
    CCompactString& operator=(CCompactString&& other) noexcept;

    // One assignment for each kind of text, so that none of them has to
    // choose between two conversions.
    CCompactString& operator=(std::string_view text) {
        // The common case, short text replacing short text, needs neither
        // an allocation nor a release; text may be a part of this very
        // string, which the copy allows.
        if (text.size() <= InlineCapacity && !OnHeap()) {
            CopyFewBytes(FBytes + 1, text.data(), text.size());
            FBytes[0] = InlineTag(text.size());
        } else {
            Assign(text);
        }
        return *this;
    }
    CCompactString& operator=(const char* text) { return *this = std::string_view(text); }
    CCompactString& operator=(const std::string& text) { return *this = std::string_view(text); }

    const char* Data() const noexcept { return OnHeap() ? HeapText() : FBytes + 1; }
    std::size_t Size() const noexcept { return OnHeap() ? HeapSize() : static_cast<unsigned char>(FBytes[0]) >> 1; }
    bool Empty() const noexcept { return Size() == 0; }
    std::string_view View() const noexcept { return {Data(), Size()}; }
    operator std::string_view() const noexcept { return View(); }

    // The longest text one string can hold; longer text is refused with
    // std::length_error (the project format's own limit is lower).
    static constexpr std::size_t MaxSize = UINT32_MAX;

    friend bool operator==(const CCompactString& left, std::string_view right) noexcept { return left.View() == right; }

private:
    static_assert(std::endian::native == std::endian::little && sizeof(void*) <= 8,
                  "the compact string tells its two forms apart by the lowest byte of an address");

    static constexpr std::size_t ByteCount = 8;
    static constexpr std::size_t InlineCapacity = ByteCount - 1;

    static constexpr char InlineTag(std::size_t length) noexcept { return static_cast<char>(length << 1 | 1); }
    bool OnHeap() const noexcept { return (FBytes[0] & 1) == 0; }
    std::uint32_t* HeapWords() const noexcept;
    const char* HeapText() const noexcept { return reinterpret_cast<const char*>(HeapWords() + 1); }
    std::uint32_t HeapSize() const noexcept;
    // Replaces the text; text may lie inside this string's own characters.
    void Assign(std::string_view text);
    // Frees an allocation; the string is then empty.  Inline, since nearly
    // every string has none: a model of a million strings is freed with a
    // test each, not a call.
    void Release() noexcept {
        if (OnHeap())
            FreeHeap();
        FBytes[0] = InlineTag(0);
    }
    void FreeHeap() noexcept;

    char FBytes[ByteCount] = {InlineTag(0)};
};

static_assert(sizeof(CCompactString) == 8);

std::ostream& operator<<(std::ostream& out, const CCompactString& text);

}  // namespace transvane
