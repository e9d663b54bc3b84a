// The behaviour of a project: its objects, time lines and paths.
//
// One floor's part of a project (format/core/Support_Project.h explains the
// parts); the project object (project/Project_Main.h) owns one.
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

}  // namespace transvane
