#include "project/Resource_Main.h"

#include <gtest/gtest.h>

#include "testkit/TestSupport.h"

namespace {

const std::string NotVantrel = "Error Loading: This is not a vantrel file.";
const std::string Corrupted = "Error Loading: File seems to be corrupted.";

struct HeaderCase {
    const char* what;
    CBlock bytes;
    std::vector<std::string> messages;
};

TEST(LoadGameFile, RejectedHeadersEndAsCorrupted) {
    CStream v399, v501, cut;
    WriteHeader(v399, 399);
    WriteHeader(v501, 501);
    WriteHeader(cut, 500);
    CBlock cutBytes(cut.Bytes().begin(), cut.Bytes().begin() + 20);
    const HeaderCase cases[] = {
        {"not a project", Bytes({'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}),
         {NotVantrel, Corrupted}},
        {"empty file", Bytes({}), {Corrupted}},
        {"version 399", v399.Bytes(),
         {"Error Loading: Cannot load game file created before version 4.0.", Corrupted}},
        {"version 501", v501.Bytes(),
         {"Error Loading: File was created with a newer version of vantrel. Please get the new "
          "version from the web site.",
          Corrupted}},
        {"cut inside the GUID", cutBytes, {Corrupted}},
    };
    for (const HeaderCase& c : cases) {
        CScratchFolder folder;
        WriteWholeFile(folder.File("in.vtr"), c.bytes);
        CRecorder recorder;
        EXPECT_FALSE(LoadGameFile(folder.File("in.vtr"))) << c.what;
        EXPECT_EQ(recorder.Messages, c.messages) << c.what;
        ASSERT_FALSE(recorder.Events.empty());
        EXPECT_EQ(recorder.Events.front(), "start:Loading Game Data ...") << c.what;
    }
}

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
