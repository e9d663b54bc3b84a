// The project object: everything one project is, owned in one place.
//
// A CProject owns one part per floor of the format (Support_Project.h says
// why a project comes in parts): the nine lists, the options, the game
// information, the room id counters, GameId, GameGuid, the resource tree
// with its flags, and the state of one conversion (feedback, load budget,
// inflate limit, the loaded file's size), and the arena all of it is
// allocated from.  Nothing finds a project by
// itself: the drivers take the project, and they hand each floor's code the
// part it works on,
//
//     CProject project;
//     LoadGameFile(project, source);        // the drivers: the whole project
//     SpriteList(project.Media).Count();    // a floor: its own part
//
// Two projects never share a byte of model; only the action library
// registry is program-wide, and it is read-only after start-up.
#pragma once

#include "format/behaviour/Behaviour_Model.h"
#include "format/core/Support_Arena.h"
#include "format/core/Support_Project.h"
#include "format/media/Media_Model.h"
#include "format/world/World_Model.h"
#include "project/Project_Model.h"

namespace transvane {

struct CProject {
    CProject() { Core.Memory = &Arena; }
    // A load's streams and places refer to the parts: the object stays
    // where it was made.
    CProject(const CProject&) = delete;
    CProject& operator=(const CProject&) = delete;

    // The memory of the model, which every part allocates from through
    // Core.Memory: made first, so that it is given back last, in one step.
    CArena Arena;
    CCoreState Core;
    CMediaModel Media;
    CBehaviourModel Behaviour;
    CWorldModel World;
    CProjectModel Model;
};

}  // namespace transvane
