// A time line: events placed at integer moments.
//
// Time line record (read and written):
//
//   int32 tag 500
//   int32 n
//   n x (int32 moment, event record)
//
// Entries keep the order they were read in; moments are neither sorted nor
// checked, so duplicates and negative moments come back as they were.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "format/behaviour/Event_Class.h"
#include "format/core/Support_Stream.h"

namespace transvane {

inline constexpr std::int32_t TimeLineTag = 500;

class CTimeLine {
public:
    // The entries are allocated from memory.
    explicit CTimeLine(CMemoryResource* memory = HeapMemory()) : Moments(memory), Events(memory) {}
    virtual ~CTimeLine() = default;

    CTimeLine(const CTimeLine&) = delete;
    CTimeLine& operator=(const CTimeLine&) = delete;

    int Count() const { return static_cast<int>(Moments.size()); }
    void Clear();
    // Appends an entry with an empty event and returns the event.
    CEvent& AddEntry(std::int32_t moment);

    bool Load(CStream& stream);
    bool Save(CStream& stream);

    // Parallel arrays: entry i is (Moments[i], Events[i]).
    CVector<std::int32_t> Moments;
    CVector<CArenaPtr<CEvent>> Events;
};

}  // namespace transvane
