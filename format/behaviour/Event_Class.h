// An event: an ordered list of actions.  Objects and time lines own events.
//
// Event record (read and written):
//
//   int32 tag 400
//   int32 n
//   n x action record (either layout read, the newer one written)
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "format/behaviour/Action_Class.h"
#include "format/core/Support_Arena.h"
#include "format/core/Support_Stream.h"

namespace transvane {

inline constexpr std::int32_t EventTag = 400;

class CEvent final {
public:
    // The actions are allocated from memory.
    explicit CEvent(CMemoryResource* memory = HeapMemory()) : Actions(memory) {}
    ~CEvent() = default;

    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;

    int Count() const { return static_cast<int>(Actions.size()); }
    bool Empty() const { return Actions.empty(); }

    // Frees every action.
    void Clear();
    // Appends a new action: bound to the pair for a library id other than
    // 0; for library id 0 a blank action, the action id being ignored.
    CAction& AddAction(std::int32_t libraryId, std::int32_t actionId);

    // False for a tag other than 400, after reading only the tag.  An action
    // record with an unknown tag stays in the event as a blank action, and
    // reading goes on with the next action.
    bool Load(CStream& stream);
    bool Save(CStream& stream);

    CVector<CArenaPtr<CAction>> Actions;
};

}  // namespace transvane
