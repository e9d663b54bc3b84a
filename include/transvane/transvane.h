// Transvane as a library: reads project files of format versions 400..500
// (.vtr, or a backup .vk1 .. .vk9) and writes the same project as a
// version-500 file; tells what a conversion would change, and what a file
// holds.
//
// This header is the whole interface.  It needs nothing but the standard
// library, and everything it hands back is a plain value that owes nothing
// to the library once returned.
//
//     #include <transvane/transvane.h>
//
//     const transvane::CResult result = transvane::ConvertFile("old.vtr", "new.vtr");
//     for (const transvane::CMessage& message : result.Messages)
//         std::cerr << message.Text << "\n";
//     return result.Ok() ? 0 : 1;
//
// Every call works on a project of its own and touches nothing
// process-wide: any number of calls may run at once on as many threads.
// The library installs no signal handler; a program that wants its
// conversions to stop on Ctrl-C says so through CObserver::StopRequested.
//
// Messages are those the converter's window shows, word for word: each
// Text is one line, and scripts and programs may compare it.  What goes
// with a message (the file, the system's cause, the place in the project)
// is in its Context, one "key: value" line each.
//
// Link with the CMake package (find_package(Transvane), target
// Transvane::transvane) or pkg-config (pkg-config --cflags --libs
// transvane).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The version of this header.  The build checks that it is the project's.
#define TRANSVANE_VERSION_MAJOR 1
#define TRANSVANE_VERSION_MINOR 0
#define TRANSVANE_VERSION_PATCH 0
#define TRANSVANE_VERSION_STRING "1.0.0"

namespace transvane {

// The version of the library linked in ("1.0.0"), which a program may
// compare with the TRANSVANE_VERSION_STRING it was compiled with.
const char* Version();

// Why a call failed.  The messages say it to a person; the code is for
// the program that decides what to do next.
enum class EErrorCode {
    None,         // it worked
    NotAProject,  // the source is not a project file
    TooOld,       // a project file of a version before 400
    TooNew,       // a project file of a version after 500
    Damaged,      // a project file that does not read to its end (cut short, a corrupt block ...)
    CannotRead,   // the source is missing, not a file, or cannot be read
    CannotWrite,  // the target cannot be written, or exists and Force is not set; it is as it was
    Interrupted,  // the observer asked to stop; nothing was written
    Internal,     // the new file could not be built: a fault of the converter, worth reporting
};

// A message as the converter's window shows it: the text, one line, and
// the lines of context that go with it ("file: ...", "cause: ...",
// "place: ...").
struct CMessage {
    std::string Text;
    std::vector<std::string> Context;
};

// Something a conversion changes in the project: an action with no newer
// counterpart, a room instance of an object that is gone ...  Changes of
// one kind, place and detail are counted in one entry.
struct CChangeEntry {
    std::string Key;     // stable, for programs: "instance dropped" ...
    std::string What;    // for people: "room instance dropped: its object no longer exists" ...
    std::string Detail;  // what sets entries of one kind apart, or empty
    std::string Place;   // "room 2 "level1"", or empty for kinds without a place
    std::int64_t Count = 0;
};

// How much of one kind a project holds: "Sounds", "Sprites", "Subimages",
// "Backgrounds", "Paths", "Scripts", "Data files", "Time lines",
// "Objects", "Rooms", "Instances", "Tiles", in that order.
struct CResourceCount {
    std::string Kind;
    std::int64_t Count = 0;
};

// Where a load or a save is: the stage ("Loading Game Data ...", "Saving
// Game Data ..."; empty once the step has ended, for a caller that hides
// its bar then), its percentage in the steps of the file's sections, and
// for a finer bar the section at work and how many of the project's bytes
// are behind it, of Total (0 while unknown).
struct CProgress {
    std::string Stage;
    int Percent = 0;
    std::string Section;
    std::uint64_t Done = 0;
    std::uint64_t Total = 0;
};

// What a caller hears while a call runs, on the thread that runs it.  Each
// member has a default that ignores it: override what you need.
class CObserver {
public:
    virtual ~CObserver() = default;
    // A message as it is said; the result holds it again.
    virtual void Message(const CMessage& /*message*/) {}
    // Called as the work moves: often, so keep it cheap.
    virtual void Progress(const CProgress& /*progress*/) {}
    // Asked as the work moves; true stops it (EErrorCode::Interrupted).  A
    // save that stops leaves its target as it was.  Safe to answer from a
    // flag another thread sets.
    virtual bool StopRequested() { return false; }
};

struct COptions {
    // An existing target is replaced, kept as its newest backup; without
    // Force it is refused (CannotWrite) unless it is the source itself,
    // which a conversion in place replaces.
    bool Force = false;
    // How many backups of a replaced target are kept beside it, NAME.vk1
    // (the newest) .. NAME.vkN, 0 to 9; 0 keeps none.
    int Backups = 9;
    // Threads that may compress blocks beside the one converting; unset:
    // one less than the cores.  A program converting several files at once
    // gives the cores to those instead (0 here).
    std::optional<unsigned> HelperThreads;
    // Bounds for hostile sources, tighter than a desktop's where memory is
    // scarce (a browser tab, a fuzzing run); 0 keeps the default.  The
    // largest block a file may inflate to, and the memory a load may use
    // beyond its file's own size at the least.
    std::size_t MaxBlockBytes = 0;
    std::size_t MinLoadBudget = 0;
    // Told what is said and how far the work is; nullptr: nobody.  Must
    // outlive the call (or the CConverter it is given to).
    CObserver* Observer = nullptr;
};

// Where reading a damaged file stopped, and why.
struct CStopPlace {
    std::string Section;  // "header" when the file is not a project of a known version
    std::uint64_t SectionOffset = 0;
    std::uint64_t Offset = 0;  // the byte at which reading stopped
    std::string Place;         // the record it was in, when there was one
    std::string Reason;
};

// What a recovery (RecoverFile, CConverter::Recover) made of one section
// of a damaged file: a kind of resource ("sprites" ...), or a part of the
// project that is one record ("game options", "game information",
// "resource tree"), in file order.
enum class ERecoveredState {
    Complete,    // read to its end
    Stopped,     // reading stopped inside it
    NotReached,  // reading stopped before it
};
struct CRecoveredKind {
    std::string Kind;
    ERecoveredState State = ERecoveredState::Complete;
    bool IsList = false;         // a list of resources, counted below
    std::int64_t Recovered = 0;  // resources kept
    // Resources the file held; -1 when it does not tell: reading stopped
    // before the list's count, or inside the list with slots after the
    // damage that may each be empty.  AtMost bounds it then, once the
    // count was read; -1 otherwise.
    std::int64_t Total = -1;
    std::int64_t AtMost = -1;
};

// A compressed block whose content was spoilt: it was left out and reading
// went on after it.
struct CLostBlock {
    std::string Section;  // "Sprites" ...
    std::uint64_t Offset = 0;
    std::uint64_t End = 0;
    std::string Place;  // the record it belongs to: "sprite 3 "ship"", or empty
    std::string Lost;   // what its record lost: "the subimage is dropped" ...
    std::string Cause;
};

// What a recovery kept and lost.
struct CRecovery {
    std::optional<CStopPlace> Stopped;  // unset when the whole file was read
    std::vector<CRecoveredKind> Kinds;
    std::vector<CLostBlock> Blocks;
    bool TreeRebuilt = false;  // the file's tree was not read: one was made of what was kept
    // Resources kept, and held by the file: at least Total when TotalIsLeast.
    std::int64_t Recovered = 0;
    std::int64_t Total = 0;
    bool TotalIsLeast = false;
    bool LostNothing = false;  // the file read to its end, no block spoilt
    // The report for people, as the command-line tool prints it, one line
    // each: per kind, per lost block (its cause on the line after, indented
    // by two spaces), what saving dropped.  RecoveredInto gives the last.
    std::vector<std::string> Lines;
};

// The report's last line for the file written: "recovered 1,204 of 1,392
// resources into TARGET", and "(2 damaged blocks left out)" after it when
// there were any.
std::string RecoveredInto(const CRecovery& recovery, const std::string& target);

// What a conversion, a check or one step of a CConverter did.
struct CResult {
    EErrorCode Error = EErrorCode::None;
    bool Ok() const { return Error == EErrorCode::None; }
    // The target was the source itself and already version 500: nothing was
    // written, no backup made.
    bool Unchanged = false;
    // The backup that now holds what the target held before (NAME.vk1 ...);
    // empty when no file was replaced or no backup kept.
    std::string KeptAs;
    // The backup replaced to make room for KeptAs when every number was
    // taken (the oldest is never the one): what it held is gone.
    std::string Dropped;
    // The source's format version, 0 when its header was not read.
    std::int32_t SourceVersion = 0;
    std::int32_t GameId = 0;
    // What the project holds: after a save, what the new file holds (a save
    // drops room instances and tiles of resources that are gone).  Empty
    // when the source did not load.
    std::vector<CResourceCount> Counts;
    // Every message, in the order said; on failure the last says why.
    std::vector<CMessage> Messages;
    std::vector<CChangeEntry> Changes;
    // The changes that remove or clear something, in one line ("3 room
    // instances dropped, 1 object reference cleared"); empty when the
    // conversion lost nothing.
    std::string Losses;
    // After a recovery that read the file's header and kept something of it.
    std::optional<CRecovery> Recovery;
};

// Converts the file source into the file target, which is never left
// half-written: it holds its old content or the whole new file.
CResult ConvertFile(const std::string& source, const std::string& target, const COptions& options = {});

// Converts a file image in memory; target receives the new image, and is
// left untouched when the conversion fails.
CResult ConvertBytes(std::span<const std::uint8_t> source, std::vector<std::uint8_t>& target,
                     const COptions& options = {});

// Recovers what a damaged project file still holds (every record read
// completely before the damage; a spoilt picture or data block loses only
// its own data) and writes it as a version-500 file; Recovery says what was
// kept and lost.  An undamaged file converts as ConvertFile would.  The
// source is never written: a target that is the source itself is refused
// (CannotWrite).  Damaged when nothing of the file's content could be kept.
CResult RecoverFile(const std::string& source, const std::string& target, const COptions& options = {});
CResult RecoverBytes(std::span<const std::uint8_t> source, std::vector<std::uint8_t>& target,
                     const COptions& options = {});

// What a conversion of source would change and say, without writing
// anything: Changes and Messages as ConvertFile would give them.
CResult Check(const std::string& source, const COptions& options = {});
CResult Check(std::span<const std::uint8_t> source, const COptions& options = {});

// One section of a project file as it was read.
struct CSectionInfo {
    std::string Name;          // "Game options", "Sounds" ... "Resource tree"
    bool Stored = false;       // a file of this format version holds it
    std::uint64_t Offset = 0;  // its first byte, when stored
    std::uint64_t Bytes = 0;
    std::int32_t Version = 0;  // the section's own stored version; 0 when not stored
};

// What a project file holds, as `transvane-cli info` tells it.
struct CInspection {
    EErrorCode Error = EErrorCode::None;
    bool Ok() const { return Error == EErrorCode::None; }
    std::uint64_t FileBytes = 0;
    std::int32_t Version = 0;  // the header's format version, 0 when not read
    // The header's game id, and its GUID ("{A3A2A1A0-A5A4-...}", stored from
    // format 410 on): 0 and unset when the header was not read that far.
    std::int32_t GameId = 0;
    std::optional<std::string> Guid;
    // Stored by sections of format 441 on; unset for older files, whose
    // loads make them up.
    std::optional<std::string> Author;
    std::optional<std::int32_t> GameVersion;
    std::optional<std::string> LastChanged;  // "2024-05-01 14:03:59", as stored (local time)
    std::optional<std::string> Information;
    std::vector<CResourceCount> Counts;  // empty when the file did not load
    // The sections read completely, in file order; for a damaged file those
    // before the one reading stopped in.
    std::vector<CSectionInfo> Sections;
    std::optional<CStopPlace> Stopped;  // set when the file did not load
    std::vector<CMessage> Messages;
};

CInspection Inspect(const std::string& file, const COptions& options = {});
CInspection Inspect(std::span<const std::uint8_t> file, const COptions& options = {});

namespace detail {
class CAccess;
}

// A conversion in two steps, for a caller that decides something between
// reading and writing (where to save, once it knows what the file is):
//
//     transvane::CConverter converter(options);
//     if (converter.Load("old.vtr").Ok())
//         converter.Save(AskWhereToSave());
//
// The project lives as long as the object, which may be kept between the
// steps and used from any one thread at a time.  Each step returns the
// result so far (the load's messages stay in the save's result).
class CConverter {
public:
    explicit CConverter(const COptions& options = {});
    ~CConverter();
    CConverter(const CConverter&) = delete;
    CConverter& operator=(const CConverter&) = delete;

    // Reads the source; on failure the project is empty and Save refuses.
    const CResult& Load(const std::string& source);
    const CResult& Load(std::vector<std::uint8_t> source);
    // Reads the source keeping what a damaged file still holds (RecoverFile
    // says what); Save then writes that, never over the source.
    const CResult& Recover(const std::string& source);
    const CResult& Recover(std::vector<std::uint8_t> source);
    // Reads the source as Load does, for a caller that shows what a file
    // holds: a damaged file is not said to be corrupted (Inspect's Stopped
    // tells where reading stopped), and Save refuses it.
    const CResult& Inspect(const std::string& source);
    const CResult& Inspect(std::vector<std::uint8_t> source);
    // Writes the loaded project as a version-500 file (ConvertFile says
    // how), or as bytes, which are left untouched on failure.
    const CResult& Save(const std::string& target);
    const CResult& Save(std::vector<std::uint8_t>& target);
    // Builds the file as a save would, changes and messages included, and
    // throws it away.
    const CResult& DryRun();

    const CResult& Result() const;

private:
    friend class detail::CAccess;
    class CImpl;
    std::unique_ptr<CImpl> FImpl;
};

}  // namespace transvane
