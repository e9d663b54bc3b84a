#include "format/behaviour/TimeLine_Main.h"

#include <gtest/gtest.h>

#include "testkit/BehaviourFiles.h"
#include "testkit/TestSupport.h"

namespace {

class TimeLineTest : public ::testing::Test {
protected:
    void SetUp() override { ClearTimeLines(); }
    void TearDown() override { ClearTimeLines(); }
};

CTestEvent OneAction(std::int32_t oldNumber) { return {400, {CTestAction400{oldNumber, -1, false, {}, {}}}, {}}; }
CTestEvent OneConverted(std::int32_t newId) { return {400, {ConvertedAction(newId)}, {}}; }

TEST_F(TimeLineTest, EmptyListIsTag500AndCountZero) {
    CStream saved;
    ASSERT_TRUE(SaveTimeLines(saved));
    EXPECT_EQ(saved.Bytes(), Bytes({0xF4, 0x01, 0, 0, 0, 0, 0, 0}));
}

TEST_F(TimeLineTest, EntriesKeepTheirOrderAndEmptyEventsAreWritten) {
    CTestTimeLine record;
    record.Entries = {{30, OneAction(1)}, {10, {}}, {30, OneAction(2)}, {-5, OneAction(3)}};
    CTestTimeLine empty;
    CStream stream;
    WriteTimeLinesSection(stream, {{{"steps", record}}, std::nullopt, {{"empty", empty}}});
    stream.SetPosition(0);
    ASSERT_TRUE(LoadTimeLines(stream));
    EXPECT_EQ(stream.Remaining(), 0u);
    ASSERT_EQ(TimeLineList().Count(), 3);
    EXPECT_EQ(TimeLineList().Get(0)->Moments, (std::vector<std::int32_t>{30, 10, 30, -5}));

    CTestTimeLine converted;
    converted.Entries = {{30, OneConverted(101)}, {10, {}}, {30, OneConverted(113)}, {-5, OneConverted(114)}};
    CStream expected;
    WriteTimeLinesSection(expected, {{{"steps", converted}}, std::nullopt, {{"empty", empty}}});
    CStream saved;
    ASSERT_TRUE(SaveTimeLines(saved));
    EXPECT_EQ(saved.Bytes(), expected.Bytes());
}

TEST_F(TimeLineTest, EntryWithAnEmptyEventIsItsMoment400AndZero) {
    CTimeLine timeLine;
    timeLine.AddEntry(7);
    CStream saved;
    ASSERT_TRUE(timeLine.Save(saved));
    EXPECT_EQ(saved.Bytes(), Bytes({0xF4, 1, 0, 0, 1, 0, 0, 0, 7, 0, 0, 0, 0x90, 1, 0, 0, 0, 0, 0, 0}));
}

TEST_F(TimeLineTest, EventWithAForeignTagIsSkippedOverNotFailed) {
    CTestTimeLine record;
    record.Entries = {{1, {399, {}, {}}}, {2, OneAction(1)}};
    CStream stream;
    WriteTimeLine(stream, record);
    stream.SetPosition(0);
    CTimeLine timeLine;
    ASSERT_TRUE(timeLine.Load(stream));
    EXPECT_EQ(stream.Remaining(), 0u);
    ASSERT_EQ(timeLine.Count(), 2);
    EXPECT_TRUE(timeLine.Events[0]->Empty());
    EXPECT_EQ(timeLine.Events[1]->Count(), 1);
}

TEST_F(TimeLineTest, RejectedRecordsAndSections) {
    const auto load = [](const std::vector<std::int32_t>& ints) {
        CStream stream;
        for (std::int32_t value : ints)
            stream.WriteInt(value);
        stream.SetPosition(0);
        return LoadTimeLines(stream);
    };
    EXPECT_FALSE(load({499, 0}));
    EXPECT_FALSE(load({500, 1, 1, 0, 501}));  // time line tag
    EXPECT_THROW(load({500, -1}), EReadError);
    EXPECT_THROW(load({500, 1, 1, 0, 500, -1}), EReadError);        // negative entry count
    EXPECT_THROW(load({500, 1, 1, 0, 500, 100000000}), EReadError);  // more than the data
}

}  // namespace
