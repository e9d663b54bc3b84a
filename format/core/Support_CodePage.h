// Windows-1252, the code page of every 8-bit text a project stores (names,
// scripts, captions, the \'hh escapes of the game information).
//
// All 256 bytes have a character: 0x00..0x7F are ASCII, 0xA0..0xFF Latin-1,
// and 0x80..0x9F the typographic characters of the page.  The five bytes the
// page leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the C1
// control of the same number, as Windows maps them, so that every stored
// byte survives a trip through Unicode and back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace transvane {

// The character of one byte.
char16_t Windows1252Character(std::uint8_t byte);
// The byte of a character, or -1 when the page has none for it.
int Windows1252Byte(char16_t character);

// The text as UTF-8.
std::string Windows1252ToUtf8(std::string_view text);

}  // namespace transvane
