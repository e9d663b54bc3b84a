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

inline constexpr std::int32_t ObjectListVersion = 400;
// The current project's list.
CResourceList<CObject>& ObjectList();

void ClearObjects();
bool LoadObjects(CStream& stream);
// Saving first drops the references of every object to objects that are
// gone (CObject::Validate).
bool SaveObjects(CStream& stream);

// The object in the slot, or nullptr for an index outside the list or an
// empty slot.
CObject* GetObject(int index);
bool ObjectExists(int index);

}  // namespace transvane
