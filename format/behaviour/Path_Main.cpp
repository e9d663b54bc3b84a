#include "format/behaviour/Path_Main.h"

#include "format/behaviour/Behaviour_Model.h"

namespace transvane {

CResourceList<CPath>& PathList() { return BehaviourModel().Paths; }

void ClearPaths() { PathList().Clear(); }

bool LoadPaths(CStream& stream) { return PathList().Load(stream, PathListVersion, PathListVersion); }

bool SavePaths(CStream& stream) { return PathList().Save(stream, PathListVersion); }

}  // namespace transvane
