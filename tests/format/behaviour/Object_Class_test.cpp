#include "format/behaviour/Object_Class.h"

#include <gtest/gtest.h>

#include "format/behaviour/Object_Main.h"
#include "format/media/Sprite_Main.h"
#include "testkit/BehaviourFiles.h"
#include "testkit/TestSupport.h"

namespace {

CStream StreamOf(const CTestObject& record) {
    CStream stream;
    WriteObject(stream, record);
    stream.SetPosition(0);
    return stream;
}

CBlock RecordBytes(const CTestObject& record) { return StreamOf(record).TakeBytes(); }

// What the object list writes for the object: validated, then saved.
CBlock SavedBytes(CObject& object) {
    CStream stream;
    object.Validate(SpriteList(), ObjectList());
    EXPECT_TRUE(object.Save(stream));
    return stream.TakeBytes();
}

// An event holding one converted action.
CTestEvent OneAction(std::int32_t oldNumber) { return {400, {CTestAction400{oldNumber, -1, false, {}, {}}}, {}}; }
CTestEvent OneConverted(std::int32_t newId) { return {400, {ConvertedAction(newId)}, {}}; }

// Gives the object list this many present slots for one test.
class ObjectTest : public ::testing::Test {
protected:
    void SetUp() override { ClearObjects(); }
    void TearDown() override { ClearObjects(); }
    static void MakeObjects(int count) {
        for (int i = 0; i < count; ++i)
            ObjectList().Add(std::make_unique<CObject>(), "object" + std::to_string(i));
    }
};

TEST(Object, NewObjectHasItsDefaults) {
    CObject object;
    EXPECT_EQ(object.SpriteIndex, -1);
    EXPECT_FALSE(object.ObjectFlag1);
    EXPECT_TRUE(object.ObjectFlag2);
    EXPECT_EQ(object.RelatedObjectIndex, -100);
    EXPECT_EQ(object.SecondSpriteIndex, -1);
    for (int row = 0; row < EventRowCount; ++row)
        EXPECT_EQ(object.Row(row).Length(), 0);
}

TEST_F(ObjectTest, OlderRecordWithEmptyRowsIsWrittenIn80Bytes) {
    CTestObject record;
    record.Tag = 400;
    record.ObjectFlag1 = true;
    record.ObjectFlag2 = false;
    record.ObjectValue = -7;
    record.ObjectFlag3 = true;
    CStream stream = StreamOf(record);
    ASSERT_EQ(stream.Size(), 4u * 8 + 9 * 4);
    CObject object;
    ASSERT_TRUE(object.Load(stream));
    EXPECT_EQ(stream.Remaining(), 0u);

    CTestObject expected = record;
    expected.Tag = 430;
    const CBlock saved = SavedBytes(object);
    EXPECT_EQ(saved.size(), 80u);
    EXPECT_EQ(saved, RecordBytes(expected));
}

TEST_F(ObjectTest, OlderRecordReadsNineRowsWithActionsOfBothLayouts) {
    CTestObject record;
    record.Tag = 400;
    record.Rows.resize(9);
    record.Rows[0] = {{0, OneAction(1)}};
    record.Rows[8] = {{1, {400, {ConvertedAction(205, {"a"}), CTestAction400{69, 2, true, {"b"}, {}}}, {}}}};
    MakeObjects(1);
    CStream stream = StreamOf(record);
    CObject object;
    ASSERT_TRUE(object.Load(stream));
    EXPECT_EQ(stream.Remaining(), 0u);

    CTestObject expected;
    expected.Rows.resize(9);
    expected.Rows[0] = {{0, OneConverted(101)}};
    expected.Rows[8] = {{1, {400, {ConvertedAction(205, {"a"}), ConvertedAction(613, {"b"}, 2, true)}, {}}}};
    EXPECT_EQ(SavedBytes(object), RecordBytes(expected));
}

TEST_F(ObjectTest, RowIsDenseUpToItsHighestEvent) {
    CTestObject record;
    record.Rows.resize(5);
    record.Rows[4] = {{7, OneAction(1)}};
    CStream stream = StreamOf(record);
    CObject object;
    ASSERT_TRUE(object.Load(stream));
    EXPECT_EQ(object.Row(4).Length(), 8);
    for (std::int32_t number = 0; number < 7; ++number)
        EXPECT_TRUE(object.GetEvent(4, number)->Empty()) << number;
    EXPECT_EQ(object.GetEvent(4, 7)->Count(), 1);
    EXPECT_EQ(object.Row(4).Length(), 8) << "asking for existing events does not grow the row";
}

TEST_F(ObjectTest, ValidateEmptiesRowFourEventsOfMissingObjects) {
    CTestObject record;
    record.Rows.resize(5);
    record.Rows[4] = {{7, OneAction(1)}, {3, OneAction(2)}};
    record.Rows[3] = {{7, OneAction(3)}};  // other rows are not object indices
    record.RelatedObjectIndex = 4;
    MakeObjects(5);
    CStream stream = StreamOf(record);
    CObject object;
    ASSERT_TRUE(object.Load(stream));

    CTestObject expected;
    expected.Rows.resize(5);
    expected.Rows[4] = {{3, OneConverted(113)}};
    expected.Rows[3] = {{7, OneConverted(114)}};
    expected.RelatedObjectIndex = 4;
    object.Validate(SpriteList(), ObjectList());
    EXPECT_EQ(SavedBytes(object), RecordBytes(expected));
    EXPECT_TRUE(object.GetEvent(4, 7)->Empty());
    EXPECT_EQ(object.Row(4).Length(), 8) << "the slot itself stays";
}

TEST_F(ObjectTest, ValidateResetsADanglingRelatedObject) {
    MakeObjects(3);
    ObjectList().Add(nullptr);
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {2, 2}, {0, 0}, {3, -100}, {4, -100}, {-1, -100}, {-100, -100}, {INT32_MAX, -100},
    };
    for (const auto& [related, written] : cases) {
        CObject object;
        object.RelatedObjectIndex = related;
        object.Validate(SpriteList(), ObjectList());
        EXPECT_EQ(object.RelatedObjectIndex, written) << related;
    }
}

TEST_F(ObjectTest, ValidateResetsDanglingSpriteReferences) {
    ClearSprites();
    SpriteList().Add(std::make_unique<CSprite>(), "s0");
    SpriteList().Add(nullptr);
    SpriteList().Add(nullptr);
    SpriteList().Add(nullptr);  // slot 3 is empty
    SpriteList().Add(std::make_unique<CSprite>(), "s4");
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {0, 0}, {4, 4}, {3, -1}, {5, -1}, {-1, -1}, {-7, -1}, {INT32_MAX, -1},
    };
    for (const auto& [index, written] : cases) {
        CTestObject record;
        record.SpriteIndex = index;
        record.SecondSpriteIndex = index;
        CStream stream = StreamOf(record);
        CObject object;
        ASSERT_TRUE(object.Load(stream));
        EXPECT_EQ(object.SpriteIndex, index) << "kept as read";
        record.SpriteIndex = written;
        record.SecondSpriteIndex = written;
        object.Validate(SpriteList(), ObjectList());
        EXPECT_EQ(SavedBytes(object), RecordBytes(record)) << index;
        EXPECT_EQ(object.SpriteIndex, written) << "checking changes the model";
    }
    ClearSprites();
}

TEST_F(ObjectTest, RowsAreWrittenHighestNumberFirstWithoutEmptyEvents) {
    CTestObject record;
    record.Rows.resize(11);
    record.Rows[0] = {{2, OneAction(1)}, {5, OneAction(2)}, {9, {}}};
    record.Rows[10] = {{0, OneAction(3)}, {1, OneAction(4)}};
    CStream stream = StreamOf(record);
    CObject object;
    ASSERT_TRUE(object.Load(stream));

    CTestObject expected;
    expected.Rows.resize(11);
    expected.Rows[0] = {{5, OneConverted(113)}, {2, OneConverted(101)}};
    expected.Rows[10] = {{1, OneConverted(109)}, {0, OneConverted(114)}};
    EXPECT_EQ(SavedBytes(object), RecordBytes(expected));
}

TEST_F(ObjectTest, HugeEventNumberCostsOneEvent) {
    CTestObject record;
    record.Rows.resize(1);
    record.Rows[0] = {{2147483646, OneAction(1)}};
    CStream stream = StreamOf(record);
    CObject object;
    ASSERT_TRUE(object.Load(stream));
    EXPECT_EQ(object.Row(0).Length(), 2147483647);
    EXPECT_EQ(object.Row(0).Events().size(), 1u);
    EXPECT_TRUE(object.GetEvent(0, 1000)->Empty());
    EXPECT_EQ(object.Row(0).Length(), 2147483647);

    CTestObject expected;
    expected.Rows = {{{2147483646, OneConverted(101)}}};
    EXPECT_EQ(SavedBytes(object), RecordBytes(expected));
}

TEST_F(ObjectTest, GetEventOutsideTheRows) {
    CObject object;
    EXPECT_EQ(object.GetEvent(-1, 0), nullptr);
    EXPECT_EQ(object.GetEvent(11, 0), nullptr);
    EXPECT_EQ(object.GetEvent(0, -1), nullptr);
    EXPECT_NE(object.GetEvent(10, 0), nullptr);
}

TEST_F(ObjectTest, LastRowOtherThanTen) {
    // R = -1: no row blocks at all.
    CTestObject none;
    none.LastRow = -1;
    CStream stream = StreamOf(none);
    CObject object;
    ASSERT_TRUE(object.Load(stream));
    EXPECT_EQ(stream.Remaining(), 0u);

    // R = 3: rows 0 to 3 only.
    CTestObject few;
    few.LastRow = 3;
    few.Rows = {{}, {}, {}, {{0, OneAction(1)}}};
    stream = StreamOf(few);
    ASSERT_TRUE(object.Load(stream));
    EXPECT_EQ(stream.Remaining(), 0u);
    EXPECT_EQ(object.GetEvent(3, 0)->Count(), 1);

    // R = 14 with empty rows above 10: read without effect.
    CTestObject more;
    more.LastRow = 14;
    stream = StreamOf(more);
    ASSERT_TRUE(object.Load(stream));
    EXPECT_EQ(stream.Remaining(), 0u);
}

TEST_F(ObjectTest, EventInARowAboveTenFailsTheRecord) {
    CTestObject record;
    record.LastRow = 11;
    record.Rows.resize(12);
    record.Rows[11] = {{0, OneAction(1)}};
    CStream stream = StreamOf(record);
    CObject object;
    EXPECT_FALSE(object.Load(stream));
}

TEST_F(ObjectTest, HugeLastRowEndsAtTheEndOfTheStream) {
    CStream stream = StreamOf(CTestObject{.LastRow = 0});
    CBlock bytes = stream.TakeBytes();
    bytes[32] = 0xFF;  // R := 0x7FFFFFFF
    bytes[33] = 0xFF;
    bytes[34] = 0xFF;
    bytes[35] = 0x7F;
    CStream hostile(std::move(bytes));
    CObject object;
    EXPECT_THROW(object.Load(hostile), EReadError);
}

TEST_F(ObjectTest, BadEventsInsideARecord) {
    // An event with a foreign tag returns false to the object, which reads
    // on at the current position; a negative action count is an empty event.
    CTestObject record;
    record.Rows = {{{0, {401, {}, {}}}, {1, {400, {}, -3}}, {2, OneAction(1)}}};
    CStream stream = StreamOf(record);
    CObject object;
    ASSERT_TRUE(object.Load(stream));
    EXPECT_EQ(stream.Remaining(), 0u);
    EXPECT_TRUE(object.GetEvent(0, 0)->Empty());
    EXPECT_TRUE(object.GetEvent(0, 1)->Empty());
    EXPECT_EQ(object.GetEvent(0, 2)->Count(), 1);

    CTestObject hostile;
    hostile.Rows = {{{0, {400, {}, 1000000000}}}};
    stream = StreamOf(hostile);
    EXPECT_THROW(object.Load(stream), EReadError);
}

TEST_F(ObjectTest, EventKeepsActionsWithUnknownTags) {
    CRecorder recorder;
    CTestObject record;
    record.Rows = {{{0, {400, {CTestActionTag{7}, CTestAction400{1, -1, false, {}, {}}}, {}}}}};
    CStream stream = StreamOf(record);
    CObject object;
    ASSERT_TRUE(object.Load(stream));
    EXPECT_EQ(object.GetEvent(0, 0)->Count(), 2);

    CTestObject expected;
    expected.Rows = {{{0, {400, {ConvertedAction(0), ConvertedAction(101)}, {}}}}};
    EXPECT_EQ(SavedBytes(object), RecordBytes(expected));
    EXPECT_EQ(recorder.Messages, std::vector<std::string>{"Failed to convert old action number: 0"});
}

TEST_F(ObjectTest, BadTagReadsOnlyTheTag) {
    for (std::int32_t tag : {0, 399, 401, 429, 440, 500}) {
        CStream stream;
        stream.WriteInt(tag);
        stream.WriteInt(0);
        stream.SetPosition(0);
        CObject object;
        EXPECT_FALSE(object.Load(stream)) << tag;
        EXPECT_EQ(stream.Position(), 4u) << tag;
    }
}

}  // namespace
