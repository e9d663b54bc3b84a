#include "format/behaviour/Event_Class.h"

#include <gtest/gtest.h>

#include "testkit/BehaviourFiles.h"
#include "testkit/TestSupport.h"

namespace {

TEST(Event, AddActionBindsOnlyForALibraryOtherThanZero) {
    CRecorder recorder;
    CEvent event;
    CAction& bound = event.AddAction(3, 7);
    EXPECT_EQ(bound.LibraryId, 3);
    EXPECT_EQ(bound.ActionId, 7);
    CAction& blank = event.AddAction(0, 12);  // the action id is ignored
    EXPECT_EQ(blank.LibraryId, 0);
    EXPECT_EQ(blank.ActionId, 0);
    EXPECT_EQ(event.Count(), 2);
    EXPECT_TRUE(recorder.Messages.empty());
    event.Clear();
    EXPECT_TRUE(event.Empty());
}

TEST(Event, RecordsOfEveryShape) {
    struct Case {
        const char* what;
        CTestEvent record;
        bool loads;
        int actions;
    };
    const Case cases[] = {
        {"empty", {400, {}, {}}, true, 0},
        {"negative count", {400, {}, -1}, true, 0},
        {"both layouts", {400, {CTestAction400{}, CTestAction440{}}, {}}, true, 2},
        {"foreign tag", {440, {}, {}}, false, 0},
    };
    for (const Case& c : cases) {
        CStream stream;
        WriteEvent(stream, c.record);
        stream.WriteInt(-1);  // what follows in a row
        stream.SetPosition(0);
        CEvent event;
        EXPECT_EQ(event.Load(stream), c.loads) << c.what;
        EXPECT_EQ(event.Count(), c.actions) << c.what;
        EXPECT_EQ(stream.Remaining(), 4u) << c.what;
    }
}

TEST(Event, SavedAsTag400CountAndNewerRecords) {
    CStream stream;
    WriteEvent(stream, {400, {CTestAction400{3, 5, true, {"a", "b"}, {}}}, {}});
    stream.SetPosition(0);
    CEvent event;
    ASSERT_TRUE(event.Load(stream));
    CStream saved, expected;
    ASSERT_TRUE(event.Save(saved));
    WriteEvent(expected, {400, {ConvertedAction(114, {"a", "b"}, 5, true)}, {}});
    EXPECT_EQ(saved.Bytes(), expected.Bytes());

    CEvent empty;
    CStream emptySaved;
    ASSERT_TRUE(empty.Save(emptySaved));
    EXPECT_EQ(emptySaved.Bytes(), Bytes({0x90, 0x01, 0, 0, 0, 0, 0, 0}));
}

}  // namespace
