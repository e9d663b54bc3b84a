// The path list: every path of the project with its name.
//
// Paths section (files of version 420 on; written to every file):
//
//   int32 tag 420
//   int32 slot count
//   per slot: bool present; when present: string name, then the path record
#pragma once

#include <cstdint>

#include "format/behaviour/Path_Class.h"
#include "format/core/Resource_List.h"
#include "format/core/Support_Stream.h"

namespace transvane {

struct CBehaviourModel;  // format/behaviour/Behaviour_Model.h

inline constexpr std::int32_t PathListVersion = 420;

// The project's list.
CResourceList<CPath>& PathList(CBehaviourModel& behaviour);

void ClearPaths(CBehaviourModel& behaviour);
bool LoadPaths(CBehaviourModel& behaviour, CStream& stream);
bool SavePaths(CBehaviourModel& behaviour, CStream& stream);

}  // namespace transvane
