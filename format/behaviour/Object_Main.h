// The object list: every object of the project with its name.
//
// Objects section (tag 400, read and written):
//
//   int32 tag 400
//   int32 slot count
//   per slot: bool present; when present: string name, then the object record
#pragma once

#include <cstdint>

#include "format/behaviour/Object_Class.h"
#include "format/core/Resource_List.h"
#include "format/core/Support_Stream.h"

namespace transvane {

struct CMediaModel;      // format/media/Media_Model.h
struct CBehaviourModel;  // format/behaviour/Behaviour_Model.h

inline constexpr std::int32_t ObjectListVersion = 400;
// The project's list.
CResourceList<CObject>& ObjectList(CBehaviourModel& behaviour);

void ClearObjects(CBehaviourModel& behaviour);
bool LoadObjects(CBehaviourModel& behaviour, CStream& stream);
// Saving first drops the references of every object to objects that are
// gone (CObject::Validate).
bool SaveObjects(CBehaviourModel& behaviour, const CMediaModel& media, CStream& stream);

// The object in the slot, or nullptr for an index outside the list or an
// empty slot.
CObject* GetObject(CBehaviourModel& behaviour, int index);
bool ObjectExists(CBehaviourModel& behaviour, int index);

}  // namespace transvane
