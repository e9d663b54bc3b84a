#include "format/behaviour/Object_Main.h"

CResourceList<CObject> ObjectList{"object"};

void ClearObjects() { ObjectList.Clear(); }

bool LoadObjects(CStream& stream) { return ObjectList.Load(stream, ObjectListVersion, ObjectListVersion); }

bool SaveObjects(CStream& stream) { return ObjectList.Save(stream, ObjectListVersion); }

CObject* GetObject(int index) { return ObjectList.Get(index); }

bool ObjectExists(int index) { return ObjectList.Exists(index); }
