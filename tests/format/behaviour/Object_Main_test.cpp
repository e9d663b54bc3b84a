#include "format/behaviour/Object_Main.h"

#include <gtest/gtest.h>

#include "format/behaviour/Library_Main.h"
#include "format/behaviour/Path_Main.h"
#include "format/behaviour/TimeLine_Main.h"
#include "project/Resource_Main.h"
#include "testkit/ProjectFiles.h"
#include "testkit/TestSupport.h"

namespace {

using namespace project;

class ObjectListTest : public ::testing::Test {
protected:
    void SetUp() override { ClearObjects(); }
    void TearDown() override { ClearObjects(); }
};

TEST_F(ObjectListTest, ObjectsAreFoundByTheirSlots) {
    TObject first;
    first.RelatedObjectIndex = 2;  // the third slot, present
    first.Rows[4] = {{2, {400, {ConvertedAction(301, {"x"})}}}};
    TObject third;
    third.Value = 77;
    TList<TObject> list{400, {}};
    list.Add("first", first);
    list.AddEmpty();
    list.Add("third", third);
    const CBlock written = ListBytes(list);
    CStream stream(written);
    ASSERT_TRUE(LoadObjects(stream));
    EXPECT_TRUE(ObjectExists(0));
    EXPECT_FALSE(ObjectExists(1));
    EXPECT_EQ(GetObject(1), nullptr);
    EXPECT_EQ(GetObject(3), nullptr);
    EXPECT_EQ(GetObject(-1), nullptr);
    EXPECT_EQ(GetObject(2)->ObjectValue, 77);

    CStream saved;
    ASSERT_TRUE(SaveObjects(saved));
    EXPECT_EQ(saved.Bytes(), written);
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
    CStream stream(ListBytes(TList<TObject>{400, {TSlot<TObject>{"o", {}}}}));
    ASSERT_TRUE(LoadObjects(stream));
    PathList().Add(std::make_unique<CPath>(), "p");
    TimeLineList().Add(std::make_unique<CTimeLine>(), "t");
    ObjectList().Changed = PathList().Changed = TimeLineList().Changed = true;
    ClearGame();
    EXPECT_EQ(ObjectList().Count() + PathList().Count() + TimeLineList().Count(), 0);
    EXPECT_FALSE(ObjectList().Changed || PathList().Changed || TimeLineList().Changed);
}

}  // namespace
