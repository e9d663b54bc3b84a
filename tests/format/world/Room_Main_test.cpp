#include "format/world/Room_Main.h"

#include <gtest/gtest.h>

#include "format/behaviour/Object_Main.h"
#include "format/media/Background_Main.h"
#include "testkit/WorldFiles.h"

namespace {

// Objects 0..3 with slot 2 empty; backgrounds 0..2 with slot 1 empty.
class RoomTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearObjects();
        ClearBackgrounds();
        for (int i = 0; i < 4; ++i)
            ObjectList().Add(i == 2 ? nullptr : std::make_unique<CObject>(), "object");
        for (int i = 0; i < 3; ++i)
            BackgroundList().Add(i == 1 ? nullptr : std::make_unique<CBackground>(), "background");
        ClearRooms();
    }
    void TearDown() override {
        ClearRooms();
        ClearObjects();
        ClearBackgrounds();
    }
};

CTestInstance Instance(std::int32_t x, std::int32_t objectIndex) {
    CTestInstance i;
    i.X = x;
    i.ObjectIndex = objectIndex;
    i.Id = 100000 + x;
    return i;
}

CTestTile Tile(std::int32_t x, std::int32_t backgroundIndex) {
    CTestTile t;
    t.X = x;
    t.BackgroundIndex = backgroundIndex;
    t.Id = 10000000 + x;
    return t;
}

CTestRoom RichRoom() {
    CTestRoom room;
    room.Layers[3].BackgroundIndex = 7;  // carried as it is, no lookup
    room.Views[5].FollowObject = 99;
    room.Instances = {{10, 20, 0, 100001, "a=1;", true}, {30, 40, 3, 100002, "", false}};
    room.Tiles = {{1, 2, 0, 3, 4, 5, 6, 7, 10000001}, {8, 9, 2, 1, 1, 16, 16, -5, 10000002}};
    return room;
}

bool ObjectExists3(std::int32_t index) { return index == 0 || index == 1 || index == 3; }
bool BackgroundExists3(std::int32_t index) { return index == 0 || index == 2; }

// What a record of the given version becomes once it is written as 500.
CTestRoom AsWritten(const CTestRoom& room, std::int32_t version) {
    return ExpectedWrittenRoom(room, version, ObjectExists3, BackgroundExists3);
}

CBlock RecordBytes(std::int32_t version, const CTestRoom& room) {
    CStream s;
    WriteRoomRecord(s, version, room);
    return s.TakeBytes();
}

// The room as its list writes it: pruned against the lists, then saved.
CBlock Saved(CRoom& room) {
    CStream s;
    room.Prune(ObjectList(), BackgroundList());
    EXPECT_TRUE(room.Save(s));
    return s.TakeBytes();
}

TEST_F(RoomTest, EveryRecordVersionIsWrittenAs500) {
    for (std::int32_t version : {400, 410, 411, 419, 420, 430, 499, 500}) {
        const CTestRoom stored = RichRoom();
        CStream in(RecordBytes(version, stored));
        CRoom room;
        ASSERT_TRUE(room.Load(in)) << version;
        EXPECT_EQ(in.Remaining(), 0u) << version;
        EXPECT_EQ(Saved(room), RecordBytes(500, AsWritten(stored, version))) << version;
    }
}

TEST_F(RoomTest, FewerLayersAndViewsKeepDefaults) {
    CTestRoom stored = RichRoom();
    stored.Layers.resize(3);
    stored.Views.resize(1);
    CStream in(RecordBytes(500, stored));
    CRoom room;
    ASSERT_TRUE(room.Load(in));
    EXPECT_EQ(room.Layers[2].X, 5);
    EXPECT_EQ(room.Layers[3], CRoomLayer{});
    EXPECT_EQ(room.Layers[3].BackgroundIndex, -1);
    EXPECT_TRUE(room.Layers[7].TileH && room.Layers[7].TileV);
    EXPECT_EQ(room.Views[0].ViewWidth, 320);
    EXPECT_EQ(room.Views[1], CRoomView{});
    EXPECT_EQ(Saved(room), RecordBytes(500, AsWritten(stored, 500)));
}

TEST_F(RoomTest, MoreThanEightLayersOrViewsAreReadAndDropped) {
    CTestRoom stored = RichRoom();
    stored.Layers.resize(11);
    stored.Layers[8].X = 888;
    stored.Views.resize(9);
    stored.Views[8].ViewX = 999;
    CStream in(RecordBytes(500, stored));
    CRoom room;
    ASSERT_TRUE(room.Load(in));
    EXPECT_EQ(in.Remaining(), 0u);
    CTestRoom expected = stored;
    expected.Layers.resize(8);
    expected.Views.resize(8);
    EXPECT_EQ(Saved(room), RecordBytes(500, expected));
}

TEST_F(RoomTest, NegativeLayerAndViewCountsReadNothing) {
    CStream s;
    s.WriteInt(400);
    s.WriteString("c");
    for (int i = 0; i < 5; ++i)
        s.WriteInt(1);
    s.WriteBool(false);
    s.WriteInt(0);
    s.WriteBool(true);
    s.WriteInt(-3);  // layers
    s.WriteBool(true);
    s.WriteInt(-1);  // views
    s.WriteInt(0);   // instances
    CStream in(s.Bytes());
    CRoom room;
    ASSERT_TRUE(room.Load(in));
    EXPECT_EQ(in.Remaining(), 0u);
    EXPECT_TRUE(room.ViewsEnabled);
    EXPECT_EQ(room.Layers[0], CRoomLayer{});
}

TEST_F(RoomTest, SavingDropsInstancesAndTilesThatNameNothing) {
    CTestRoom stored = RichRoom();
    // Objects 0, 1 and 3 exist; backgrounds 0 and 2.
    stored.Instances = {Instance(1, -1), Instance(2, 0), Instance(3, 4),
                        Instance(4, 2), Instance(5, 3), Instance(6, 1)};
    stored.Tiles = {Tile(1, 1), Tile(2, 0), Tile(3, 3), Tile(4, -1), Tile(5, 2)};
    CStream in(RecordBytes(500, stored));
    CRoom room;
    ASSERT_TRUE(room.Load(in));
    const CBlock saved = Saved(room);

    CTestRoom expected = stored;
    expected.Instances = {Instance(2, 0), Instance(5, 3), Instance(6, 1)};
    expected.Tiles = {Tile(2, 0), Tile(5, 2)};
    EXPECT_EQ(saved, RecordBytes(500, expected));
    // The room itself changed, not only what was written.
    ASSERT_EQ(room.Instances.size(), 3u);
    EXPECT_EQ(room.Instances[1].X, 5);
    ASSERT_EQ(room.Tiles.size(), 2u);
}

TEST_F(RoomTest, NewRoomIs816Bytes) {
    CRoom room;
    const CBlock saved = Saved(room);
    EXPECT_EQ(saved.size(), 816u);
    CTestRoom expected{"", 640, 480, 16, 16, 30, false, 0xC0C0C0, true, "", {}, false, {}, {}, {}, {}};
    EXPECT_EQ(saved, RecordBytes(500, AsWritten(expected, 499)));
}

TEST_F(RoomTest, LoadResetsARoomButKeepsUnstoredSettings) {
    CRoom room;
    room.EditorSettings.SettingsFlag1 = true;
    room.EditorSettings.SettingsValue2 = 77;
    room.Instances.push_back({});
    CStream in(RecordBytes(420, RichRoom()));
    ASSERT_TRUE(room.Load(in));
    EXPECT_FALSE(room.EditorSettings.SettingsFlag1);
    EXPECT_EQ(room.EditorSettings.SettingsValue2, 77);
    EXPECT_EQ(room.Instances.size(), 2u);
}

TEST_F(RoomTest, RefusedRecordVersions) {
    for (std::int32_t version : {0, 399, 501, -400}) {
        CStream in(RecordBytes(version, RichRoom()));
        CRoom room;
        EXPECT_FALSE(room.Load(in)) << version;
        EXPECT_EQ(in.Position(), 4u) << version;
    }
}

TEST_F(RoomTest, HostileCountsFailBeforeAllocating) {
    struct Case {
        const char* what;
        std::int32_t layers, views, instances, tiles;
    };
    const Case cases[] = {
        {"huge layer count", 0x7FFFFFFF, 8, 0, 0},
        {"huge view count", 8, 0x7FFFFFFF, 0, 0},
        {"huge instance count", 8, 8, 0x7FFFFFFF, 0},
        {"negative instance count", 8, 8, -1, 0},
        {"huge tile count", 8, 8, 0, 0x10000000},
        {"negative tile count", 8, 8, 0, -7},
    };
    for (const Case& c : cases) {
        CStream s;
        s.WriteInt(420);
        s.WriteString("");
        for (int i = 0; i < 5; ++i)
            s.WriteInt(0);
        s.WriteBool(false);
        s.WriteInt(0);
        s.WriteBool(false);
        s.WriteString("");
        s.WriteInt(c.layers);
        for (int i = 0; i < 8 && c.layers == 8; ++i)
            for (int k = 0; k < 9; ++k)
                s.WriteInt(0);
        s.WriteBool(false);
        s.WriteInt(c.views);
        for (int i = 0; i < 8 && c.views == 8; ++i)
            for (int k = 0; k < 12; ++k)
                s.WriteInt(0);
        s.WriteInt(c.instances);
        s.WriteInt(c.tiles);
        CStream in(s.Bytes());
        CRoom room;
        EXPECT_THROW(room.Load(in), EReadError) << c.what;
    }
}

TEST_F(RoomTest, ListVersionsAndCounters) {
    for (std::int32_t listVersion : {400, 410, 419, 420}) {
        CTestRooms rooms;
        rooms.Slots = {{RichRoom(), "first", 411}, {std::nullopt}, {CTestRoom{}, "third", 500}};
        CStream file;
        WriteRoomsSection(file, listVersion, rooms);
        CStream in(file.Bytes());
        RoomList().Changed = true;
        ASSERT_TRUE(LoadRooms(in)) << listVersion;
        EXPECT_EQ(in.Remaining(), 0u);
        EXPECT_FALSE(RoomList().Changed);
        EXPECT_EQ(RoomList().Count(), 3);
        EXPECT_FALSE(RoomList().Exists(1));
        EXPECT_EQ(RoomList().Name(1), "");
        EXPECT_EQ(RoomList().Name(2), "third");
        EXPECT_EQ(InstanceIdCounter(), 100500);
        EXPECT_EQ(TileIdCounter(), listVersion >= 420 ? 10000500 : 10000000);

        CStream out;
        ASSERT_TRUE(SaveRooms(out));
        const CTestRooms expected = ExpectedWrittenRooms(rooms, listVersion, ObjectExists3, BackgroundExists3);
        CStream want;
        WriteRoomsSection(want, 420, expected);
        EXPECT_EQ(out.Bytes(), want.Bytes()) << listVersion;
        CStream back(out.Bytes());
        EXPECT_EQ(ReadWrittenRooms(back), expected) << listVersion;
        EXPECT_EQ(back.Remaining(), 0u);
    }
}

TEST_F(RoomTest, EmptySlotIsOneFalseFlag) {
    CTestRooms rooms;
    rooms.Slots = {{std::nullopt}};
    CStream file;
    WriteRoomsSection(file, 420, rooms);
    CStream in(file.Bytes());
    ASSERT_TRUE(LoadRooms(in));
    CStream out;
    ASSERT_TRUE(SaveRooms(out));
    CStream in2(out.Bytes());
    EXPECT_EQ(in2.ReadInt(), 420);
    EXPECT_EQ(in2.ReadInt(), 1);
    EXPECT_EQ(in2.ReadInt(), 0);
    EXPECT_EQ(in2.ReadInt(), 100500);
    EXPECT_EQ(in2.ReadInt(), 10000500);
    EXPECT_EQ(in2.Remaining(), 0u);
}

TEST_F(RoomTest, RefusedListOrRecordFailsTheSection) {
    for (std::int32_t listVersion : {399, 421, 500}) {
        CStream file;
        WriteRoomsSection(file, listVersion);
        CStream in(file.Bytes());
        EXPECT_FALSE(LoadRooms(in)) << listVersion;
    }
    CTestRooms rooms;
    rooms.Slots = {{CTestRoom{}, "good", 500}, {CTestRoom{}, "bad", 501}};
    CStream file;
    WriteRoomsSection(file, 420, rooms);
    CStream in(file.Bytes());
    EXPECT_FALSE(LoadRooms(in));
    EXPECT_TRUE(RoomList().Exists(0));  // the rooms read so far stay until the project is cleared

    ClearRooms();
    EXPECT_EQ(RoomList().Count(), 0);
    EXPECT_EQ(InstanceIdCounter(), 100000);
    EXPECT_EQ(TileIdCounter(), 10000000);
}

TEST_F(RoomTest, SpoiledSectionsFailCleanly) {
    CTestRooms rooms;
    CTestRoom few = RichRoom();
    few.Layers.resize(2);
    rooms.Slots = {{RichRoom(), "a", 500}, {std::nullopt}, {few, "b", 420}, {RichRoom(), "c", 400}};
    CStream file;
    WriteRoomsSection(file, 420, rooms);
    for (const CBlock& copy : SpoiledCopies(file.Bytes(), 600)) {
        CStream in(copy);
        try {
            if (LoadRooms(in)) {
                CStream out;
                EXPECT_TRUE(SaveRooms(out));
            }
        } catch (const EReadError&) {
        }
    }
}

}  // namespace
