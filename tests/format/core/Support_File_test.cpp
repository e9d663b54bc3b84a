#include "format/core/Support_File.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "testkit/TestSupport.h"

namespace transvane {

namespace {

TEST(ChangeFileExt, ReplacesOnlyAnExtensionOfTheLastComponent) {
    struct Case { const char* name; const char* expected; };
    for (Case c : {Case{"a.vtr", "a.vk1"}, Case{"/x/y/game.old.vtr", "/x/y/game.old.vk1"},
                   Case{"/x.dir/game", "/x.dir/game.vk1"}, Case{"game", "game.vk1"},
                   Case{"dir/.hidden", "dir/.vk1"}})
        EXPECT_EQ(ChangeFileExt(c.name, ".vk1"), c.expected) << c.name;
}

class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"TEMP", "temp", "TMP", "tmp", "Temp"}) {
            if (const char* value = std::getenv(name))
                FSaved.emplace_back(name, value);
            ::unsetenv(name);
        }
    }
    void TearDown() override {
        for (const char* name : {"TEMP", "temp", "TMP", "tmp", "Temp"})
            ::unsetenv(name);
        for (const auto& [name, value] : FSaved)
            ::setenv(name.c_str(), value.c_str(), 1);
    }
    std::vector<std::pair<std::string, std::string>> FSaved;
};

TEST_F(TempFolderTest, CreatedUnderTempAndRemovedWithItsFiles) {
    CScratchFolder base;
    ::setenv("Temp", base.Path().c_str(), 1);  // looked up whatever its case
    CRecorder recorder;
    auto temp = std::make_unique<CTempFolder>();
    const std::string folder = temp->Path();
    EXPECT_EQ(temp->Base(), base.Path());
    const std::string leaf = std::filesystem::path(folder).filename().string();
    EXPECT_EQ(leaf.rfind("vt_ttt_", 0), 0u) << leaf;
    EXPECT_LE(leaf.size(), 12u);
    EXPECT_GE(leaf.size(), 8u);
    ASSERT_TRUE(DirectoryExists(folder));
    WriteWholeFile(folder + "/sound.wav", Bytes({1}));
    EXPECT_NE(CTempFolder().Path(), folder) << "two owners never share a folder";
    temp.reset();
    EXPECT_FALSE(DirectoryExists(folder));
    EXPECT_TRUE(recorder.Messages.empty());
}

TEST_F(TempFolderTest, TmpIsUsedWhenTempIsUnsetAndMissingParentsAreCreated) {
    CScratchFolder base;
    const std::string nested = base.File("a/b");
    ::setenv("tmp", nested.c_str(), 1);
    const CTempFolder temp;
    EXPECT_EQ(temp.Base(), nested);
    EXPECT_TRUE(DirectoryExists(temp.Path()));
}

TEST_F(TempFolderTest, UnusableBaseFallsBackToTheFixedLocation) {
    ::setenv("temp", "/proc/no-such-place", 1);
    const CTempFolder temp;
    EXPECT_EQ(temp.Base(), "/tmp");
    EXPECT_TRUE(DirectoryExists(temp.Path()));
}

}  // namespace

}  // namespace transvane
