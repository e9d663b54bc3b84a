// Windows-1252, the 8-bit code page project files were written in: their
// names and texts are bytes of it.  Text shown to people (the info report,
// message places) is decoded from it; nothing in a file is re-encoded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The character of a byte.  The five bytes the code page leaves unassigned
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 controls of the same number,
// as common decoders do, so every byte survives a round trip.
char16_t Windows1252ToUnicode(std::uint8_t byte);
// The byte of a character, or -1 when the code page has none for it.
int UnicodeToWindows1252(char16_t character);

std::string Windows1252ToUtf8(std::string_view text);
