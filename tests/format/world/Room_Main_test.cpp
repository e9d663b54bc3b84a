#include "format/world/Room_Main.h"

#include <gtest/gtest.h>

#include "format/behaviour/Object_Main.h"
#include "format/media/Background_Main.h"
#include "project/Project_Main.h"
#include "testkit/ExpectedConversion.h"
#include "testkit/ProjectFiles.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

using namespace project;

// A project with objects 0..3 with slot 2 empty and backgrounds 0..2 with
// slot 1 empty.
class RoomTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 4; ++i)
            ObjectList(project.Behaviour).Add(i == 2 ? nullptr : std::make_unique<CObject>(), "object");
        for (int i = 0; i < 3; ++i)
            BackgroundList(project.Media).Add(i == 1 ? nullptr : std::make_unique<CBackground>(), "background");
    }
    // The room as its list writes it: pruned against the lists, then saved.
    CBlock Saved(CRoom& room) {
        CStream s(project.Core);
        room.Prune(project.Core, ObjectList(project.Behaviour), BackgroundList(project.Media));
        EXPECT_TRUE(room.Save(s));
        return s.TakeBytes();
    }

    CProject project;
};

TInstance Instance(std::int32_t x, std::int32_t objectIndex) { return {x, 0, objectIndex, 100000 + x, "", 0}; }

TTile Tile(std::int32_t x, std::int32_t backgroundIndex) {
    return {{x, 0, backgroundIndex, 0, 0, 16, 16, 1000000, 10000000 + x}};
}

// A room whose values differ from a new room's, so that a field the reader
// drops is caught.
TRoom RichRoom(std::int32_t version = 500) {
    TRoom room;
    room.Version = version;
    room.Caption = "The hall";
    room.Width = 800;
    room.Height = 600;
    room.SnapX = 8;
    room.SnapY = 4;
    room.Speed = 60;
    room.RoomFlag = 1;
    room.BackColor = 0x123456;
    room.BackColorFlag = 0;
    room.Code = "room_code();";
    room.Layers.assign(8, TLayer{1, 1, 0, 5, 6, 0, 1, 1, -2});
    room.Layers[3].BackgroundIndex = 7;  // carried as it is, no lookup
    room.ViewsEnabled = 1;
    room.Views.assign(8, TView{1, 10, 20, 320, 240, 1, 2, 64, 48, 3, 4, 0});
    room.Views[5].FollowObject = 99;
    room.Instances = {{10, 20, 0, 100001, "a=1;", 1}, {30, 40, 3, 100002, "", 0}};
    room.Tiles = {{{1, 2, 0, 3, 4, 5, 6, 7, 10000001}}, {{8, 9, 2, 1, 1, 16, 16, -5, 10000002}}};
    room.Settings = {1, 2, 3, 1, 0, 1, 0, 1, 0, 1, 0, 1, 1, 4, 5, 6, 7, 8, 9, 10};
    return room;
}

// The project around the rooms: objects 0..3 with slot 2 empty,
// backgrounds 0..2 with slot 1 empty, as the fixture loads them.
TProject AroundRooms(const TRooms& rooms) {
    TProject project = EmptyProject(500);
    for (int i = 0; i < 4; ++i)
        i == 2 ? project.Objects.AddEmpty() : project.Objects.Add("object", {});
    for (int i = 0; i < 3; ++i)
        i == 1 ? project.Backgrounds.AddEmpty() : project.Backgrounds.Add("background", {});
    project.Rooms = rooms;
    return project;
}

// What a room record is once it is written as 500.
TRoom AsWritten(const TRoom& room) {
    TRooms rooms;
    rooms.List.Add("r", room);
    return ExpectedConversion(AroundRooms(rooms)).Project.Rooms.List.Slots[0]->Record;
}

// Loads the stored record, which the room must read whole.
void Load(CRoom& room, const CBlock& stored) {
    CStream in(stored);
    ASSERT_TRUE(room.Load(in));
    EXPECT_EQ(in.Remaining(), 0u);
}

CBlock RoomsSection(const TRooms& rooms) {
    CStream s;
    WriteRooms(s, rooms);
    return s.TakeBytes();
}

TEST_F(RoomTest, EveryRecordVersionIsWrittenAs500) {
    for (std::int32_t version : {400, 410, 411, 419, 420, 430, 499, 500}) {
        SCOPED_TRACE(version);
        const TRoom stored = RichRoom(version);
        CRoom room;
        Load(room, RecordBytes(stored));
        EXPECT_EQ(Saved(room), RecordBytes(AsWritten(stored)));
    }
}

TEST_F(RoomTest, FewerLayersAndViewsKeepDefaults) {
    TRoom stored = RichRoom();
    stored.Layers.resize(3);
    stored.Views.resize(1);
    CRoom room;
    Load(room, RecordBytes(stored));
    EXPECT_EQ(room.Layers[2].X, 5);
    EXPECT_EQ(room.Layers[3], CRoomLayer{});
    EXPECT_EQ(room.Layers[3].BackgroundIndex, -1);
    EXPECT_TRUE(room.Layers[7].TileH && room.Layers[7].TileV);
    EXPECT_EQ(room.Views[0].ViewWidth, 320);
    EXPECT_EQ(room.Views[1], CRoomView{});
    EXPECT_EQ(Saved(room), RecordBytes(AsWritten(stored)));
}

TEST_F(RoomTest, MoreThanEightLayersOrViewsAreReadAndDropped) {
    TRoom stored = RichRoom();
    stored.Layers.resize(11);
    stored.Layers[8].X = 888;
    stored.Views.resize(9);
    stored.Views[8].ViewX = 999;
    CRoom room;
    Load(room, RecordBytes(stored));
    TRoom expected = stored;
    expected.Layers.resize(8);
    expected.Views.resize(8);
    EXPECT_EQ(Saved(room), RecordBytes(expected));
}

TEST_F(RoomTest, NegativeLayerAndViewCountsReadNothing) {
    // A version-400 room: the layer count follows the version, the empty
    // caption and eight values; the view count follows the views' flag.
    const TRoom stored{.Version = 400, .Layers = {}, .ViewsEnabled = 1, .Views = {}};
    CRoom room;
    Load(room, Patched(Patched(RecordBytes(stored), 40, -3), 48, -1));
    EXPECT_TRUE(room.ViewsEnabled);
    EXPECT_EQ(room.Layers[0], CRoomLayer{});
}

TEST_F(RoomTest, SavingDropsInstancesAndTilesThatNameNothing) {
    TRoom stored = RichRoom();
    // Objects 0, 1 and 3 exist; backgrounds 0 and 2.
    stored.Instances = {Instance(1, -1), Instance(2, 0), Instance(3, 4),
                        Instance(4, 2),  Instance(5, 3), Instance(6, 1)};
    stored.Tiles = {Tile(1, 1), Tile(2, 0), Tile(3, 3), Tile(4, -1), Tile(5, 2)};
    CRoom room;
    Load(room, RecordBytes(stored));
    const CBlock saved = Saved(room);

    TRoom expected = stored;
    expected.Instances = {Instance(2, 0), Instance(5, 3), Instance(6, 1)};
    expected.Tiles = {Tile(2, 0), Tile(5, 2)};
    EXPECT_EQ(saved, RecordBytes(expected));
    // The room itself changed, not only what was written.
    ASSERT_EQ(room.Instances.size(), 3u);
    EXPECT_EQ(room.Instances[1].X, 5);
    ASSERT_EQ(room.Tiles.size(), 2u);
}

TEST_F(RoomTest, LoadResetsARoomButKeepsUnstoredSettings) {
    CRoom room;
    room.EditorSettings.SettingsFlag1 = true;
    room.EditorSettings.SettingsValue2 = 77;
    room.Instances.push_back({});
    CStream in(RecordBytes(RichRoom(420)));
    ASSERT_TRUE(room.Load(in));
    EXPECT_FALSE(room.EditorSettings.SettingsFlag1);
    EXPECT_EQ(room.EditorSettings.SettingsValue2, 77);
    EXPECT_EQ(room.Instances.size(), 2u);
}

TEST_F(RoomTest, RefusedRecordVersions) {
    for (std::int32_t version : {0, 399, 501, -400}) {
        CStream in(RecordBytes(RichRoom(version)));
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
        {"huge layer count", 0x7FFFFFFF, 8, 0, 0},    {"huge view count", 8, 0x7FFFFFFF, 0, 0},
        {"huge instance count", 8, 8, 0x7FFFFFFF, 0}, {"negative instance count", 8, 8, -1, 0},
        {"huge tile count", 8, 8, 0, 0x10000000},     {"negative tile count", 8, 8, 0, -7},
    };
    // A version-420 room of eight layers and views, no instances and no
    // tiles: the layer count follows the version, the empty caption, eight
    // values and the empty code; the view count follows the layers and a
    // flag; the instance and tile counts end the record.
    TRoom stored;
    stored.Version = 420;
    const CBlock bytes = RecordBytes(stored);
    const std::size_t layers = 4 + 4 + 8 * 4 + 4;
    const std::size_t views = layers + 4 + 8 * 9 * 4 + 4;
    ASSERT_EQ(Patched(Patched(bytes, layers, 8), views, 8), bytes) << "the counts stand where said";
    for (const Case& c : cases) {
        CBlock spoiled = bytes;
        for (const auto& [at, count] : {std::pair{layers, c.layers}, std::pair{views, c.views},
                                        std::pair{bytes.size() - 8, c.instances}, std::pair{bytes.size() - 4, c.tiles}})
            spoiled = Patched(spoiled, at, count);
        CStream in(spoiled);
        CRoom room;
        EXPECT_THROW(room.Load(in), EReadError) << c.what;
    }
}

TEST_F(RoomTest, ListVersionsAndCounters) {
    for (std::int32_t listVersion : {400, 410, 419, 420}) {
        TRooms rooms{{listVersion, {}}, 100500, 10000500};
        rooms.List.Add("first", RichRoom(411));
        rooms.List.AddEmpty();
        rooms.List.Add("third", RichRoom());
        CStream in(RoomsSection(rooms));
        ASSERT_TRUE(LoadRooms(project.World, in)) << listVersion;
        EXPECT_EQ(in.Remaining(), 0u);
        EXPECT_EQ(InstanceIdCounter(project.World), 100500);
        EXPECT_EQ(TileIdCounter(project.World), listVersion >= 420 ? 10000500 : 10000000);

        CStream out;
        ASSERT_TRUE(SaveRooms(project.World, project.Behaviour, project.Media, out));
        EXPECT_EQ(out.Bytes(), RoomsSection(ExpectedConversion(AroundRooms(rooms)).Project.Rooms)) << listVersion;
    }
    ClearRooms(project.World);
    EXPECT_EQ(InstanceIdCounter(project.World), 100000);
    EXPECT_EQ(TileIdCounter(project.World), 10000000);
}

TEST_F(RoomTest, SpoiledSectionsFailCleanly) {
    TRooms rooms;
    rooms.List.Version = 420;
    TRoom few = RichRoom(420);
    few.Layers.resize(2);
    rooms.List.Add("a", RichRoom());
    rooms.List.AddEmpty();
    rooms.List.Add("b", few);
    rooms.List.Add("c", RichRoom(400));
    for (const CBlock& copy : SpoiledCopies(RoomsSection(rooms), 600)) {
        CStream in(copy);
        try {
            if (LoadRooms(project.World, in)) {
                CStream out;
                EXPECT_TRUE(SaveRooms(project.World, project.Behaviour, project.Media, out));
            }
        } catch (const EReadError&) {
        }
    }
}

}  // namespace

}  // namespace transvane
