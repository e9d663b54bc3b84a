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

struct CMediaModel;      // format/media/Media_Model.h
struct CBehaviourModel;  // format/behaviour/Behaviour_Model.h
struct CWorldModel;      // format/world/World_Model.h

// The project's list.
CResourceList<CRoom>& RoomList(CWorldModel& world);
// The project's counters.
std::int32_t& InstanceIdCounter(CWorldModel& world);
std::int32_t& TileIdCounter(CWorldModel& world);

void ClearRooms(CWorldModel& world);
bool LoadRooms(CWorldModel& world, CStream& stream);
// Rooms keep only the instances and tiles of the objects and backgrounds
// that exist (CRoom::Prune), so the save is told those lists.
bool SaveRooms(CWorldModel& world, const CBehaviourModel& behaviour, const CMediaModel& media, CStream& stream);

// The room in the slot, or nullptr for an index outside the list or an
// empty slot.
CRoom* GetRoom(CWorldModel& world, int index);

}  // namespace transvane
