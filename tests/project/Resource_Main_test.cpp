#include "project/Resource_Main.h"

#include <gtest/gtest.h>

#include "testkit/TestSupport.h"

namespace transvane {

namespace {

// Refused headers: ConversionCommandLine.RefusedFilesLeaveTheTargetUntouched
// (the messages), TMainFormTest::failedLoad (the progress window) and
// Hostile.EveryPrefixIsCorruptedWithAnEmptyModel (every cut).
TEST(LoadGameFile, MissingAndUnreadableFiles) {
    CScratchFolder folder;
    CRecorder recorder;
    EXPECT_FALSE(LoadGameFile(folder.File("missing.vtr")));
    EXPECT_FALSE(LoadGameFile(folder.Path()));  // a folder is not a file
    EXPECT_EQ(recorder.Messages, (std::vector<std::string>{"Error Loading: File does not exist.",
                                                           "Error Loading: File does not exist."}));
    EXPECT_TRUE(recorder.Events.size() == 2) << "no progress window for a missing file";
}

TEST(ClearGame, DrawsAFreshIdentity) {
    ClearGame();
    const CGuid first = GameGuid();
    EXPECT_GE(GameId(), 0);
    EXPECT_LT(GameId(), 1000000);
    ClearGame();
    EXPECT_NE(GameGuid(), first);
}

}  // namespace

}  // namespace transvane
