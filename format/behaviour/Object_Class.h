// An object: a few properties, two sprite references, a related object and
// eleven rows of events, each row indexed by event number.
//
// Object record (tag 400 read only, tag 430 read and written):
//
//   int32 tag
//   int32 SpriteIndex
//   bool  ObjectFlag1, bool ObjectFlag2
//   int32 ObjectValue
//   bool  ObjectFlag3
//   int32 RelatedObjectIndex
//   int32 SecondSpriteIndex
//   int32 last row R        (tag 430 only, written 10; tag 400 means R = 8)
//   rows 0..R, each: entries of int32 event number (>= 0) and event record,
//                    ended by a negative int32 (written -1)
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>

#include "format/behaviour/Event_Class.h"
#include "format/core/Resource_List.h"
#include "format/core/Support_Stream.h"
#include "format/media/Sprite_Class.h"

namespace transvane {

inline constexpr std::int32_t ObjectTagOld = 400;
inline constexpr std::int32_t ObjectTagNew = 430;
inline constexpr int EventRowCount = 11;
// Row 4's event numbers are indices into the object list.
inline constexpr int ObjectEventRow = 4;
// What RelatedObjectIndex holds when it names no object.
inline constexpr std::int32_t NoRelatedObject = -100;

// One row of events.  A row behaves as a dense array: once it holds event k
// it has events at every number from 0 to k, the ones never touched being
// empty.  Only events that were asked for are kept, so a row whose single
// event has number 2147483646 costs one event, not two thousand million.
class CEventRow {
public:
    using CEvents = CModelMap<std::int32_t, CArenaPtr<CEvent>>;

    // The events are allocated from memory.
    explicit CEventRow(CMemoryResource* memory = HeapMemory()) : FEvents(memory) {}

    // Highest event number + 1, or 0 for an empty row.
    std::int64_t Length() const { return FLength; }
    // The event at the number, created (with every number below it) when
    // the row is shorter; nullptr for a negative number.
    CEvent* Get(std::int32_t number);
    // The event at the number if it was ever asked for; numbers below
    // Length() that were not are empty events.
    const CEvent* Find(std::int32_t number) const;
    void Clear();

    // The events that were asked for, by number, ascending.
    const CEvents& Events() const { return FEvents; }
    CEvents& Events() { return FEvents; }

private:
    std::int64_t FLength = 0;
    CEvents FEvents;
};

class CObject {
public:
    // The events are allocated from memory.
    explicit CObject(CMemoryResource* memory = HeapMemory());
    virtual ~CObject() = default;

    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;

    // Back to the defaults, every row emptied.
    void Clear();
    // The event at (row, number), created if needed; nullptr for a row
    // outside 0..10 or a negative number.
    CEvent* GetEvent(int row, std::int32_t number);
    const CEventRow& Row(int row) const { return EventRows.at(static_cast<std::size_t>(row)); }

    // Resets sprite and object references that name nothing in the lists
    // given and empties the row-4 events whose number names no object.  The
    // object list runs it on every object before it saves them (Object_Main).
    void Validate(CCoreState& core, const CResourceList<CSprite>& sprites, const CResourceList<CObject>& objects);

    bool Load(CStream& stream);
    bool Save(CStream& stream);

    std::int32_t SpriteIndex = -1;
    bool ObjectFlag1 = false;
    bool ObjectFlag2 = true;
    std::int32_t ObjectValue = 0;
    bool ObjectFlag3 = false;
    std::int32_t RelatedObjectIndex = NoRelatedObject;
    std::int32_t SecondSpriteIndex = -1;
    std::array<CEventRow, EventRowCount> EventRows;
};

}  // namespace transvane
