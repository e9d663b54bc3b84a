#include "format/core/Support_CompactString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace transvane {

namespace {

// Lengths on both sides of the 7 characters kept inside the string and of
// the word boundaries of an allocation, with NULs and bytes above 127,
// since project strings are raw 8-bit text.
std::vector<std::string> Texts() {
    std::vector<std::string> texts = {"",          "0",     "d0",     "self",    std::string("a\0b", 3),
                                      "\xE9t\xE9", "12345", "other!", "seven!!", "eight!!!"};
    for (int length : {9, 11, 12, 13, 16})
        texts.push_back(std::string(static_cast<std::size_t>(length), static_cast<char>('a' + length)));
    texts.push_back(std::string(1000, '\0') + "end");
    texts.push_back("{\r\n  var i;\r\n  show_message(\"" + std::string(300, '\xFF') + "\");\r\n}");
    return texts;
}

TEST(CompactString, HoldsEveryTextExactly) {
    for (const std::string& text : Texts()) {
        const CCompactString fromString(text);
        const CCompactString fromView{std::string_view(text)};
        EXPECT_EQ(fromString.View(), text);
        EXPECT_EQ(fromString.Size(), text.size());
        EXPECT_EQ(fromString.Empty(), text.empty());
        EXPECT_EQ(std::string(fromView.View()), text);
        EXPECT_TRUE(fromString == text);
        EXPECT_TRUE(fromString == fromView);
    }
    EXPECT_EQ(CCompactString().View(), "");
    EXPECT_EQ(CCompactString("0"), "0");
    EXPECT_FALSE(CCompactString("0") == "00");
    EXPECT_FALSE(CCompactString(std::string(8, 'x')) == std::string(7, 'x'));
    EXPECT_FALSE(CCompactString(std::string(16, 'x')) == std::string(17, 'x'));
}

TEST(CompactString, AssignsBetweenEveryPairOfLengths) {
    // Short to long, long to short, long to long: each frees or reuses
    // what the string held before (the sanitizer build sees any leak).
    for (const std::string& before : Texts())
        for (const std::string& after : Texts()) {
            CCompactString text(before);
            text = after;
            EXPECT_EQ(text.View(), after) << before.size() << " -> " << after.size();
            text = after.c_str();
            EXPECT_EQ(text.View(), std::string_view(after.c_str()));
            text = CCompactString(before);
            EXPECT_EQ(text.View(), before);
        }
}

TEST(CompactString, CopiesAndMovesOwnTheirCharacters) {
    for (const std::string& text : Texts()) {
        CCompactString original(text);
        CCompactString copy(original);
        CCompactString assigned;
        assigned = original;
        original = "changed";
        EXPECT_EQ(copy.View(), text);
        EXPECT_EQ(assigned.View(), text);

        CCompactString moved(std::move(copy));
        EXPECT_EQ(moved.View(), text);
        EXPECT_TRUE(copy.Empty());  // NOLINT(bugprone-use-after-move): moved-from strings are empty
        CCompactString moveAssigned("old text, longer than fifteen");
        moveAssigned = std::move(moved);
        EXPECT_EQ(moveAssigned.View(), text);
        EXPECT_TRUE(moved.Empty());  // NOLINT(bugprone-use-after-move)
    }
}

TEST(CompactString, AssignsFromItself) {
    for (const std::string& text : Texts()) {
        CCompactString same(text);
        const CCompactString& alias = same;
        same = alias;
        EXPECT_EQ(same.View(), text);
        same = std::move(same);
        EXPECT_EQ(same.View(), text);
        // A part of its own characters, inline or allocated.
        if (text.size() > 1) {
            same = same.View().substr(1);
            EXPECT_EQ(same.View(), text.substr(1));
        }
    }
}

// The short copy behind the inline texts and the field writer, against
// memmove: every length it takes, into and out of overlapping bytes.
TEST(CompactString, FewBytesCopyAsMemmoveDoes) {
    for (std::size_t count = 0; count <= 8; ++count)
        for (std::size_t from = 0; from <= 6; ++from)
            for (std::size_t to = 0; to <= 6; ++to) {
                unsigned char expected[16], actual[16];
                for (unsigned char i = 0; i < 16; ++i)
                    expected[i] = actual[i] = static_cast<unsigned char>(0xA0 + i);
                std::memmove(expected + to, expected + from, count);
                CopyFewBytes(actual + to, actual + from, count);
                EXPECT_EQ(std::memcmp(expected, actual, sizeof actual), 0) << count << ": " << from << " -> " << to;
            }
}

TEST(CompactString, PrintsItsCharacters) {
    std::ostringstream out;
    out << CCompactString("d0") << '|' << CCompactString(std::string(20, 'z'));
    EXPECT_EQ(out.str(), "d0|" + std::string(20, 'z'));
}

}  // namespace

}  // namespace transvane
