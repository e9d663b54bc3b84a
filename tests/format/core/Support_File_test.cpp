#include "format/core/Support_File.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "testkit/TestSupport.h"

namespace {

TEST(ChangeFileExt, ReplacesOnlyAnExtensionOfTheLastComponent) {
    struct Case { const char* name; const char* expected; };
    for (Case c : {Case{"a.vtr", "a.vk1"}, Case{"/x/y/game.old.vtr", "/x/y/game.old.vk1"},
                   Case{"/x.dir/game", "/x.dir/game.vk1"}, Case{"game", "game.vk1"},
                   Case{"dir/.hidden", "dir/.vk1"}})
        EXPECT_EQ(ChangeFileExt(c.name, ".vk1"), c.expected) << c.name;
}

TEST(SaveToFileSafely, WritesWholeFileAndLeavesNoTemporary) {
    CScratchFolder folder;
    CStream stream;
    stream.WriteString("new contents");
    WriteWholeFile(folder.File("a.vtr"), Bytes({1, 2, 3}));
    SaveToFileSafely(stream, folder.File("a.vtr"));
    EXPECT_EQ(ReadWholeFile(folder.File("a.vtr")), stream.Bytes());
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        ++entries;
    EXPECT_EQ(entries, 1);
}

TEST(SaveToFileSafely, FailureLeavesTargetAndFolderUntouched) {
    CScratchFolder folder;
    CStream stream;
    stream.WriteInt(1);
    std::filesystem::create_directory(folder.File("target.vtr"));
    EXPECT_THROW(SaveToFileSafely(stream, folder.File("target.vtr")), EFileError);
    EXPECT_TRUE(std::filesystem::is_directory(folder.File("target.vtr")));
    EXPECT_THROW(SaveToFileSafely(stream, folder.File("no/such/a.vtr")), EFileError);
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        ++entries;
    EXPECT_EQ(entries, 1);
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
        RemoveTempFolder();
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
    CreateTempFolder();
    const std::string folder = TempFolder();
    EXPECT_EQ(TempBase(), base.Path());
    const std::string leaf = std::filesystem::path(folder).filename().string();
    EXPECT_EQ(leaf.rfind("vt_ttt_", 0), 0u) << leaf;
    EXPECT_LE(leaf.size(), 12u);
    EXPECT_GE(leaf.size(), 8u);
    ASSERT_TRUE(DirectoryExists(folder));
    WriteWholeFile(folder + "/sound.wav", Bytes({1}));
    RemoveTempFolder();
    EXPECT_FALSE(DirectoryExists(folder));
    EXPECT_TRUE(TempFolder().empty());
    EXPECT_TRUE(recorder.Messages.empty());
}

TEST_F(TempFolderTest, TmpIsUsedWhenTempIsUnsetAndMissingParentsAreCreated) {
    CScratchFolder base;
    const std::string nested = base.File("a/b");
    ::setenv("tmp", nested.c_str(), 1);
    CreateTempFolder();
    EXPECT_EQ(TempBase(), nested);
    EXPECT_TRUE(DirectoryExists(TempFolder()));
}

TEST_F(TempFolderTest, UnusableBaseFallsBackToTheFixedLocation) {
    ::setenv("temp", "/proc/no-such-place", 1);
    CreateTempFolder();
    EXPECT_EQ(TempBase(), "/tmp");
    EXPECT_TRUE(DirectoryExists(TempFolder()));
}

}  // namespace
