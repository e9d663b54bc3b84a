// The core floor's part of a project: what one load or save needs beside
// the model.
//
// A project is kept in parts, one per floor of the format, each defined on
// its own floor next to the code that uses it:
//
//   CCoreState      here: feedback, places and message context, load
//                   budget, inflate limit, the model's memory
//   CMediaModel     format/media/Media_Model.h: sprites, sounds, backgrounds,
//                   scripts, data files
//   CBehaviourModel format/behaviour/Behaviour_Model.h: objects, time lines,
//                   paths
//   CWorldModel     format/world/World_Model.h: rooms and their id counters,
//                   options, game information
//   CProjectModel   project/Project_Model.h: GameId, GameGuid, the resource
//                   tree, the loaded file's size
//
// No floor knows the parts above its own.  The project object (CProject,
// in the project layer) owns one of each and passes each floor's code the
// part it works on, as the first parameter; nothing finds a project by
// itself.  The records deep in a section reach the core part through the
// stream they read or write (CStream::Core), which belongs to exactly one
// load or save.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "format/core/Support_MemoryResource.h"

namespace transvane {

class CFeedback;

// The largest block the format can describe: its count is a signed int32.
inline constexpr std::size_t MaxBlockSize = 2147483647u;

// The least memory budget of one load (Support_Stream.h).
inline constexpr std::size_t LoadBudgetFloor = std::size_t{256} << 20;

// One place held while the core works on it (CPlace, Support_Progress.h).
struct CPlaceFrame {
    const char* What;
    std::int64_t Number;
    std::string_view Name;
    bool Named;
};

// The lowest floor's part: what one conversion needs beside the model.
struct CCoreState {
    CFeedback* Feedback = nullptr;  // nullptr swallows every message
    // Where the core is at work, outermost first, and the drivers' lines of
    // context for the messages shown meanwhile.
    std::vector<CPlaceFrame> Places;
    std::vector<std::string> ContextLines;
    // Where reading was when it failed (KeepFailurePlace); empty when no
    // place was held then.
    std::string FailurePlace;
    // How far the running load or save is through the project's bytes
    // (ProgressSection, Support_Progress.h); no section outside one.
    struct CByteMeter {
        const char* Section = nullptr;
        bool Reading = false;     // a load: done is the stream's position
        std::uint64_t Start = 0;  // the section's share: [Start, Start + Length)
        std::uint64_t Length = 0;
        std::uint64_t Total = 0;
        std::uint64_t Reported = 0;  // done as last reported
    } Meter;
    // The most bytes one compressed block may inflate to.  It starts at
    // MaxBlockSize, since a larger block could not be written back; a front
    // end or a fuzzing harness may lower it to bound the memory a hostile
    // file can claim.
    std::size_t InflateLimit = MaxBlockSize;
    // The running load's budget and what it has used; no limit outside a load.
    std::size_t BudgetLimit = std::numeric_limits<std::size_t>::max();
    std::size_t BudgetUsed = 0;
    std::size_t BudgetFloor = LoadBudgetFloor;
    // How many threads may compress a section's blocks beside the writer
    // (Support_Prefetch.h); unset: one less than the cores.  A batch that
    // converts several projects at once keeps the cores for those.
    std::optional<unsigned> HelperThreads;
    // Where the model's records and their containers are allocated: the
    // project's arena (project/Project_Main.h); the C library's heap for a
    // core part that belongs to no project.
    CMemoryResource* Memory = HeapMemory();
};

}  // namespace transvane
