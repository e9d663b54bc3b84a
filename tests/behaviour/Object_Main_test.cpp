#include "behaviour/Object_Main.h"

#include <gtest/gtest.h>

#include "support/BehaviourFiles.h"
#include "support/TestSupport.h"

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
    ObjectList.Changed = true;
    ASSERT_TRUE(LoadObjects(stream));
    EXPECT_EQ(stream.Remaining(), 0u);
    EXPECT_FALSE(ObjectList.Changed);
    ASSERT_EQ(ObjectList.Count(), 3);
    EXPECT_TRUE(ObjectExists(0));
    EXPECT_FALSE(ObjectExists(1));
    EXPECT_EQ(GetObject(1), nullptr);
    EXPECT_EQ(GetObject(3), nullptr);
    EXPECT_EQ(GetObject(-1), nullptr);
    EXPECT_EQ(GetObject(2)->ObjectValue, 77);
    EXPECT_EQ(ObjectList.Name(2), "third \xE9");
    EXPECT_EQ(ObjectList.Name(1), "");

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

}  // namespace
