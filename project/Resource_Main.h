// The project as a whole: its identity, the file container and the drivers.
//
// A project file is a header followed by thirteen sections in a fixed order:
//
//   offset 0   int32 magic number 1234321 (91 D5 12 00)
//          4   int32 format version, 400..500 read, 500 written
//          8   int32 header flag, ignored on load, 0 on save
//         12   int32 GameId
//         16   16 bytes GameGuid, from version 410 on (always written)
//
// then the sections, each parsed completely by its reader because nothing
// measures or tags a section.  Bytes after the last section are ignored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "format/core/Support_Random.h"
#include "format/core/Support_Stream.h"

namespace transvane {

struct CBackupsMade;  // format/core/Support_SafeSave.h
class CPendingFiles;
struct CProject;       // Project_Main.h
struct CProjectModel;  // Project_Model.h
struct CRecoveryReport;

inline constexpr std::int32_t GameFileMagic = 1234321;
inline constexpr std::int32_t OldestGameVersion = 400;
inline constexpr std::int32_t NewestGameVersion = 500;
// A file a save replaces is kept as NAME.vk1, the earlier backups moving
// down, as far as NAME.vk9.
inline constexpr int MaxBackups = 9;
// The message of a file that cannot be written, whatever the cause.
inline constexpr const char* CannotCreateFile =
    "Error Saving: Cannot create the file. The game has not been saved!Try saving your work under a different name.";

// The project's identity.
std::int32_t& GameId(CProjectModel& model);
CGuid& GameGuid(CProjectModel& model);

// The sections, in file order.  Code that treats sections differently
// dispatches on these, never on their names, which are for people.
enum class ESection {
    Options,
    Sounds,
    Sprites,
    Backgrounds,
    Paths,
    Scripts,
    DataFiles,
    TimeLines,
    Objects,
    Rooms,
    GameInformation,
    Libraries,
    Tree
};

// One section of the file: present from which header version, the progress
// percentage after it (or -1 for none), the operations of its list on a
// project, and when ClearGame empties it.
struct CSection {
    ESection Id;
    const char* Name;
    std::int32_t PresentFrom;
    int Progress;
    void (*Clear)(CProject&);
    bool (*Load)(CProject&, CStream&);
    bool (*Save)(CProject&, CStream&);
    bool& (*Changed)(CProject&);  // the project's modified flag of the section, or nullptr
    int ClearStep;                // ClearGame clears step 1 first, then 2 ...; 0: never
};

// The thirteen sections in file order.
const CSection* GameSections();
int GameSectionCount();

// Resets the model: a new GameId and GameGuid, every list emptied, the
// default resource tree.  The action library registry is left alone.
void ClearGame(CProject& project);
// How far LoadGame got, for tools that explain a file: filled while it
// reads, so after a false result or an exception it says in which section
// and at which byte offset reading stopped, and why.
struct CLoadReport {
    std::int32_t Version = 0;  // the header version, once read
    // The header's identity, once read: the GUID from version 410 on.
    std::optional<std::int32_t> GameId;
    std::optional<CGuid> Guid;
    std::string Section;  // where reading stopped, for people; empty when all loaded
    // The same place for code to dispatch on: the header, or the section by
    // its id; neither when all loaded.
    bool InHeader = false;
    std::optional<ESection> SectionId;
    std::size_t SectionStart = 0;  // offset of that section's first byte
    std::size_t Position = 0;      // offset at which reading stopped
    std::string Place;             // the record reading was in then, if any
    std::string Failure;           // why: the refusal or the exception's text
    struct CSpan {
        ESection Id;
        const char* Name;
        bool Present;            // held by a file of this header version
        std::size_t Start, End;  // its bytes, [Start, End)
        std::int32_t Version;    // the section's stored version; 0 when not present
    };
    // The span of a section read completely, or nullptr.
    const CSpan* Find(ESection id) const {
        for (const CSpan& span : Sections)
            if (span.Id == id && span.Present)
                return &span;
        return nullptr;
    }
    std::vector<CSpan> Sections;  // the sections read completely, in order
};

// Parses a whole file image into the project.  False when the header or any
// section is not accepted; exceptions from the stream pass through.  The
// report, when given, is filled as described above.  The stream becomes
// part of the project's load (CStream::SetCore), as it does in SaveGame.
bool LoadGame(CProject& project, CStream& stream, CLoadReport* report = nullptr);
// Builds a whole version-500 file image of the project.
bool SaveGame(CProject& project, CStream& stream, bool flag);

// The drivers: the only places that touch the disk or show the driver's
// messages.  All report through the project's feedback (CCoreState).
// Every message they show carries the file as context ("file: NAME"); a
// failed load adds the cause, or for a damaged file the section, the place
// and the byte where reading stopped (Support_Progress.h).  While a save
// writes the sections, the file named is the one the project was loaded
// from, since their messages are about its data; the save's own messages
// name the file it writes.  The report, when given, is filled as by
// LoadGame.  A recovering load (Resource_Recover.h) gives recovery instead.
bool LoadGameFile(CProject& project, const std::string& fileName, CLoadReport* report = nullptr,
                  CRecoveryReport* recovery = nullptr);
// The header version of the file the project was last loaded from, 0 after
// a failed load.
std::int32_t LoadedGameVersion(const CProject& project);
// Saves the project as a version-500 file; backupsMade, when given,
// receives the backup that now holds what the file held before (empty when
// no file was replaced) and the one dropped to make room for it.  The save's temporary files are noted in pending,
// the program's list for its signal handler, when given.
// backups is how many the file's series keeps (MaxBackups; 0: none).
bool SaveGameFile(CProject& project, const std::string& fileName, CBackupsMade* backupsMade = nullptr,
                  CPendingFiles* pending = nullptr, int backups = MaxBackups);
// Builds the version-500 file as SaveGameFile would, changes and messages
// included, and throws it away: for a dry run.  False, after the "Internal
// error" message, when the file could not be built.
bool SaveGameDryRun(CProject& project);
// The name SaveGameFile keeps what fileName holds now as (name.vk1, or the
// next one for a backup), or "" when it would keep none.
std::string BackupKeptAs(const std::string& fileName);
// The backup a save onto fileName, keeping backups of it, would drop to make
// room; empty when none.
std::string BackupDroppedBy(const std::string& fileName, int backups);
// The same for a file image in memory, with the same messages but no file
// to name: for callers that hold the bytes themselves (a browser page, the
// library API).  The load hands the image's buffer back in spent, when
// given; the save writes into the memory bytes holds when it has room for a
// file as large as the one loaded and more (such a spent buffer, given room
// behind the image), since memory already written to costs nothing to
// write again, and fresh memory must first be cleared by the system.
bool LoadGameBytes(CProject& project, CBlock bytes, CLoadReport* report = nullptr, CRecoveryReport* recovery = nullptr,
                   CBlock* spent = nullptr);
bool SaveGameBytes(CProject& project, CBlock& bytes);

// A load for tools that show a file as it is, damaged or not: when the file
// does not load, the project keeps what the sections read before reading
// stopped and the report says where and why (the file is not said to be
// corrupted), and the file's bytes stay readable here.  A file that loads
// is loaded as LoadGameFile loads it.
struct CInspectedFile {
    CLoadReport Load;
    std::optional<CStream> File;  // unset when the file could not be read at all
};
bool InspectGameFile(CProject& project, const std::string& fileName, CInspectedFile& inspected);
bool InspectGameBytes(CProject& project, CBlock bytes, CInspectedFile& inspected);

}  // namespace transvane
