#include "format/media/Script_Main.h"

#include <gtest/gtest.h>

#include "project/Project_Main.h"
#include "testkit/ProjectFiles.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

using namespace project;

TEST(Scripts, TextComesBackByteForByte) {
    CProject project;
    std::string everyByte;
    for (int c = 1; c < 256; ++c)
        everyByte.push_back(static_cast<char>(c));
    const std::string texts[] = {"", "x = 1;\r\nif (x) { y = 2 }\r\n", "caf\xE9\n\t\"quoted\"", everyByte,
                                 std::string("nul\0inside", 10)};
    for (const std::string& text : texts) {
        CStream in(ListBytes(TList<TScript>{400, {TSlot<TScript>{"scr", {400, text}}}}));
        ASSERT_TRUE(LoadScripts(project.Media, in));
        EXPECT_EQ(in.Remaining(), 0u);
        ASSERT_NE(ScriptList(project.Media).Get(0), nullptr);
        EXPECT_EQ(ScriptList(project.Media).Get(0)->ScriptText, text);
        CStream out;
        ASSERT_TRUE(SaveScripts(project.Media, out));
        EXPECT_EQ(out.Bytes(), in.Bytes());
    }
}

}  // namespace

}  // namespace transvane
