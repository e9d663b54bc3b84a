#include "format/behaviour/Object_Class.h"

#include <algorithm>
#include <utility>

#include "format/core/Support_Report.h"

namespace transvane {

namespace {

// An older record holds rows 0 to 8; a newer one says how many it holds and
// is written with all eleven.
constexpr std::int32_t OldLastRow = 8;
constexpr std::int32_t LastRow = EventRowCount - 1;
constexpr std::int32_t RowEnd = -1;

// Every row of an object allocates from the same memory.
template <std::size_t... Row>
std::array<CEventRow, sizeof...(Row)> RowsIn(CMemoryResource* memory, std::index_sequence<Row...>) {
    return {((void)Row, CEventRow(memory))...};
}

}  // namespace

CObject::CObject(CMemoryResource* memory) : EventRows(RowsIn(memory, std::make_index_sequence<EventRowCount>())) {}

CEvent* CEventRow::Get(std::int32_t number) {
    if (number < 0)
        return nullptr;
    FLength = std::max<std::int64_t>(FLength, std::int64_t{number} + 1);
    auto& event = FEvents[number];
    if (event == nullptr) {
        CMemoryResource* memory = FEvents.get_allocator().Resource();
        event = MakeIn<CEvent>(memory, memory);
    }
    return event.get();
}

const CEvent* CEventRow::Find(std::int32_t number) const {
    const auto found = FEvents.find(number);
    return found == FEvents.end() ? nullptr : found->second.get();
}

void CEventRow::Clear() {
    FEvents.clear();
    FLength = 0;
}

void CObject::Clear() {
    SpriteIndex = -1;
    ObjectFlag1 = false;
    ObjectFlag2 = true;
    ObjectValue = 0;
    ObjectFlag3 = false;
    RelatedObjectIndex = NoRelatedObject;
    SecondSpriteIndex = -1;
    for (CEventRow& row : EventRows)
        row.Clear();
}

CEvent* CObject::GetEvent(int row, std::int32_t number) {
    if (row < 0 || row >= EventRowCount)
        return nullptr;
    return EventRows[static_cast<std::size_t>(row)].Get(number);
}

// A reference that already named nothing (-1, or the parent's own "none")
// is not a change; one that named a resource no longer there is.
void CObject::Validate(CCoreState& core, const CResourceList<CSprite>& sprites, const CResourceList<CObject>& objects) {
    if (!sprites.Exists(SpriteIndex)) {
        if (SpriteIndex != -1)
            NoteChange(core, EChange::SpriteCleared, 1, "sprite " + std::to_string(SpriteIndex));
        SpriteIndex = -1;
    }
    if (!sprites.Exists(SecondSpriteIndex)) {
        if (SecondSpriteIndex != -1)
            NoteChange(core, EChange::MaskCleared, 1, "sprite " + std::to_string(SecondSpriteIndex));
        SecondSpriteIndex = -1;
    }
    if (!objects.Exists(RelatedObjectIndex)) {
        if (RelatedObjectIndex != NoRelatedObject)
            NoteChange(core, EChange::ParentCleared, 1, "object " + std::to_string(RelatedObjectIndex));
        RelatedObjectIndex = NoRelatedObject;
    }
    // Events never asked for are empty already; only the kept ones can hold
    // actions.
    const auto& events = EventRows[ObjectEventRow].Events();
    for (auto entry = events.rbegin(); entry != events.rend(); ++entry)
        if (!objects.Exists(entry->first)) {
            if (!entry->second->Empty())
                NoteChange(core, EChange::CollisionEventEmptied, entry->second->Count(),
                           "object " + std::to_string(entry->first));
            entry->second->Clear();
        }
}

bool CObject::Load(CStream& stream) {
    Clear();
    const std::int32_t tag = stream.ReadInt();
    if (tag != ObjectTagOld && tag != ObjectTagNew)
        return false;
    SpriteIndex = stream.ReadInt();
    ObjectFlag1 = stream.ReadBool();
    ObjectFlag2 = stream.ReadBool();
    ObjectValue = stream.ReadInt();
    ObjectFlag3 = stream.ReadBool();
    RelatedObjectIndex = stream.ReadInt();
    SecondSpriteIndex = stream.ReadInt();
    const std::int32_t lastRow = tag == ObjectTagOld ? OldLastRow : stream.ReadInt();

    // A file may claim more rows than the model has; such rows are read as
    // long as they are empty, and an event in one fails the record, since
    // there is nowhere to keep it.  Each row costs at least its four-byte end
    // marker, so a huge R ends at the end of the stream.
    for (std::int64_t row = 0; row <= lastRow; ++row) {
        for (std::int32_t number = stream.ReadInt(); number >= 0; number = stream.ReadInt()) {
            if (row >= EventRowCount)
                return false;
            const CPlace rowPlace(stream.Core(), "row", row);
            const CPlace eventPlace(stream.Core(), "event", number);
            GetEvent(static_cast<int>(row), number)->Load(stream);
        }
    }
    return true;
}

bool CObject::Save(CStream& stream) {
    stream.WriteInt(ObjectTagNew);
    stream.WriteInt(SpriteIndex);
    stream.WriteBool(ObjectFlag1);
    stream.WriteBool(ObjectFlag2);
    stream.WriteInt(ObjectValue);
    stream.WriteBool(ObjectFlag3);
    stream.WriteInt(RelatedObjectIndex);
    stream.WriteInt(SecondSpriteIndex);
    stream.WriteInt(LastRow);
    // Highest number first; events without actions are left out, since a
    // row is dense and the reader recreates them.  (Reverse iterators
    // rather than a reversed view: clang 14, which builds the fuzzing
    // harnesses, cannot compile the standard library's views.)
    for (std::size_t row = 0; row < EventRows.size(); ++row) {
        const CPlace rowPlace(stream.Core(), "row", static_cast<std::int64_t>(row));
        const auto& events = EventRows[row].Events();
        for (auto entry = events.rbegin(); entry != events.rend(); ++entry) {
            if (entry->second->Empty())
                continue;
            const CPlace eventPlace(stream.Core(), "event", entry->first);
            stream.WriteInt(entry->first);
            entry->second->Save(stream);
        }
        stream.WriteInt(RowEnd);
    }
    return true;
}

}  // namespace transvane
