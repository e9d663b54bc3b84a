#include "format/world/Room_Main.h"

#include "format/behaviour/Object_Main.h"
#include "format/media/Background_Main.h"
#include "format/world/World_Model.h"

namespace transvane {

CResourceList<CRoom>& RoomList() { return WorldModel().Rooms; }
std::int32_t& InstanceIdCounter() { return WorldModel().InstanceIdCounter; }
std::int32_t& TileIdCounter() { return WorldModel().TileIdCounter; }

void ClearRooms() {
    RoomList().Clear();
    InstanceIdCounter() = FirstInstanceId;
    TileIdCounter() = FirstTileId;
}

bool LoadRooms(CStream& stream) {
    ClearRooms();
    // The list reads its own version; the counters after it depend on it too.
    const std::size_t start = stream.Position();
    const std::int32_t version = stream.ReadInt();
    stream.SetPosition(start);
    if (!RoomList().Load(stream, 400, 420))
        return false;
    InstanceIdCounter() = stream.ReadInt();
    TileIdCounter() = version >= 420 ? stream.ReadInt() : FirstTileId;
    RoomList().Changed = false;
    return true;
}

bool SaveRooms(CStream& stream) {
    // Instances of objects and tiles of backgrounds that no longer exist
    // are dropped from every room before any is written; what a room drops
    // is noted at the room's place.
    CResourceList<CRoom>& rooms = RoomList();
    for (int i = 0; i < rooms.Count(); ++i)
        if (CRoom* room = rooms.Get(i)) {
            const CPlace place("room", i, rooms.Name(i), Named);
            room->Prune(ObjectList(), BackgroundList());
        }
    if (!rooms.Save(stream, RoomListVersion))
        return false;
    stream.WriteInt(InstanceIdCounter());
    stream.WriteInt(TileIdCounter());
    return true;
}

CRoom* GetRoom(int index) { return RoomList().Get(index); }

}  // namespace transvane
