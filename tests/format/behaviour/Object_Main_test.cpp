#include "format/behaviour/Object_Main.h"

#include <gtest/gtest.h>

#include "testkit/ProjectFiles.h"
#include "testkit/TestSupport.h"

namespace transvane {

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

}  // namespace

}  // namespace transvane
