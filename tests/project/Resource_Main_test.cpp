#include "project/Resource_Main.h"

#include <gtest/gtest.h>

#include "project/Project_Main.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

// Refused headers: ConversionCommandLine.RefusedFilesLeaveTheTargetUntouched
// (the messages), TMainFormTest::failedLoad (the progress window) and
// Hostile.EveryPrefixIsCorruptedWithAnEmptyModel (every cut).
TEST(LoadGameFile, MissingAndUnreadableFiles) {
    CProject project;
    CScratchFolder folder;
    CRecorder recorder(project.Core);
    EXPECT_FALSE(LoadGameFile(project, folder.File("missing.vtr")));
    EXPECT_FALSE(LoadGameFile(project, folder.Path()));  // a folder is not a file
    EXPECT_EQ(recorder.Messages,
              (std::vector<std::string>{"Error Loading: File does not exist.", "Error Loading: File does not exist."}));
    EXPECT_TRUE(recorder.Events.size() == 2) << "no progress window for a missing file";
}

TEST(ClearGame, DrawsAFreshIdentity) {
    CProject project;
    ClearGame(project);
    const CGuid first = GameGuid(project.Model);
    EXPECT_GE(GameId(project.Model), 0);
    EXPECT_LT(GameId(project.Model), 1000000);
    ClearGame(project);
    EXPECT_NE(GameGuid(project.Model), first);
}

}  // namespace

}  // namespace transvane
