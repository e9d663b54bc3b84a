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

inline constexpr std::int32_t PathListVersion = 420;

// The current project's list.
CResourceList<CPath>& PathList();

void ClearPaths();
bool LoadPaths(CStream& stream);
bool SavePaths(CStream& stream);

}  // namespace transvane
