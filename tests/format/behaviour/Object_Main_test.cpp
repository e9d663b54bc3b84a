#include "format/behaviour/Object_Main.h"

#include <gtest/gtest.h>

#include "project/Project_Main.h"
#include "testkit/ProjectFiles.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

using namespace project;

TEST(ObjectListTest, ObjectsAreFoundByTheirSlots) {
    CProject project;
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
    ASSERT_TRUE(LoadObjects(project.Behaviour, stream));
    EXPECT_TRUE(ObjectExists(project.Behaviour, 0));
    EXPECT_FALSE(ObjectExists(project.Behaviour, 1));
    EXPECT_EQ(GetObject(project.Behaviour, 1), nullptr);
    EXPECT_EQ(GetObject(project.Behaviour, 3), nullptr);
    EXPECT_EQ(GetObject(project.Behaviour, -1), nullptr);
    EXPECT_EQ(GetObject(project.Behaviour, 2)->ObjectValue, 77);

    CStream saved;
    ASSERT_TRUE(SaveObjects(project.Behaviour, project.Media, saved));
    EXPECT_EQ(saved.Bytes(), written);
}

}  // namespace

}  // namespace transvane
