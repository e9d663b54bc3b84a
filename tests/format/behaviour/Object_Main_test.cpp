#include "format/behaviour/Object_Main.h"

#include <gtest/gtest.h>

#include "format/behaviour/Library_Main.h"
#include "format/behaviour/Path_Main.h"
#include "format/behaviour/TimeLine_Main.h"
#include "project/Resource_Main.h"
#include "testkit/BehaviourFiles.h"
#include "testkit/TestSupport.h"

namespace {

class ObjectListTest : public ::testing::Test {
protected:
    void SetUp() override { ClearObjects(); }
    void TearDown() override { ClearObjects(); }
};

TEST_F(ObjectListTest, SectionRoundTripsWithAbsentSlots) {
    CTestObject first;
    first.SpriteIndex = -1;
    first.RelatedObjectIndex = 2;  // the third slot, present
    first.Rows = {{}, {}, {}, {}, {{2, {400, {ConvertedAction(301, {"x"})}, {}}}}};
    CTestObject third;
    third.ObjectValue = 77;

    CStream stream;
    WriteObjectsSection(stream, {{{"first", first}}, std::nullopt, {{"third \xE9", third}}});
    const CBlock written = stream.Bytes();
    stream.SetPosition(0);
    ObjectList().Changed = true;
    ASSERT_TRUE(LoadObjects(stream));
    EXPECT_EQ(stream.Remaining(), 0u);
    EXPECT_FALSE(ObjectList().Changed);
    ASSERT_EQ(ObjectList().Count(), 3);
    EXPECT_TRUE(ObjectExists(0));
    EXPECT_FALSE(ObjectExists(1));
    EXPECT_EQ(GetObject(1), nullptr);
    EXPECT_EQ(GetObject(3), nullptr);
    EXPECT_EQ(GetObject(-1), nullptr);
    EXPECT_EQ(GetObject(2)->ObjectValue, 77);
    EXPECT_EQ(ObjectList().Name(2), "third \xE9");
    EXPECT_EQ(ObjectList().Name(1), "");

    CStream saved;
    ASSERT_TRUE(SaveObjects(saved));
    EXPECT_EQ(saved.Bytes(), written);
}

TEST_F(ObjectListTest, AbsentSlotTakesFourBytes) {
    CStream stream;
    WriteObjectsSection(stream, {std::nullopt});
    EXPECT_EQ(stream.Size(), 12u);
    stream.SetPosition(0);
    ASSERT_TRUE(LoadObjects(stream));
    CStream saved;
    ASSERT_TRUE(SaveObjects(saved));
    EXPECT_EQ(saved.Bytes(), Bytes({0x90, 0x01, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(ObjectListTest, RejectedSections) {
    {
        CStream stream;
        WriteObjectsSection(stream, {}, 430);
        stream.SetPosition(0);
        EXPECT_FALSE(LoadObjects(stream));
    }
    {
        // A bad object stops the load; the slots before it keep their objects.
        CStream stream;
        WriteObjectsSection(stream, {{{"good", CTestObject{}}}, {{"bad", CTestObject{.Tag = 431}}},
                                     {{"never read", CTestObject{}}}});
        stream.SetPosition(0);
        EXPECT_FALSE(LoadObjects(stream));
        EXPECT_TRUE(ObjectExists(0));
        EXPECT_FALSE(ObjectExists(2));
    }
    for (std::int32_t count : {-1, 1000000}) {
        CStream stream;
        stream.WriteInt(400);
        stream.WriteInt(count);
        stream.SetPosition(0);
        EXPECT_THROW(LoadObjects(stream), EReadError) << count;
    }
}

// The behaviour sections in the file's table: where they stand, from which
// header version they are read, and what an empty project writes for them.
TEST_F(ObjectListTest, SectionsOfTheProjectFile) {
    struct Row {
        int position;
        const char* name;
        std::int32_t presentFrom;
        CBlock emptySection;
    };
    const Row rows[] = {
        {4, "Paths", 420, Bytes({0xA4, 1, 0, 0, 0, 0, 0, 0})},
        {7, "Time lines", 500, Bytes({0xF4, 1, 0, 0, 0, 0, 0, 0})},
        {8, "Objects", 400, Bytes({0x90, 1, 0, 0, 0, 0, 0, 0})},
        {11, "Used action libraries", 440, Bytes({0xF4, 1, 0, 0, 0, 0, 0, 0})},
    };
    ClearGame();
    for (const Row& row : rows) {
        const CSection& section = GameSections()[row.position];
        EXPECT_STREQ(section.Name, row.name);
        EXPECT_EQ(section.PresentFrom, row.presentFrom) << row.name;
        CStream stream;
        ASSERT_TRUE(section.Save(stream)) << row.name;
        EXPECT_EQ(stream.Bytes(), row.emptySection) << row.name;
    }

    // ClearGame empties the lists and their modified flags.
    CStream stream;
    WriteObjectsSection(stream, {{{"o", CTestObject{}}}});
    stream.SetPosition(0);
    ASSERT_TRUE(LoadObjects(stream));
    PathList().Add(std::make_unique<CPath>(), "p");
    TimeLineList().Add(std::make_unique<CTimeLine>(), "t");
    ObjectList().Changed = PathList().Changed = TimeLineList().Changed = true;
    ClearGame();
    EXPECT_EQ(ObjectList().Count() + PathList().Count() + TimeLineList().Count(), 0);
    EXPECT_FALSE(ObjectList().Changed || PathList().Changed || TimeLineList().Changed);
}

}  // namespace
