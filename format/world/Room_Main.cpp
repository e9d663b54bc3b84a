#include "format/world/Room_Main.h"

#include "format/behaviour/Behaviour_Model.h"
#include "format/media/Media_Model.h"
#include "format/world/World_Model.h"

namespace transvane {

CResourceList<CRoom>& RoomList(CWorldModel& world) { return world.Rooms; }
std::int32_t& InstanceIdCounter(CWorldModel& world) { return world.InstanceIdCounter; }
std::int32_t& TileIdCounter(CWorldModel& world) { return world.TileIdCounter; }

void ClearRooms(CWorldModel& world) {
    RoomList(world).Clear();
    InstanceIdCounter(world) = FirstInstanceId;
    TileIdCounter(world) = FirstTileId;
}

bool LoadRooms(CWorldModel& world, CStream& stream) {
    ClearRooms(world);
    // The list reads its own version; the counters after it depend on it too.
    const std::size_t start = stream.Position();
    const std::int32_t version = stream.ReadInt();
    stream.SetPosition(start);
    if (!RoomList(world).Load(stream, 400, 420))
        return false;
    InstanceIdCounter(world) = stream.ReadInt();
    TileIdCounter(world) = version >= 420 ? stream.ReadInt() : FirstTileId;
    RoomList(world).Changed = false;
    return true;
}

bool SaveRooms(CWorldModel& world, const CBehaviourModel& behaviour, const CMediaModel& media, CStream& stream) {
    // Instances of objects and tiles of backgrounds that no longer exist
    // are dropped from every room before any is written; what a room drops
    // is noted at the room's place.
    CResourceList<CRoom>& rooms = RoomList(world);
    for (int i = 0; i < rooms.Count(); ++i)
        if (CRoom* room = rooms.Get(i)) {
            const CPlace place(stream.Core(), "room", i, rooms.Name(i), Named);
            room->Prune(stream.Core(), behaviour.Objects, media.Backgrounds);
        }
    if (!rooms.Save(stream, RoomListVersion))
        return false;
    stream.WriteInt(InstanceIdCounter(world));
    stream.WriteInt(TileIdCounter(world));
    return true;
}

CRoom* GetRoom(CWorldModel& world, int index) { return RoomList(world).Get(index); }

}  // namespace transvane
