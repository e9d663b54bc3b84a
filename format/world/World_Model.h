// The world of a project: its rooms with their id counters, its options and
// its game information.
//
// One floor's part of a project (format/core/Support_Project.h explains the
// parts); the project object (project/Project_Main.h) owns one.
#pragma once

#include <cstdint>

#include "format/core/Resource_List.h"
#include "format/core/Support_Project.h"
#include "format/world/Help_Main.h"
#include "format/world/Option_Main.h"
#include "format/world/Room_Main.h"

namespace transvane {

struct CWorldModel {
    CResourceList<CRoom> Rooms{"room"};
    // The counters from which the authoring tool numbers new instances and
    // tiles (Room_Main.h).
    std::int32_t InstanceIdCounter = FirstInstanceId;
    std::int32_t TileIdCounter = FirstTileId;
    CGameOptions Options;
    CGameInformation Information;
};

}  // namespace transvane
