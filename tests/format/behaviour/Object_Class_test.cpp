#include "format/behaviour/Object_Class.h"

#include <gtest/gtest.h>

#include "format/behaviour/Object_Main.h"
#include "format/media/Sprite_Main.h"
#include "project/Project_Main.h"
#include "testkit/ProjectFiles.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

using namespace project;

CStream StreamOf(const TObject& record) { return CStream(RecordBytes(record)); }

// Loads the record into the object, which must read all of it.
void Load(CObject& object, const TObject& record) {
    CStream stream = StreamOf(record);
    ASSERT_TRUE(object.Load(stream));
    EXPECT_EQ(stream.Remaining(), 0u);
}

// An event holding one old action, and what the converter writes for it.
TEvent OneAction(std::int32_t oldNumber) { return {400, {OldAction(oldNumber)}}; }
TEvent OneConverted(std::int32_t newId) { return {400, {ConvertedAction(newId)}}; }

// An object record of the newer layout with rows 0 .. rows - 1.
TObject WithRows(std::size_t rows) {
    TObject record;
    record.Rows.resize(rows);
    return record;
}

// A project whose object list a test fills with this many present slots.
class ObjectTest : public ::testing::Test {
protected:
    CProject project;

    void MakeObjects(int count) {
        for (int i = 0; i < count; ++i)
            ObjectList(project.Behaviour).Add(std::make_unique<CObject>(), "object" + std::to_string(i));
    }
    // What the object list writes for the object: validated, then saved.
    CBlock SavedBytes(CObject& object) {
        CStream stream(project.Core);
        object.Validate(project.Core, SpriteList(project.Media), ObjectList(project.Behaviour));
        EXPECT_TRUE(object.Save(stream));
        return stream.TakeBytes();
    }
};

TEST_F(ObjectTest, OlderRecordWithEmptyRowsIsWrittenIn80Bytes) {
    TObject record = WithRows(9);
    record.Version = 400;
    record.Flag1 = 1;
    record.Flag2 = 0;
    record.Value = -7;
    record.Flag3 = 1;
    CStream stream = StreamOf(record);
    ASSERT_EQ(stream.Size(), 4u * 8 + 9 * 4);
    CObject object;
    ASSERT_TRUE(object.Load(stream));
    EXPECT_EQ(stream.Remaining(), 0u);

    TObject expected = record;
    expected.Version = 430;
    expected.Rows.resize(11);
    const CBlock saved = SavedBytes(object);
    EXPECT_EQ(saved.size(), 80u);
    EXPECT_EQ(saved, RecordBytes(expected));
}

TEST_F(ObjectTest, OlderRecordReadsNineRowsWithActionsOfBothLayouts) {
    TObject record = WithRows(9);
    record.Version = 400;
    record.Rows[0] = {{0, OneAction(1)}};
    record.Rows[8] = {{1, {400, {ConvertedAction(205, {"a"}), OldAction(69, {"b"}, 2, 1)}}}};
    MakeObjects(1);
    CObject object;
    Load(object, record);

    TObject expected;
    expected.Rows[0] = {{0, OneConverted(101)}};
    expected.Rows[8] = {{1, {400, {ConvertedAction(205, {"a"}), ConvertedAction(613, {"b"}, 2, 1)}}}};
    EXPECT_EQ(SavedBytes(object), RecordBytes(expected));
}

TEST_F(ObjectTest, RowIsDenseUpToItsHighestEvent) {
    TObject record;
    record.Rows[4] = {{7, OneAction(1)}};
    CObject object;
    Load(object, record);
    EXPECT_EQ(object.Row(4).Length(), 8);
    for (std::int32_t number = 0; number < 7; ++number)
        EXPECT_TRUE(object.GetEvent(4, number)->Empty()) << number;
    EXPECT_EQ(object.GetEvent(4, 7)->Count(), 1);
    EXPECT_EQ(object.Row(4).Length(), 8) << "asking for existing events does not grow the row";
}

TEST_F(ObjectTest, ValidateEmptiesRowFourEventsOfMissingObjects) {
    TObject record;
    record.Rows[4] = {{7, OneAction(1)}, {3, OneAction(2)}};
    record.Rows[3] = {{7, OneAction(3)}};  // other rows are not object indices
    record.RelatedObjectIndex = 4;
    MakeObjects(5);
    CObject object;
    Load(object, record);

    TObject expected;
    expected.Rows[4] = {{3, OneConverted(113)}};
    expected.Rows[3] = {{7, OneConverted(114)}};
    expected.RelatedObjectIndex = 4;
    object.Validate(project.Core, SpriteList(project.Media), ObjectList(project.Behaviour));
    EXPECT_EQ(SavedBytes(object), RecordBytes(expected));
    EXPECT_TRUE(object.GetEvent(4, 7)->Empty());
    EXPECT_EQ(object.Row(4).Length(), 8) << "the slot itself stays";
}

TEST_F(ObjectTest, ValidateResetsADanglingRelatedObject) {
    MakeObjects(3);
    ObjectList(project.Behaviour).Add(nullptr);
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {2, 2}, {0, 0}, {3, -100}, {4, -100}, {-1, -100}, {-100, -100}, {INT32_MAX, -100},
    };
    for (const auto& [related, written] : cases) {
        CObject object;
        object.RelatedObjectIndex = related;
        object.Validate(project.Core, SpriteList(project.Media), ObjectList(project.Behaviour));
        EXPECT_EQ(object.RelatedObjectIndex, written) << related;
    }
}

TEST_F(ObjectTest, ValidateResetsDanglingSpriteReferences) {
    ClearSprites(project.Media);
    SpriteList(project.Media).Add(std::make_unique<CSprite>(), "s0");
    SpriteList(project.Media).Add(nullptr);
    SpriteList(project.Media).Add(nullptr);
    SpriteList(project.Media).Add(nullptr);  // slot 3 is empty
    SpriteList(project.Media).Add(std::make_unique<CSprite>(), "s4");
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {0, 0}, {4, 4}, {3, -1}, {5, -1}, {-1, -1}, {-7, -1}, {INT32_MAX, -1},
    };
    for (const auto& [index, written] : cases) {
        TObject record;
        record.SpriteIndex = index;
        record.SecondSpriteIndex = index;
        CObject object;
        Load(object, record);
        EXPECT_EQ(object.SpriteIndex, index) << "kept as read";
        record.SpriteIndex = written;
        record.SecondSpriteIndex = written;
        object.Validate(project.Core, SpriteList(project.Media), ObjectList(project.Behaviour));
        EXPECT_EQ(SavedBytes(object), RecordBytes(record)) << index;
        EXPECT_EQ(object.SpriteIndex, written) << "checking changes the model";
    }
    ClearSprites(project.Media);
}

TEST_F(ObjectTest, RowsAreWrittenHighestNumberFirstWithoutEmptyEvents) {
    TObject record;
    record.Rows[0] = {{2, OneAction(1)}, {5, OneAction(2)}, {9, {}}};
    record.Rows[10] = {{0, OneAction(3)}, {1, OneAction(4)}};
    CObject object;
    Load(object, record);

    TObject expected;
    expected.Rows[0] = {{5, OneConverted(113)}, {2, OneConverted(101)}};
    expected.Rows[10] = {{1, OneConverted(109)}, {0, OneConverted(114)}};
    EXPECT_EQ(SavedBytes(object), RecordBytes(expected));
}

TEST_F(ObjectTest, HugeEventNumberCostsOneEvent) {
    TObject record;
    record.Rows[0] = {{2147483646, OneAction(1)}};
    CObject object;
    Load(object, record);
    EXPECT_EQ(object.Row(0).Length(), 2147483647);
    EXPECT_EQ(object.Row(0).Events().size(), 1u);
    EXPECT_TRUE(object.GetEvent(0, 1000)->Empty());
    EXPECT_EQ(object.Row(0).Length(), 2147483647);

    TObject expected;
    expected.Rows[0] = {{2147483646, OneConverted(101)}};
    EXPECT_EQ(SavedBytes(object), RecordBytes(expected));
}

TEST_F(ObjectTest, GetEventOutsideTheRows) {
    CObject object;
    EXPECT_EQ(object.GetEvent(-1, 0), nullptr);
    EXPECT_EQ(object.GetEvent(11, 0), nullptr);
    EXPECT_EQ(object.GetEvent(0, -1), nullptr);
    EXPECT_NE(object.GetEvent(10, 0), nullptr);
}

// The last row R is -1 (no row blocks at all), 3 (rows 0 to 3 only) or 14
// (empty rows above 10, read without effect).
TEST_F(ObjectTest, LastRowOtherThanTen) {
    CObject object;
    Load(object, WithRows(0));
    TObject few = WithRows(4);
    few.Rows[3] = {{0, OneAction(1)}};
    Load(object, few);
    EXPECT_EQ(object.GetEvent(3, 0)->Count(), 1);
    Load(object, WithRows(15));
}

TEST_F(ObjectTest, EventInARowAboveTenFailsTheRecord) {
    TObject record = WithRows(12);
    record.Rows[11] = {{0, OneAction(1)}};
    CStream stream = StreamOf(record);
    CObject object;
    EXPECT_FALSE(object.Load(stream));
}

TEST_F(ObjectTest, HugeLastRowEndsAtTheEndOfTheStream) {
    CStream hostile(Patched(RecordBytes(WithRows(1)), 32, 0x7FFFFFFF));  // R after eight numbers
    CObject object;
    EXPECT_THROW(object.Load(hostile), EReadError);
}

TEST_F(ObjectTest, BadEventsInsideARecord) {
    // An event with a foreign tag returns false to the object, which reads
    // on at the current position; a negative action count is an empty event.
    // The first event's count follows R, its number and its tag.
    const std::size_t firstCount = 36 + 4 + 4;
    TObject record;
    record.Rows[0] = {{1, {}}, {0, {401, {}}}, {2, OneAction(1)}};
    CStream stream(Patched(RecordBytes(record), firstCount, -3));
    CObject object;
    ASSERT_TRUE(object.Load(stream));
    EXPECT_EQ(stream.Remaining(), 0u);
    EXPECT_TRUE(object.GetEvent(0, 0)->Empty());
    EXPECT_TRUE(object.GetEvent(0, 1)->Empty());
    EXPECT_EQ(object.GetEvent(0, 2)->Count(), 1);

    TObject hostile;
    hostile.Rows[0] = {{0, {}}};
    stream = CStream(Patched(RecordBytes(hostile), firstCount, 1000000000));
    EXPECT_THROW(object.Load(stream), EReadError);
}

TEST_F(ObjectTest, EventKeepsActionsWithUnknownTags) {
    CRecorder recorder(project.Core);
    TObject record;
    record.Rows[0] = {{0, {400, {TAction{.Tag = 7}, OldAction(1)}}}};
    CObject object;
    Load(object, record);
    EXPECT_EQ(object.GetEvent(0, 0)->Count(), 2);

    TObject expected;
    expected.Rows[0] = {{0, {400, {ConvertedAction(0), ConvertedAction(101)}}}};
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

}  // namespace transvane
