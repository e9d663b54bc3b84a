// The project object: everything one project is, owned in one place.
//
// A CProject owns one part per floor of the format (Support_Project.h says
// why a project comes in parts): the nine lists, the options, the game
// information, the room id counters, GameId, GameGuid, the resource tree
// with its flags, and the state of one conversion (feedback, load budget,
// inflate limit, the loaded file's size).  The section code never names a
// project: it works on the current one through its accessors (SpriteList(),
// GameOptions(), ResourceTree() ...).  A CProjectScope makes a project the
// current one of its thread:
//
//     CProject project;
//     CProjectScope scope(project.Parts());
//     LoadGameFile(source);   // fills project, not the default one
//
// Without a scope a thread works on the process-wide default project.  Two
// threads with a project each never share a byte of model; only the action
// library registry is program-wide, and it is read-only after start-up.
#pragma once

#include "format/behaviour/Behaviour_Model.h"
#include "format/core/Support_Project.h"
#include "format/media/Media_Model.h"
#include "format/world/World_Model.h"
#include "project/Project_Model.h"

namespace transvane {

class CProject {
public:
    CProject() = default;
    // The parts point into the object: it stays where it was made.
    CProject(const CProject&) = delete;
    CProject& operator=(const CProject&) = delete;

    const CProjectParts& Parts() const { return FParts; }

    CCoreState Core;
    CMediaModel Media;
    CBehaviourModel Behaviour;
    CWorldModel World;
    CProjectModel Model;

private:
    const CProjectParts FParts{&Core, &Media, &Behaviour, &World, &Model};
};

}  // namespace transvane
