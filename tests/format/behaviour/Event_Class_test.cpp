#include "format/behaviour/Event_Class.h"

#include <gtest/gtest.h>

#include "testkit/ProjectFiles.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

using namespace project;

TEST(Event, AddActionBindsOnlyForALibraryOtherThanZero) {
    CCoreState core;
    CRecorder recorder(core);
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
        CBlock record;
        bool loads;
        int actions;
    };
    const Case cases[] = {
        {"empty", RecordBytes(TEvent{}), true, 0},
        {"negative count", Patched(RecordBytes(TEvent{}), 4, -1), true, 0},
        {"both layouts", RecordBytes(TEvent{400, {OldAction(1), TAction{}}}), true, 2},
        {"foreign tag", RecordBytes(TEvent{440, {}}), false, 0},
    };
    for (const Case& c : cases) {
        CStream stream(c.record);
        stream.SetPosition(stream.Size());
        stream.WriteInt(-1);  // what follows in a row
        stream.SetPosition(0);
        CEvent event;
        EXPECT_EQ(event.Load(stream), c.loads) << c.what;
        EXPECT_EQ(event.Count(), c.actions) << c.what;
        EXPECT_EQ(stream.Remaining(), 4u) << c.what;
    }
}

TEST(Event, SavedAsTag400CountAndNewerRecords) {
    CStream stream(RecordBytes(TEvent{400, {OldAction(3, {"a", "b"}, 5, 1)}}));
    CEvent event;
    ASSERT_TRUE(event.Load(stream));
    CStream saved;
    ASSERT_TRUE(event.Save(saved));
    EXPECT_EQ(saved.Bytes(), RecordBytes(TEvent{400, {ConvertedAction(114, {"a", "b"}, 5, 1)}}));

    CEvent empty;
    CStream emptySaved;
    ASSERT_TRUE(empty.Save(emptySaved));
    EXPECT_EQ(emptySaved.Bytes(), Bytes({0x90, 0x01, 0, 0, 0, 0, 0, 0}));
}

}  // namespace

}  // namespace transvane
