#include "format/behaviour/Action_Class.h"

#include <gtest/gtest.h>

#include <set>

#include "testkit/ProjectFiles.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

const std::string NoTranslation = "Failed to convert old action number: ";

using namespace project;

// Loads the stored record, which the action must read whole, reporting
// through core.
void Load(CCoreState& core, CAction& action, const CBlock& stored) {
    CStream stream(core, stored);
    ASSERT_TRUE(action.Load(stream));
    EXPECT_EQ(stream.Remaining(), 0u);
}

CBlock SavedBytes(CCoreState& core, CAction& action) {
    CStream stream(core);
    EXPECT_TRUE(action.Save(stream));
    return stream.TakeBytes();
}

TEST(Translation, EndPointsHolesAndNeighbours) {
    const std::pair<std::int32_t, std::optional<std::int32_t>> cases[] = {
        {1, 101},  {2, 113}, {12, 301}, {19, 701}, {34, 603},       {52, 711},       {68, 612},
        {69, 613}, {0, {}},  {70, {}},  {-1, {}},  {INT32_MIN, {}}, {INT32_MAX, {}},
    };
    for (const auto& [old, translated] : cases)
        EXPECT_EQ(TranslateOldAction(old), translated) << old;
}

TEST(Translation, OneToOneOntoSixtyNineIds) {
    std::set<std::int32_t> ids;
    for (std::int32_t old = 1; old <= 69; ++old)
        ids.insert(TranslateOldAction(old).value());
    EXPECT_EQ(ids.size(), 69u);
}

// Older-layout records and the newer record the converter writes for each.
struct OldRecordCase {
    const char* what;
    TAction record;
    TAction written;
    std::vector<std::string> messages;
};

TEST(Action, OldLayoutIsTranslatedAndWrittenInTheNewerLayout) {
    CCoreState core;
    const OldRecordCase cases[] = {
        {"first entry, no arguments", OldAction(1, {}, -1, 0), ConvertedAction(101), {}},
        {"last entry", OldAction(69, {"a", "b"}, 3, 1), ConvertedAction(613, {"a", "b"}, 3, 1), {}},
        {"three arguments", OldAction(12, {"x", "y", "z"}, -1, 0), ConvertedAction(301, {"x", "y", "z"}), {}},
        {"eighth argument 1 sets the tail flag",
         OldAction(2, {"0", "0", "0", "0", "0", "0", "0", "1"}, -1, 0),
         ConvertedAction(113, {"0", "0", "0", "0", "0", "0", "0", "1"}),
         {}},
        {"eighth argument 01 does not",
         OldAction(2, {"0", "0", "0", "0", "0", "0", "0", "01"}, -1, 0),
         ConvertedAction(113, {"0", "0", "0", "0", "0", "0", "0", "01"}),
         {}},
        {"eighth argument space 1 does not",
         OldAction(2, {"0", "0", "0", "0", "0", "0", "0", " 1"}, -1, 0),
         ConvertedAction(113, {"0", "0", "0", "0", "0", "0", "0", " 1"}),
         {}},
        {"old number 70", OldAction(70, {}, -1, 0), ConvertedAction(70), {NoTranslation + "70"}},
        {"old number 0", OldAction(0, {}, -1, 0), ConvertedAction(0), {NoTranslation + "0"}},
        {"old number -5", OldAction(-5, {}, -1, 0), ConvertedAction(-5), {NoTranslation + "-5"}},
    };
    for (const OldRecordCase& c : cases) {
        CRecorder recorder(core);
        SCOPED_TRACE(c.what);
        CAction action;
        Load(core, action, RecordBytes(c.record));
        EXPECT_EQ(SavedBytes(core, action), RecordBytes(c.written)) << c.what;
        // The message is shown once, while loading; saving does not repeat it.
        EXPECT_EQ(recorder.Messages, c.messages) << c.what;
    }
}

TEST(Action, NewerLayoutIsWrittenBackUnchanged) {
    CCoreState core;
    TAction record;
    record.LibraryId = 3;
    record.ActionId = 7;
    record.DefValue1 = -9;
    record.DefFlag1 = 1;
    record.DefFlag3 = 1;
    record.DefValue2 = 1 << 30;
    record.DefText1 = "text \xE9";
    record.DefText2 = "more";
    record.DefValue3 = 12;
    record.ArgumentKinds = {1, 2, 3, 4, 5, 6, 7, 8};
    record.Selector = 42;
    record.ActionFlag = 1;
    record.Arguments = {"a", "", "c", "d", "e", "f", "g", "0"};
    record.TailFlag = 1;  // not derived from the eighth argument in this layout

    CRecorder recorder(core);
    CAction action;
    Load(core, action, RecordBytes(record));
    EXPECT_EQ(SavedBytes(core, action), RecordBytes(record));
    EXPECT_TRUE(recorder.Messages.empty());
    EXPECT_EQ(SavedBytes(core, action).size(), 128u + 6 + 4 + 7);
}

TEST(Action, NewerLayoutWithLibraryZeroIsTranslated) {
    CCoreState core;
    TAction record;
    record.LibraryId = 0;
    record.ActionId = 12;
    record.DefValue1 = 5;
    CAction action;
    Load(core, action, RecordBytes(record));
    EXPECT_EQ(action.LibraryId, 1);
    EXPECT_EQ(action.ActionId, 301);
    EXPECT_EQ(action.DefValue1, 5);  // no definition: the stored copy stays
}

// Stored counts that differ from eight: only eight values are kept, the
// rest is read and dropped, and a negative count reads nothing.
TEST(Action, ArgumentCountsOtherThanEight) {
    CCoreState core;
    {
        TAction record;
        record.ArgumentKinds = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        record.Arguments = {"a", "b", "c", "d", "e", "f", "g", "1", "i"};
        CAction action;
        Load(core, action, RecordBytes(record));
        EXPECT_EQ(action.ArgumentKinds[7], 8);
        EXPECT_EQ(action.Arguments[7], "1");
        EXPECT_FALSE(action.TailFlag);
    }
    {
        // With empty texts and no kinds or arguments, the kind count is the
        // twelfth number and the argument count the fifteenth.
        TAction record;
        record.ArgumentKinds = {};
        record.Arguments = {};
        record.TailFlag = 1;
        CAction action;
        Load(core, action, Patched(Patched(RecordBytes(record), 44, -3), 56, -1));
        EXPECT_EQ(action.ArgumentKinds[0], 0);
        EXPECT_EQ(action.Arguments[0], "0");
        EXPECT_TRUE(action.TailFlag);
    }
    {
        // An action read again keeps none of the arguments it held: those
        // the record lacks are reset.
        CAction action;
        Load(core, action, RecordBytes(OldAction(1, {"a", "b", "c", "d", "e", "f", "g", "1"})));
        Load(core, action, RecordBytes(OldAction(2, {"x"})));
        EXPECT_EQ(action.Arguments[0], "x");
        EXPECT_EQ(action.Arguments[1], "0");
        EXPECT_EQ(action.Arguments[7], "0");
        EXPECT_FALSE(action.TailFlag);
    }
    // An older record's argument count is its fifth number.
    CAction old;
    Load(core, old, Patched(RecordBytes(OldAction(1)), 16, -7));
    {
        CStream stream(Patched(RecordBytes(OldAction(1, {"a"})), 16, 2000000000));
        CAction action;
        EXPECT_THROW(action.Load(stream), EReadError);
    }
}

TEST(Action, UnknownTagReadsOnlyTheTagAndSavesAsLibraryOneActionZero) {
    CCoreState core;
    CRecorder recorder(core);
    CStream stream;
    stream.WriteInt(441);
    stream.WriteInt(1);
    stream.SetPosition(0);
    CAction action;
    EXPECT_FALSE(action.Load(stream));
    EXPECT_EQ(stream.Position(), 4u);
    EXPECT_TRUE(recorder.Messages.empty());
    EXPECT_EQ(SavedBytes(core, action), RecordBytes(ConvertedAction(0)));
    EXPECT_EQ(recorder.Messages, std::vector<std::string>{NoTranslation + "0"});
}

TEST(Action, CutRecordRaisesTheReadError) {
    const CBlock whole = RecordBytes(TAction{});
    for (std::size_t cut : {std::size_t{2}, std::size_t{30}, whole.size() - 1}) {
        CStream stream(CBlock(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)));
        CAction action;
        EXPECT_THROW(action.Load(stream), EReadError) << cut;
    }
}

}  // namespace

}  // namespace transvane
