// Windows-1252 as people see it: every one of the 256 bytes decodes, and
// the encoder takes each character back to its byte.
#include "format/core/Support_CodePage.h"

#include <gtest/gtest.h>


namespace {

TEST(CodePage, DecodesEveryByte) {
    struct Case {
        std::uint8_t byte;
        const char* utf8;
    };
    const Case cases[] = {
        {'A', "A"}, {0x7F, "\x7F"},
        {0x80, "\u20AC"}, {0x81, "\xC2\x81"}, {0x8D, "\xC2\x8D"}, {0x8F, "\xC2\x8F"}, {0x90, "\xC2\x90"},
        {0x9D, "\xC2\x9D"}, {0x99, "\u2122"}, {0x9F, "\u0178"}, {0xA0, "\u00A0"}, {0xE9, "\u00E9"}, {0xFF, "\u00FF"},
    };
    for (const Case& c : cases) {
        const std::string byte(1, static_cast<char>(c.byte));
        EXPECT_EQ(Windows1252ToUtf8(byte), c.utf8) << int(c.byte);
    }
    EXPECT_EQ(Windows1252ToUtf8("caf\xE9 \x80" "5"), "caf\u00E9 \u20AC5");
}

TEST(CodePage, EveryByteComesBack) {
    for (int byte = 0; byte < 256; ++byte)
        EXPECT_EQ(UnicodeToWindows1252(Windows1252ToUnicode(static_cast<std::uint8_t>(byte))), byte);
    EXPECT_EQ(UnicodeToWindows1252(u'\u4E00'), -1);
}

}  // namespace
