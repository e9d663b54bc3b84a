// The time line list: every time line of the project with its name.
//
// Time lines section (files of version 500; written to every file):
//
//   int32 tag 500
//   int32 slot count
//   per slot: bool present; when present: string name, then the time line record
#pragma once

#include <cstdint>

#include "format/behaviour/TimeLine_Class.h"
#include "format/core/Resource_List.h"
#include "format/core/Support_Stream.h"

namespace transvane {

inline constexpr std::int32_t TimeLineListVersion = 500;

// The current project's list.
CResourceList<CTimeLine>& TimeLineList();

void ClearTimeLines();
bool LoadTimeLines(CStream& stream);
bool SaveTimeLines(CStream& stream);

}  // namespace transvane
