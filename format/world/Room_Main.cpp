#include "format/world/Room_Main.h"

CResourceList<CRoom> RoomList{"room"};
std::int32_t InstanceIdCounter = FirstInstanceId;
std::int32_t TileIdCounter = FirstTileId;

void ClearRooms() {
    RoomList.Clear();
    InstanceIdCounter = FirstInstanceId;
    TileIdCounter = FirstTileId;
}

bool LoadRooms(CStream& stream) {
    ClearRooms();
    // The list reads its own version; the counters after it depend on it too.
    const std::size_t start = stream.Position();
    const std::int32_t version = stream.ReadInt();
    stream.SetPosition(start);
    if (!RoomList.Load(stream, 400, 420))
        return false;
    InstanceIdCounter = stream.ReadInt();
    TileIdCounter = version >= 420 ? stream.ReadInt() : FirstTileId;
    RoomList.Changed = false;
    return true;
}

bool SaveRooms(CStream& stream) {
    if (!RoomList.Save(stream, RoomListVersion))
        return false;
    stream.WriteInt(InstanceIdCounter);
    stream.WriteInt(TileIdCounter);
    return true;
}

CRoom* GetRoom(int index) { return RoomList.Get(index); }
