#include "format/behaviour/Event_Class.h"

#include "format/core/Support_Progress.h"

namespace transvane {

void CEvent::Clear() {
    Actions.clear();
    Actions.shrink_to_fit();
}

CAction& CEvent::AddAction(std::int32_t libraryId, std::int32_t actionId) {
    CMemoryResource* memory = Actions.get_allocator().Resource();
    if (libraryId != 0)
        Actions.push_back(MakeIn<CAction>(memory, libraryId, actionId));
    else
        Actions.push_back(MakeIn<CAction>(memory));
    return *Actions.back();
}

bool CEvent::Load(CStream& stream) {
    Clear();
    if (stream.ReadInt() != EventTag)
        return false;
    // A negative count is an empty event.  Every action record holds at
    // least its four-byte tag.
    const std::int32_t count = stream.ReadInt();
    if (count <= 0)
        return true;
    stream.ExpectItems(count, 4);
    // A record that is nothing but an unknown tag still becomes a whole
    // action of some hundred bytes: the load is charged for them.
    CLoadBudget::Charge(stream.Core(), static_cast<std::size_t>(count) * (sizeof(CAction) + sizeof(Actions[0])));
    Actions.reserve(static_cast<std::size_t>(count));
    CPlace place(stream.Core(), "action", 1);  // counted from 1, as people count
    for (std::int32_t i = 0; i < count; ++i) {
        place.MoveTo(std::int64_t{i} + 1);
        AddAction(0, 0).Load(stream);
    }
    return true;
}

bool CEvent::Save(CStream& stream) {
    stream.WriteInt(EventTag);
    stream.WriteInt(Count());
    if (Actions.empty())
        return true;
    CPlace place(stream.Core(), "action", 1);
    for (std::size_t i = 0; i < Actions.size(); ++i) {
        place.MoveTo(static_cast<std::int64_t>(i) + 1);
        Actions[i]->Save(stream);
    }
    return true;
}

}  // namespace transvane
