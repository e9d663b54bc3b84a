#include "format/behaviour/TimeLine_Main.h"

#include <gtest/gtest.h>

#include "project/Project_Main.h"
#include "testkit/ProjectFiles.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

using namespace project;

TEvent OneAction(std::int32_t oldNumber) { return {400, {OldAction(oldNumber)}}; }
TEvent OneConverted(std::int32_t newId) { return {400, {ConvertedAction(newId)}}; }

TEST(TimeLineTest, EntriesKeepTheirOrderAndEmptyEventsAreWritten) {
    CProject project;
    const TTimeLine record{500, {{30, OneAction(1)}, {10, {}}, {30, OneAction(2)}, {-5, OneAction(3)}}};
    TList<TTimeLine> list{500, {}};
    list.Add("steps", record);
    CStream stream(ListBytes(list));
    ASSERT_TRUE(LoadTimeLines(project.Behaviour, stream));
    EXPECT_EQ(stream.Remaining(), 0u);
    EXPECT_EQ(TimeLineList(project.Behaviour).Get(0)->Moments, (CVector<std::int32_t>{30, 10, 30, -5}));

    list.Slots[0]->Record.Moments = {
        {30, OneConverted(101)}, {10, {}}, {30, OneConverted(113)}, {-5, OneConverted(114)}};
    CStream saved;
    ASSERT_TRUE(SaveTimeLines(project.Behaviour, saved));
    EXPECT_EQ(saved.Bytes(), ListBytes(list));
}

TEST(TimeLineTest, EntryWithAnEmptyEventIsItsMoment400AndZero) {
    CTimeLine timeLine;
    timeLine.AddEntry(7);
    CStream saved;
    ASSERT_TRUE(timeLine.Save(saved));
    EXPECT_EQ(saved.Bytes(), Bytes({0xF4, 1, 0, 0, 1, 0, 0, 0, 7, 0, 0, 0, 0x90, 1, 0, 0, 0, 0, 0, 0}));
}

TEST(TimeLineTest, EventWithAForeignTagIsSkippedOverNotFailed) {
    CStream stream(RecordBytes(TTimeLine{500, {{1, {399, {}}}, {2, OneAction(1)}}}));
    CTimeLine timeLine;
    ASSERT_TRUE(timeLine.Load(stream));
    EXPECT_EQ(stream.Remaining(), 0u);
    ASSERT_EQ(timeLine.Count(), 2);
    EXPECT_TRUE(timeLine.Events[0]->Empty());
    EXPECT_EQ(timeLine.Events[1]->Count(), 1);
}

TEST(TimeLineTest, HostileEntryCountsFailAsCorrupted) {
    for (std::int32_t count : {-1, 100000000}) {
        CStream stream(Patched(RecordBytes(TTimeLine{}), 4, count));
        CTimeLine timeLine;
        EXPECT_THROW(timeLine.Load(stream), EReadError) << count;
    }
}

}  // namespace

}  // namespace transvane
