#include "format/core/Support_File.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "format/core/Support_Platform.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

TEST(ChangeFileExt, ReplacesOnlyAnExtensionOfTheLastComponent) {
    struct Case {
        const char* name;
        const char* expected;
    };
    for (Case c : {Case{"a.vtr", "a.vk1"}, Case{"/x/y/game.old.vtr", "/x/y/game.old.vk1"},
                   Case{"/x.dir/game", "/x.dir/game.vk1"}, Case{"game", "game.vk1"}, Case{"dir/.hidden", "dir/.vk1"}})
        EXPECT_EQ(ChangeFileExt(c.name, ".vk1"), c.expected) << c.name;
}

TEST(IsDeviceName, TheNamesWindowsKeepsWhateverTheirCaseAndExtension) {
    for (const char* device : {"NUL", "nul", "nul.txt", "Con", "PRN.vtr", "aux.tar.gz", "COM1", "com9.vtr", "LPT1",
                               "lpt9", "NUL ", "nul .vtr"})
        EXPECT_TRUE(IsDeviceName(device)) << device;
    for (const char* name : {"", "NULL", "nul_x.vtr", "CONSOLE", "COM0", "COM10", "LPT", "xnul", ".nul", "game.vtr"})
        EXPECT_FALSE(IsDeviceName(name)) << name;
}

// A name outside any legacy code page reaches the system intact and comes
// back from a folder's listing as the same UTF-8.
TEST(PathOf, NamesInAnyScriptRoundTrip) {
    CScratchFolder folder;
    const std::string leaf =
        "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC_\xE6\x97\xA5\xE6\x9C\xAC.vtr";  // Ελληνικά_日本
    WriteWholeFile(folder.File(leaf), Bytes("x"));
    EXPECT_TRUE(FileExists(folder.File(leaf)));
    EXPECT_EQ(ReadProblem(folder.File(leaf)), "");
    std::vector<std::string> listed;
    for (const auto& entry : std::filesystem::directory_iterator(PathOf(folder.Path())))
        listed.push_back(NameOf(entry.path().filename()));
    EXPECT_EQ(listed, std::vector<std::string>{leaf});
}

class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"TEMP", "temp", "TMP", "tmp", "Temp"}) {
            if (const char* value = std::getenv(name))
                FSaved.emplace_back(name, value);
            UnsetTestEnvironment(name);
        }
    }
    void TearDown() override {
        for (const char* name : {"TEMP", "temp", "TMP", "tmp", "Temp"})
            UnsetTestEnvironment(name);
        for (const auto& [name, value] : FSaved)
            SetTestEnvironment(name, value);
    }
    std::vector<std::pair<std::string, std::string>> FSaved;
};

TEST_F(TempFolderTest, CreatedUnderTempAndRemovedWithItsFiles) {
    CScratchFolder base;
    SetTestEnvironment("Temp", base.Path());  // looked up whatever its case
    CCoreState core;
    CRecorder recorder(core);
    auto temp = std::make_unique<CTempFolder>(&recorder);
    const std::string folder = temp->Path();
    EXPECT_EQ(temp->Base(), base.Path());
    const std::string leaf = std::filesystem::path(folder).filename().string();
    EXPECT_EQ(leaf.rfind("vt_ttt_", 0), 0u) << leaf;
    EXPECT_LE(leaf.size(), 12u);
    EXPECT_GE(leaf.size(), 8u);
    ASSERT_TRUE(DirectoryExists(folder));
    WriteWholeFile(folder + "/sound.wav", Bytes({1}));
    EXPECT_NE(CTempFolder(nullptr).Path(), folder) << "two owners never share a folder";
    temp.reset();
    EXPECT_FALSE(DirectoryExists(folder));
    EXPECT_TRUE(recorder.Messages.empty());
}

TEST_F(TempFolderTest, TmpIsUsedWhenTempIsUnsetAndMissingParentsAreCreated) {
    CScratchFolder base;
    const std::string nested = base.File("a/b");
    SetTestEnvironment("tmp", nested);
    const CTempFolder temp(nullptr);
    EXPECT_EQ(temp.Base(), nested);
    EXPECT_TRUE(DirectoryExists(temp.Path()));
}

// The fall-back is fixed: whatever TEMP and TMP say, it stays where it is.
TEST_F(TempFolderTest, UnusableBaseFallsBackToTheFixedLocation) {
    const std::string fixed = FixedTemporaryFolder();
#ifdef _WIN32
    EXPECT_TRUE(fixed.ends_with("\\Temp")) << fixed;
#else
    EXPECT_EQ(fixed, "/tmp");
#endif
    CScratchFolder scratch;
    WriteWholeFile(scratch.File("a file"), Bytes("x"));
    SetTestEnvironment("temp", scratch.File("a file/below"));  // no folder can be made under a file
    SetTestEnvironment("tmp", scratch.Path());
    EXPECT_EQ(FixedTemporaryFolder(), fixed);
    const CTempFolder temp(nullptr);
    EXPECT_EQ(temp.Base(), fixed);
    EXPECT_TRUE(DirectoryExists(temp.Path()));
}

}  // namespace

}  // namespace transvane
