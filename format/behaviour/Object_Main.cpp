#include "format/behaviour/Object_Main.h"

#include "format/behaviour/Behaviour_Model.h"
#include "format/media/Sprite_Main.h"

namespace transvane {

CResourceList<CObject>& ObjectList() { return BehaviourModel().Objects; }

void ClearObjects() { ObjectList().Clear(); }

bool LoadObjects(CStream& stream) { return ObjectList().Load(stream, ObjectListVersion, ObjectListVersion); }

bool SaveObjects(CStream& stream) {
    // Every object is told which sprites and objects exist before any is
    // written; checking does not change what exists, so the order is free.
    // What it clears is noted at the object's place.
    CResourceList<CObject>& objects = ObjectList();
    for (int i = 0; i < objects.Count(); ++i)
        if (CObject* object = objects.Get(i)) {
            const CPlace place("object", i, objects.Name(i), Named);
            object->Validate(SpriteList(), objects);
        }
    return objects.Save(stream, ObjectListVersion);
}

CObject* GetObject(int index) { return ObjectList().Get(index); }

bool ObjectExists(int index) { return ObjectList().Exists(index); }

}  // namespace transvane
