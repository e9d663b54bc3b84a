// The room list: every room of the project with its name, and the two
// counters from which the authoring tool numbers new instances and tiles.
//
// Rooms section (list versions 400..420 read, 420 written):
//
//   int32 list version
//   int32 slot count
//   per slot: bool present; when present: string name, then the room record
//   int32 InstanceIdCounter
//   int32 TileIdCounter          420 and later; 10000000 for older lists
//
// Empty slots keep their place: the resource tree refers to rooms by slot.
#pragma once

#include <cstdint>

#include "format/core/Resource_List.h"
#include "format/core/Support_Stream.h"
#include "format/world/Room_Class.h"

namespace transvane {

inline constexpr std::int32_t RoomListVersion = 420;
inline constexpr std::int32_t FirstInstanceId = 100000;
inline constexpr std::int32_t FirstTileId = 10000000;

// The current project's list.
CResourceList<CRoom>& RoomList();
// The current project's counters.
std::int32_t& InstanceIdCounter();
std::int32_t& TileIdCounter();

void ClearRooms();
bool LoadRooms(CStream& stream);
bool SaveRooms(CStream& stream);

// The room in the slot, or nullptr for an index outside the list or an
// empty slot.
CRoom* GetRoom(int index);

}  // namespace transvane
