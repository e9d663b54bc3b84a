#include "format/behaviour/Path_Main.h"

CResourceList<CPath> PathList{"path"};

void ClearPaths() { PathList.Clear(); }

bool LoadPaths(CStream& stream) { return PathList.Load(stream, PathListVersion, PathListVersion); }

bool SavePaths(CStream& stream) { return PathList.Save(stream, PathListVersion); }
