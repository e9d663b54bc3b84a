#include "format/behaviour/Object_Main.h"

CResourceList<CObject> ObjectList{"object"};

void ClearObjects() { ObjectList.Clear(); }

bool LoadObjects(CStream& stream) { return ObjectList.Load(stream, ObjectListVersion, ObjectListVersion); }

bool SaveObjects(CStream& stream) {
    for (int i = 0; i < ObjectList.Count(); ++i)
        if (CObject* object = ObjectList.Get(i)) {
            // What it clears is noted at the object's place.
            const CPlace place("object", i, ObjectList.Name(i), Named);
            object->Validate(ObjectExists);
        }
    return ObjectList.Save(stream, ObjectListVersion);
}

CObject* GetObject(int index) { return ObjectList.Get(index); }

bool ObjectExists(int index) { return ObjectList.Exists(index); }
