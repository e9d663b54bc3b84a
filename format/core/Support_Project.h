// Where the state of one project lives, and which project is the current one.
//
// Everything a project is (its lists, options, information, tree and ids)
// and everything one conversion needs on the side (the feedback it reports
// to, the load budget, the inflate limit) belongs to one project object, so
// that two conversions can run in one process at the same time.  The section
// code still reaches its list by a plain name (SpriteList(), RoomList(),
// GameOptions() ...): each name is an accessor to the current project.
//
// The format is built in floors (core, media, behaviour, world, then the
// project layer above the format), and no floor may see the one above it.
// So a project is kept in parts, one per floor, each defined on its own
// floor next to the code that uses it:
//
//   CCoreState      here: feedback, places and message context, load
//                   budget, inflate limit
//   CMediaModel     format/media/Media_Model.h: sprites, sounds, backgrounds,
//                   scripts, data files
//   CBehaviourModel format/behaviour/Behaviour_Model.h: objects, time lines,
//                   paths
//   CWorldModel     format/world/World_Model.h: rooms and their id counters,
//                   options, game information
//   CProjectModel   project/Project_Main.h: GameId, GameGuid, the resource
//                   tree, the loaded file's size
//
// CProjectParts, the one table that names them, is all this floor knows of
// the parts above it: their names, never their contents.  The project
// object (CProject, in the project layer) owns one of each and sets this
// thread's current table for a scope with CProjectScope.  A thread without
// a scope works on the process-wide default project, whose parts each floor
// keeps for itself; that is the project of the window and of the tests that
// drive the sections directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace transvane {

class CFeedback;
struct CMediaModel;
struct CBehaviourModel;
struct CWorldModel;
struct CProjectModel;

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
        bool Reading = false;          // a load: done is the stream's position
        std::uint64_t Start = 0;       // the section's share: [Start, Start + Length)
        std::uint64_t Length = 0;
        std::uint64_t Total = 0;
        std::uint64_t Reported = 0;    // done as last reported
    } Meter;
    std::size_t InflateLimit = MaxBlockSize;
    // The running load's budget and what it has used; no limit outside a load.
    std::size_t BudgetLimit = std::numeric_limits<std::size_t>::max();
    std::size_t BudgetUsed = 0;
    std::size_t BudgetFloor = LoadBudgetFloor;
    // How many threads may compress a section's blocks beside the writer
    // (Support_Prefetch.h); unset: one less than the cores.  A batch that
    // converts several projects at once keeps the cores for those.
    std::optional<unsigned> HelperThreads;
};

// One project's parts; a null part means the default project's.
struct CProjectParts {
    CCoreState* Core = nullptr;
    CMediaModel* Media = nullptr;
    CBehaviourModel* Behaviour = nullptr;
    CWorldModel* World = nullptr;
    CProjectModel* Project = nullptr;
};

// The parts of this thread's current project.
const CProjectParts& CurrentParts();
// The current project's core part.
CCoreState& CoreState();

// Makes parts this thread's current project for the lifetime of the scope,
// restoring the one before it afterwards.  The parts must outlive the scope.
class CProjectScope {
public:
    explicit CProjectScope(const CProjectParts& parts);
    ~CProjectScope();
    CProjectScope(const CProjectScope&) = delete;
    CProjectScope& operator=(const CProjectScope&) = delete;

private:
    const CProjectParts* FPrevious;
};

}  // namespace transvane
