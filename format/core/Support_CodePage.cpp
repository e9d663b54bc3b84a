#include "format/core/Support_CodePage.h"

#include <array>

namespace transvane {

namespace {

// The characters of the bytes 0x80..0x9F; the rest of the page is Latin-1.
constexpr std::array<char16_t, 32> Cp1252High = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

char16_t Windows1252Character(std::uint8_t byte) {
    if (byte >= 0x80 && byte <= 0x9F)
        return Cp1252High[byte - 0x80u];
    return byte;
}

int Windows1252Byte(char16_t character) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF))
        return character;
    for (std::size_t i = 0; i < Cp1252High.size(); ++i)
        if (Cp1252High[i] == character)
            return static_cast<int>(0x80 + i);
    return -1;
}

std::string Windows1252ToUtf8(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        const char16_t u = Windows1252Character(static_cast<std::uint8_t>(c));
        // Every character of the page lies in the Basic Multilingual Plane:
        // one, two or three bytes of UTF-8.
        if (u < 0x80) {
            result += static_cast<char>(u);
        } else if (u < 0x800) {
            result += static_cast<char>(0xC0 | (u >> 6));
            result += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            result += static_cast<char>(0xE0 | (u >> 12));
            result += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            result += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return result;
}

}  // namespace transvane
