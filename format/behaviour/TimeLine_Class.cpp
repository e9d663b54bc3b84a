#include "format/behaviour/TimeLine_Class.h"

#include "format/core/Support_Progress.h"

namespace transvane {

void CTimeLine::Clear() {
    Moments.clear();
    Events.clear();
}

CEvent& CTimeLine::AddEntry(std::int32_t moment) {
    Moments.push_back(moment);
    CMemoryResource* memory = Events.get_allocator().Resource();
    Events.push_back(MakeIn<CEvent>(memory, memory));
    return *Events.back();
}

bool CTimeLine::Load(CStream& stream) {
    Clear();
    if (stream.ReadInt() != TimeLineTag)
        return false;
    // Each entry holds at least its moment and its event's tag.  A negative
    // count fails the load.
    const std::int32_t count = stream.ReadInt();
    stream.ExpectItems(count, 8);
    Moments.reserve(static_cast<std::size_t>(count));
    Events.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int32_t moment = stream.ReadInt();
        const CPlace place(stream.Core(), "moment", moment);
        AddEntry(moment).Load(stream);
    }
    return true;
}

bool CTimeLine::Save(CStream& stream) {
    stream.WriteInt(TimeLineTag);
    stream.WriteInt(Count());
    // Unlike an object's rows, every entry is written, empty events too: an
    // entry is identified by its place, not by its moment.
    for (std::size_t i = 0; i < Moments.size(); ++i) {
        const CPlace place(stream.Core(), "moment", Moments[i]);
        stream.WriteInt(Moments[i]);
        Events[i]->Save(stream);
    }
    return true;
}

}  // namespace transvane
