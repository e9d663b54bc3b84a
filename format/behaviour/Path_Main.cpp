#include "format/behaviour/Path_Main.h"

#include "format/behaviour/Behaviour_Model.h"

namespace transvane {

CResourceList<CPath>& PathList(CBehaviourModel& behaviour) { return behaviour.Paths; }

void ClearPaths(CBehaviourModel& behaviour) { PathList(behaviour).Clear(); }

bool LoadPaths(CBehaviourModel& behaviour, CStream& stream) {
    return PathList(behaviour).Load(stream, PathListVersion, PathListVersion);
}

bool SavePaths(CBehaviourModel& behaviour, CStream& stream) {
    return PathList(behaviour).Save(stream, PathListVersion);
}

}  // namespace transvane
