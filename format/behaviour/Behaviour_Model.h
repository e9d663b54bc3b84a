// The behaviour of a project: its objects, time lines and paths.
//
// One floor's part of a project (format/core/Support_Project.h explains the
// parts); BehaviourModel() is the current project's.
#pragma once

#include <cstdint>

#include "format/core/Resource_List.h"
#include "format/core/Support_Project.h"
#include "format/behaviour/Object_Class.h"
#include "format/behaviour/Path_Class.h"
#include "format/behaviour/TimeLine_Class.h"

namespace transvane {

struct CBehaviourModel {
    CResourceList<CObject> Objects{"object"};
    CResourceList<CTimeLine> TimeLines{"time line"};
    CResourceList<CPath> Paths{"path"};
};

CBehaviourModel& BehaviourModel();

}  // namespace transvane
