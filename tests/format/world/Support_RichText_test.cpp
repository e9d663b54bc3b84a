#include "format/world/Support_RichText.h"

#include <gtest/gtest.h>

#include <string>

#include "testkit/TestSupport.h"

namespace transvane {

namespace {

TEST(IsWellFormedRtf, AcceptsAndRejects) {
    struct Case {
        const char* what;
        std::string bytes;
        bool wellFormed;
    };
    const Case cases[] = {
        {"minimal", "{\\rtf1}", true},
        {"with header words", "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 Hi\\par}", true},
        {"trailing CR LF and NULs", std::string("{\\rtf1 x}\r\n\0\0", 13), true},
        {"control symbols", "{\\rtf1 a\\{b\\}c\\\\d\\~e\\-f\\_g{\\*\\x y}\\\r\n}", true},
        {"hex escapes", "{\\rtf1 \\'e9\\'FF\\'0a}", true},
        {"negative parameter", "{\\rtf1\\li-120 x}", true},
        {"binary data holding braces", "{\\rtf1{\\pict\\bin4 }}{{}}", true},
        {"plain text", "Just some words", false},
        {"empty", "", false},
        {"header version 2", "{\\rtf2 x}", false},
        {"header without version", "{\\rtf x}", false},
        {"header word longer", "{\\rtfx1 x}", false},
        {"leading space", " {\\rtf1 x}", false},
        {"unclosed group", "{\\rtf1{\\b x}", false},
        {"text after the end", "{\\rtf1 x} more", false},
        {"second document after the end", "{\\rtf1 x}{\\rtf1 y}", false},
        {"short hex escape", "{\\rtf1 \\'e}", false},
        {"bad hex digit", "{\\rtf1 \\'g0}", false},
        {"backslash at the end", "{\\rtf1 x\\", false},
        {"backslash digit", "{\\rtf1 \\1}", false},
        {"minus without digits", "{\\rtf1\\li- x}", false},
        {"binary running past the end", "{\\rtf1\\bin99 }", false},
        {"word too long", "{\\rtf1\\" + std::string(40, 'a') + " x}", false},
        {"number too long", "{\\rtf1\\li12345678901 x}", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsWellFormedRtf(Bytes(c.bytes)), c.wellFormed) << c.what;
}

TEST(IsWellFormedRtf, DeepNestingNeedsNoStack) {
    const std::size_t depth = 1000000;
    std::string deep = "{\\rtf1 a" + std::string(depth, '{') + "x" + std::string(depth, '}') + "b}";
    EXPECT_TRUE(IsWellFormedRtf(Bytes(deep)));
    EXPECT_EQ(RtfPlainText(Bytes(deep)), "ab");  // groups beyond the bound are passed over
    deep.pop_back();
    EXPECT_FALSE(IsWellFormedRtf(Bytes(deep)));
    deep.insert(1, "\r\n");
    EXPECT_FALSE(IsWellFormedRtf(Bytes(deep)));  // the header comes first
}

TEST(PlainTextToRtf, EscapesAndBreaks) {
    const std::string text = "a\\b{c}d\r\ne\nf\rg\th\xE9\x01";
    const CBlock rtf = PlainTextToRtf(text);
    EXPECT_TRUE(IsWellFormedRtf(rtf));
    const std::string written = Text(rtf);
    EXPECT_EQ(written.rfind("{\\rtf1", 0), 0u);
    EXPECT_NE(written.find("a\\\\b\\{c\\}d\\par e\\par f\\par g\\tab h\\'e9\\'01}"), std::string::npos) << written;
    EXPECT_EQ(RtfPlainText(rtf), "a\\b{c}d\ne\nf\ng\th\xE9\x01");
}

TEST(PlainTextToRtf, EveryByteSurvives) {
    std::string text;
    for (int c = 0; c < 256; ++c)
        if (c != '\r' && c != '\n')
            text += static_cast<char>(c);
    const CBlock rtf = PlainTextToRtf(text);
    EXPECT_TRUE(IsWellFormedRtf(rtf));
    EXPECT_EQ(RtfPlainText(rtf), text);
    for (std::uint8_t c : rtf)
        EXPECT_TRUE(c >= 0x20 && c <= 0x7E) << int(c);  // the document itself is 7-bit
}

// What plain text, which draws no lists and holds 8-bit characters, reads
// differently from the editor; everything else is read alike (see the
// editor's tests).
TEST(RtfPlainText, KeepsWhatTheEditorDrawsItself) {
    const std::string doc =
        "{\\rtf1{\\pntext\\'b7\\tab}{\\*\\pn\\pnlvlblt{\\pntxtb\\'b7}}item\\par{\\listtext 2.\\tab}two"
        "\\par\\u937?\\_\\u8209?}";
    EXPECT_EQ(RtfPlainText(Bytes(doc)), "\xB7\titem\n2.\ttwo\n?--");
}

}  // namespace

}  // namespace transvane
