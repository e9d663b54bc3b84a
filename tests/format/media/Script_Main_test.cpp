#include "format/media/Script_Main.h"

#include <gtest/gtest.h>

#include "testkit/MediaFiles.h"
#include "testkit/TestSupport.h"

namespace {

TEST(Scripts, TextComesBackByteForByte) {
    std::string everyByte;
    for (int c = 1; c < 256; ++c)
        everyByte.push_back(static_cast<char>(c));
    const std::string texts[] = {"", "x = 1;\r\nif (x) { y = 2 }\r\n", "caf\xE9\n\t\"quoted\"", everyByte,
                                 std::string("nul\0inside", 10)};
    for (const std::string& text : texts) {
        CStream in;
        WriteListSection(in, 400, {Present("scr", ScriptRecord(text))});
        in.SetPosition(0);
        ASSERT_TRUE(LoadScripts(in));
        EXPECT_EQ(in.Remaining(), 0u);
        ASSERT_NE(ScriptList().Get(0), nullptr);
        EXPECT_EQ(ScriptList().Get(0)->ScriptText, text);
        CStream out;
        ASSERT_TRUE(SaveScripts(out));
        EXPECT_EQ(out.Bytes(), in.Bytes());
    }
}

TEST(Scripts, LayoutOfAnEmptyScriptAndAnEmptySlot) {
    CScript script;
    CStream record;
    ASSERT_TRUE(script.Save(record));
    EXPECT_EQ(record.Bytes(), Bytes({0x90, 1, 0, 0, 0, 0, 0, 0}));

    CStream in;
    WriteListSection(in, 400, {{-1, "", {}}, Present("b", ScriptRecord("t"))});
    in.SetPosition(0);
    ASSERT_TRUE(LoadScripts(in));
    CStream out;
    ASSERT_TRUE(SaveScripts(out));
    CStream expected;
    for (std::int32_t value : {400, 2, 0, 1})
        expected.WriteInt(value);
    expected.WriteString("b");
    expected.WriteInt(400);
    expected.WriteString("t");
    EXPECT_EQ(out.Bytes(), expected.Bytes());
    ClearScripts();
    EXPECT_EQ(ScriptList().Count(), 0);
}

TEST(Scripts, RejectedVersionsAndShortText) {
    for (std::int32_t version : {440, 500, -1}) {
        CStream in;
        WriteListSection(in, 400, {Present("a", ScriptRecord("ok")), Present("b", ScriptRecord("x", version))});
        in.SetPosition(0);
        EXPECT_FALSE(LoadScripts(in)) << version;
        EXPECT_NE(ScriptList().Get(0), nullptr);
    }
    CStream list;
    WriteListSection(list, 410, {});
    list.SetPosition(0);
    EXPECT_FALSE(LoadScripts(list));

    CStream whole;
    WriteListSection(whole, 400, {Present("a", ScriptRecord("a longer text"))});
    CStream cut(CBlock(whole.Bytes().begin(), whole.Bytes().end() - 3));
    EXPECT_THROW(LoadScripts(cut), EReadError);
}

}  // namespace
