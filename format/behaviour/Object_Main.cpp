#include "format/behaviour/Object_Main.h"

#include "format/behaviour/Behaviour_Model.h"
#include "format/media/Media_Model.h"

namespace transvane {

CResourceList<CObject>& ObjectList(CBehaviourModel& behaviour) { return behaviour.Objects; }

void ClearObjects(CBehaviourModel& behaviour) { ObjectList(behaviour).Clear(); }

bool LoadObjects(CBehaviourModel& behaviour, CStream& stream) {
    return ObjectList(behaviour).Load(stream, ObjectListVersion, ObjectListVersion);
}

bool SaveObjects(CBehaviourModel& behaviour, const CMediaModel& media, CStream& stream) {
    // Every object is told which sprites and objects exist before any is
    // written; checking does not change what exists, so the order is free.
    // What it clears is noted at the object's place.
    CResourceList<CObject>& objects = ObjectList(behaviour);
    for (int i = 0; i < objects.Count(); ++i)
        if (CObject* object = objects.Get(i)) {
            const CPlace place(stream.Core(), "object", i, objects.Name(i), Named);
            object->Validate(stream.Core(), media.Sprites, objects);
        }
    return objects.Save(stream, ObjectListVersion);
}

CObject* GetObject(CBehaviourModel& behaviour, int index) { return ObjectList(behaviour).Get(index); }

bool ObjectExists(CBehaviourModel& behaviour, int index) { return ObjectList(behaviour).Exists(index); }

}  // namespace transvane
