// Windows-1252 to Unicode: every byte has a character, and the page's own
// byte comes back for it.
#include <gtest/gtest.h>

#include "format/core/Support_CodePage.h"

namespace transvane {

TEST(CodePage, EveryByteDecodesAndComesBack) {
    const struct {
        unsigned char byte;
        const char* utf8;
    } cases[] = {
        {'A', "A"},         {0x7F, "\x7F"},     {0x80, "\xE2\x82\xAC"}, {0x81, "\xC2\x81"},     {0x8D, "\xC2\x8D"},
        {0x8F, "\xC2\x8F"}, {0x90, "\xC2\x90"}, {0x9D, "\xC2\x9D"},     {0x99, "\xE2\x84\xA2"}, {0x9F, "\xC5\xB8"},
        {0xA0, "\xC2\xA0"}, {0xE9, "\xC3\xA9"}, {0xFF, "\xC3\xBF"}};
    for (const auto& c : cases) {
        const std::string utf8 = Windows1252ToUtf8(std::string(1, static_cast<char>(c.byte)));
        EXPECT_EQ(utf8, c.utf8) << int(c.byte);
    }
    for (int byte = 0; byte < 256; ++byte)
        EXPECT_EQ(Windows1252Byte(Windows1252Character(static_cast<std::uint8_t>(byte))), byte);
    EXPECT_EQ(Windows1252Byte(u'\u20AD'), -1);
    EXPECT_EQ(Windows1252ToUtf8("caf\xE9 \x93x\x94"), "caf\xC3\xA9 \xE2\x80\x9Cx\xE2\x80\x9D");
}

}  // namespace transvane
