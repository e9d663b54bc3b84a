// A string of 8-bit characters kept in 16 bytes.
//
// Every action of the model carries ten strings (eight arguments and two
// texts of its definition copy), and a large project holds hundreds of
// thousands of actions whose strings are nearly all a few characters long:
// "0", "self", a number, an empty text.  A std::string spends 32 bytes on
// each of them; this one spends 16, keeps up to 15 characters inside
// itself and allocates only for longer text.  That halves the memory the
// actions of a large project take, and with it the time the system spends
// handing that memory over.
//
// The sixteen bytes:
//
//   FBytes[15] 0..15     the length; the characters are FBytes[0 .. length)
//   FBytes[15] HeapTag   FBytes[0..8) the address and FBytes[8..12) the
//                        length of an allocation of exactly that many
//                        characters, owned by the string
//
// The characters are not NUL-terminated and may include NUL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iosfwd>
#include <string>
#include <string_view>

class CCompactString {
public:
    CCompactString() noexcept = default;
    CCompactString(std::string_view text) { Assign(text); }
    CCompactString(const char* text) { Assign(text); }
    CCompactString(const std::string& text) { Assign(text); }
    ~CCompactString() { Release(); }

    CCompactString(const CCompactString& other) { Assign(other.View()); }
    CCompactString(CCompactString&& other) noexcept;
    CCompactString& operator=(const CCompactString& other);
    CCompactString& operator=(CCompactString&& other) noexcept;

    // One assignment for each kind of text, so that none of them has to
    // choose between two conversions.
    CCompactString& operator=(std::string_view text) {
        // The common case, short text replacing short text, needs neither
        // an allocation nor a release; memmove since text may be a part of
        // this very string.
        if (text.size() <= InlineCapacity && !OnHeap()) {
            if (!text.empty())
                std::memmove(FBytes, text.data(), text.size());
            FBytes[Tag] = static_cast<char>(text.size());
        } else {
            Assign(text);
        }
        return *this;
    }
    CCompactString& operator=(const char* text) { return *this = std::string_view(text); }
    CCompactString& operator=(const std::string& text) { return *this = std::string_view(text); }

    const char* Data() const noexcept { return OnHeap() ? HeapData() : FBytes; }
    std::size_t Size() const noexcept { return OnHeap() ? HeapSize() : static_cast<unsigned char>(FBytes[Tag]); }
    bool Empty() const noexcept { return Size() == 0; }
    std::string_view View() const noexcept { return {Data(), Size()}; }
    operator std::string_view() const noexcept { return View(); }
    std::string Str() const { return std::string(View()); }

    // The longest text one string can hold; longer text is refused with
    // std::length_error (the project format's own limit is far lower).
    static constexpr std::size_t MaxSize = UINT32_MAX;

    friend bool operator==(const CCompactString& left, std::string_view right) noexcept {
        return left.View() == right;
    }

private:
    static constexpr std::size_t ByteCount = 16;
    static constexpr std::size_t Tag = ByteCount - 1;
    static constexpr std::size_t InlineCapacity = Tag;
    static constexpr unsigned char HeapTag = 0xFF;

    bool OnHeap() const noexcept { return static_cast<unsigned char>(FBytes[Tag]) == HeapTag; }
    char* HeapData() const noexcept;
    std::uint32_t HeapSize() const noexcept;
    // Replaces the text; text may lie inside this string's own characters.
    void Assign(std::string_view text);
    // Frees an allocation; the string is then empty.
    void Release() noexcept;

    char FBytes[ByteCount] = {};
};

static_assert(sizeof(CCompactString) == 16);

std::ostream& operator<<(std::ostream& out, const CCompactString& text);
