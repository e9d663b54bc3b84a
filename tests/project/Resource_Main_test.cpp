#include "project/Resource_Main.h"

#include <gtest/gtest.h>

#include "project/Project_Main.h"
#include "testkit/ProjectFiles.h"
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

// The model lives in the project's arena, and a project loaded again and
// again holds the memory of one load, all of it given back by a clear.
TEST(ClearGame, GivesTheModelsMemoryBack) {
    CProject project;
    const CBlock file = project::WriteProject(project::SampleProject(500));
    ASSERT_TRUE(LoadGameBytes(project, file));
    const std::size_t once = project.Arena.Reserved();
    EXPECT_GT(once, 0u);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(LoadGameBytes(project, file));
    EXPECT_EQ(project.Arena.Reserved(), once);
    ClearGame(project);
    EXPECT_EQ(project.Arena.Reserved(), 0u);
}

}  // namespace

}  // namespace transvane
