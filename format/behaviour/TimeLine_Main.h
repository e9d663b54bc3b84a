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

struct CBehaviourModel;  // format/behaviour/Behaviour_Model.h

inline constexpr std::int32_t TimeLineListVersion = 500;

// The project's list.
CResourceList<CTimeLine>& TimeLineList(CBehaviourModel& behaviour);

void ClearTimeLines(CBehaviourModel& behaviour);
bool LoadTimeLines(CBehaviourModel& behaviour, CStream& stream);
bool SaveTimeLines(CBehaviourModel& behaviour, CStream& stream);

}  // namespace transvane
