#include "project/Resource_Main.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <exception>
#include <numeric>
#include <optional>
#include <utility>

#include "format/behaviour/Library_Main.h"
#include "format/behaviour/Object_Main.h"
#include "format/behaviour/Path_Main.h"
#include "format/behaviour/TimeLine_Main.h"
#include "format/core/Support_Bytes.h"
#include "project/Project_Main.h"
#include "project/Resource_Recover.h"
#include "project/Resource_Tree.h"
#include "format/core/Support_File.h"
#include "format/core/Support_Platform.h"
#include "format/core/Support_Progress.h"
#include "format/core/Support_SafeSave.h"
#include "format/media/Background_Main.h"
#include "format/media/DataFile_Main.h"
#include "format/media/Script_Main.h"
#include "format/media/Sound_Main.h"
#include "format/media/Sprite_Main.h"
#include "format/world/Help_Main.h"
#include "format/world/Option_Main.h"
#include "format/world/Room_Main.h"

namespace transvane {

std::int32_t& GameId(CProjectModel& model) { return model.GameId; }
CGuid& GameGuid(CProjectModel& model) { return model.GameGuid; }

namespace {

// A floor's operations take the floor's part of the project; the table
// takes the whole project and hands each the part named here.
template <auto Part, auto Clear>
void ClearPart(CProject& project) {
    Clear(project.*Part);
}
template <auto Part, auto Load>
bool LoadPart(CProject& project, CStream& stream) {
    return Load(project.*Part, stream);
}
template <auto Part, auto Save>
bool SavePart(CProject& project, CStream& stream) {
    return Save(project.*Part, stream);
}
// The modified flag of the project's list (or record) that the accessor
// returns.
template <auto Part, auto Accessor>
bool& ChangedFlag(CProject& project) {
    return Accessor(project.*Part).Changed;
}

constexpr auto Media = &CProject::Media;
constexpr auto Behaviour = &CProject::Behaviour;
constexpr auto World = &CProject::World;
constexpr auto Model = &CProject::Model;

// Objects are checked against the sprites, rooms against the objects and
// backgrounds, before they are written.
bool SaveObjectsOf(CProject& project, CStream& stream) { return SaveObjects(project.Behaviour, project.Media, stream); }
bool SaveRoomsOf(CProject& project, CStream& stream) {
    return SaveRooms(project.World, project.Behaviour, project.Media, stream);
}

// The action library registry belongs to the program, not to the project:
// clearing the project leaves it alone, and its section holds no project
// state.
void KeepLibraries(CProject&) {}

bool& TreeChangedOf(CProject& project) { return TreeChanged(project.Model); }
bool LoadLibraries(CProject&, CStream& stream) { return LoadUsedLibraries(stream); }
bool SaveLibraries(CProject&, CStream& stream) { return SaveUsedLibraries(stream); }

// The order of the file.  A row is present in files whose header version is
// at least PresentFrom; the progress bar moves after each of the first eleven
// rows whether or not the row was present, so a version-400 file reports the
// same percentages as a version-500 one.  The last number of a row is its
// step in ClearGame.
const std::array<CSection, 13> Sections = {{
    {ESection::Options, "Game options", 400, 5, ClearPart<World, ClearOptions>, LoadPart<World, LoadOptions>,
     SavePart<World, SaveOptions>, ChangedFlag<World, GameOptions>, 11},
    {ESection::Sounds, "Sounds", 400, 20, ClearPart<Media, ClearSounds>, LoadPart<Media, LoadSounds>,
     SavePart<Media, SaveSounds>, ChangedFlag<Media, SoundList>, 2},
    {ESection::Sprites, "Sprites", 400, 50, ClearPart<Media, ClearSprites>, LoadPart<Media, LoadSprites>,
     SavePart<Media, SaveSprites>, ChangedFlag<Media, SpriteList>, 3},
    {ESection::Backgrounds, "Backgrounds", 400, 60, ClearPart<Media, ClearBackgrounds>,
     LoadPart<Media, LoadBackgrounds>, SavePart<Media, SaveBackgrounds>, ChangedFlag<Media, BackgroundList>, 5},
    {ESection::Paths, "Paths", 420, 65, ClearPart<Behaviour, ClearPaths>, LoadPart<Behaviour, LoadPaths>,
     SavePart<Behaviour, SavePaths>, ChangedFlag<Behaviour, PathList>, 6},
    {ESection::Scripts, "Scripts", 400, 70, ClearPart<Media, ClearScripts>, LoadPart<Media, LoadScripts>,
     SavePart<Media, SaveScripts>, ChangedFlag<Media, ScriptList>, 7},
    {ESection::DataFiles, "Data files", 440, 75, ClearPart<Media, ClearDataFiles>, LoadPart<Media, LoadDataFiles>,
     SavePart<Media, SaveDataFiles>, ChangedFlag<Media, DataFileList>, 8},
    {ESection::TimeLines, "Time lines", 500, 80, ClearPart<Behaviour, ClearTimeLines>,
     LoadPart<Behaviour, LoadTimeLines>, SavePart<Behaviour, SaveTimeLines>, ChangedFlag<Behaviour, TimeLineList>, 9},
    {ESection::Objects, "Objects", 400, 85, ClearPart<Behaviour, ClearObjects>, LoadPart<Behaviour, LoadObjects>,
     SaveObjectsOf, ChangedFlag<Behaviour, ObjectList>, 1},
    {ESection::Rooms, "Rooms", 400, 95, ClearPart<World, ClearRooms>, LoadPart<World, LoadRooms>, SaveRoomsOf,
     ChangedFlag<World, RoomList>, 4},
    {ESection::GameInformation, "Game information", 400, 100, ClearPart<World, ClearGameInformation>,
     LoadPart<World, LoadGameInformation>, SavePart<World, SaveGameInformation>, ChangedFlag<World, GameInformation>,
     10},
    {ESection::Libraries, "Used action libraries", 440, -1, KeepLibraries, LoadLibraries, SaveLibraries, nullptr, 0},
    {ESection::Tree, "Resource tree", 400, -1, ClearPart<Model, BuildTree>, LoadPart<Model, LoadTree>,
     SavePart<Model, SaveTree>, TreeChangedOf, 12},
}};

// ClearGame empties the lists in an order of its own (objects first, game
// options last, the resource tree after them all: its clear rebuilds it);
// the action library registry is never cleared.
constexpr int LastClearStep = 12;

// While a file is saved, the stream holds a window of this many bytes and
// hands it to the file each time it fills: the output never exists in
// memory whole, beside the model it is built from.  A block larger than the
// window still goes in whole, since a compressed block's count is patched
// in behind it.
constexpr std::size_t SaveWindow = std::size_t{1} << 20;
// The room a save's buffer has beyond what it expects to hold.
constexpr std::size_t SaveHeadroom = std::size_t{16} << 20;

// Gives the stream room for what it will hold, so that its buffer is not
// copied each time it outgrows itself: a window and a block of any usual
// size when it spills, otherwise the whole file.  Room that is never
// written costs address space only, not memory, so the guess for a whole
// file is generous: twice the loaded file (old action records grow in the
// newer layout) and then some.  A refused reservation changes nothing but
// the speed.
void ReserveForSave(const CProject& project, CStream& stream, bool spilling) {
    try {
        stream.Reserve(spilling ? SaveWindow + SaveHeadroom
                                : std::min(project.Model.LoadedFileSize, MaxBlockSize) * 2 + SaveHeadroom);
    } catch (const std::exception&) {
    }
}

// The file being overwritten becomes the newest of up to count backups,
// name.vk1; the earlier ones move down (Support_SafeSave.h says how far,
// and which one goes when all are taken).
CBackupSeries Backups(int count) { return {".vk", std::clamp(count, 0, MaxBackups)}; }

// The last step of a save: a spilling stream sends its last bytes and its
// file takes the target's name, keeping the old file as its backup; a
// stream built in memory is written whole.  False, with the system's
// reason in cause, when the file system refuses; made receives what
// happened to the backups.
bool FinishFile(CStream& stream, std::optional<CSafeSave>& target, const std::string& fileName, CBackupsMade& made,
                std::string& cause, CPendingFiles* pending, const CBackupSeries& backups) {
    try {
        if (target) {
            stream.Flush();
            target->Commit();
            made = target->Backups();
        } else {
            made = SaveToFileSafely(stream, fileName, backups, pending);
        }
        return true;
    } catch (const EFileError& error) {
        cause = error.Cause();
    } catch (const std::exception& error) {
        cause = error.what();
    }
    return false;
}

}  // namespace

const CSection* GameSections() { return Sections.data(); }
int GameSectionCount() { return static_cast<int>(Sections.size()); }

void ClearGame(CProject& project) {
    GameId(project.Model) = RandomBelow(1000000);
    GameGuid(project.Model) = NewGuid();
    for (int step = 1; step <= LastClearStep; ++step)
        for (const CSection& section : Sections)
            if (section.ClearStep == step)
                section.Clear(project);
    // Nothing of the model is left: its memory goes back in one step, and
    // a project loaded again and again holds no more than its last load.
    project.Arena.Release();
}

namespace {

bool LoadHeaderAndSections(CProject& project, CStream& stream, CLoadReport& report) {
    CCoreState& core = project.Core;
    report.Section = "header";
    report.InHeader = true;
    if (stream.ReadInt() != GameFileMagic) {
        report.Failure = "Error Loading: This is not a vantrel file.";
        ShowMessage(core, report.Failure);
        return false;
    }
    const std::int32_t version = stream.ReadInt();
    report.Version = version;
    if (version < OldestGameVersion) {
        report.Failure = "Error Loading: Cannot load game file created before version 4.0.";
        ShowMessage(core, report.Failure);
        return false;
    }
    if (version > NewestGameVersion) {
        report.Failure =
            "Error Loading: File was created with a newer version of vantrel. Please get the new "
            "version from the web site.";
        ShowMessage(core, report.Failure);
        return false;
    }
    stream.ReadInt();  // the header flag carries nothing the converter uses
    report.GameId = GameId(project.Model) = stream.ReadInt();
    if (version >= 410) {
        stream.Read(GameGuid(project.Model));
        report.Guid = GameGuid(project.Model);
    }

    for (const CSection& section : Sections) {
        const bool present = version >= section.PresentFrom;
        report.Section = section.Name;
        report.InHeader = false;
        report.SectionId = section.Id;
        report.SectionStart = stream.Position();
        if (present)
            ProgressSection(core, section.Name, stream.Position(), 0, stream.Size(), true);
        if (present && !section.Load(project, stream)) {
            report.Failure = "the section's reader refused its data (a version or value it does not accept)";
            return false;
        }
        // Every section begins with its own version, which reports need to
        // tell a value the file stores from a default.
        const std::int32_t stored = present ? static_cast<std::int32_t>(Get32(stream.View(), report.SectionStart)) : 0;
        report.Sections.push_back({section.Id, section.Name, present, report.SectionStart, stream.Position(), stored});
        if (section.Progress >= 0)
            ProgressSet(core, section.Progress);
    }
    ProgressRead(core, stream.Position());
    report.Section.clear();
    report.SectionId.reset();
    return true;
}

}  // namespace

bool LoadGame(CProject& project, CStream& stream, CLoadReport* report) {
    CLoadReport unused;
    CLoadReport& r = report != nullptr ? *report : unused;
    r = CLoadReport{};
    stream.SetCore(project.Core);
    // Everything the sections build beyond the file's own bytes is charged
    // to this budget, so a small hostile file cannot claim gigabytes.
    const CLoadBudget budget(project.Core, stream.Size());
    ForgetFailurePlace(project.Core);
    try {
        const bool ok = LoadHeaderAndSections(project, stream, r);
        r.Position = stream.Position();
        if (!ok)
            r.Place = FailurePlace(project.Core);
        return ok;
    } catch (const std::exception& error) {
        r.Position = stream.Position();
        r.Place = FailurePlace(project.Core);
        r.Failure = error.what();
        throw;
    }
}

bool SaveGame(CProject& project, CStream& stream, bool flag) {
    CCoreState& core = project.Core;
    stream.SetCore(core);
    stream.WriteInt(GameFileMagic);
    stream.WriteInt(NewestGameVersion);
    stream.WriteBool(flag);
    stream.WriteInt(GameId(project.Model));
    stream.Write(GameGuid(project.Model));

    const std::vector<std::uint64_t>& shares = project.Model.LoadedSectionBytes;
    const std::uint64_t total = std::accumulate(shares.begin(), shares.end(), std::uint64_t{0});
    std::uint64_t start = 0;
    for (std::size_t k = 0; k < Sections.size(); ++k) {
        const CSection& section = Sections[k];
        const std::uint64_t share = k < shares.size() ? shares[k] : 0;
        ProgressSection(core, section.Name, start, share, total, false);
        start += share;
        if (!section.Save(project, stream))
            return false;
        if (section.Progress >= 0)
            ProgressSet(core, section.Progress);
    }
    ProgressWritten(core, 1, 1);
    return true;
}

namespace {

// The "corrupted" message with where reading stopped and why, and, for a
// file, where to learn more.
void ShowCorrupted(CCoreState& core, const std::string& fileName, const CLoadReport& report,
                   const char* recovered = nullptr) {
    std::optional<CMessageContext> section, place, stopped, cause, recovery, more, recover;
    if (!report.Section.empty()) {
        section.emplace(core, "section", report.Section + " (from byte " + std::to_string(report.SectionStart) + ")");
        if (!report.Place.empty())
            place.emplace(core, "place", report.Place);
        stopped.emplace(core, "stopped at", "byte " + std::to_string(report.Position));
    }
    // A refusal of the header has been shown as a message of its own.
    if (!report.Failure.empty() && !report.Failure.starts_with("Error Loading:"))
        cause.emplace(core, "cause", report.Failure);
    if (recovered != nullptr)
        recovery.emplace(core, "recovery", recovered);
    if (!fileName.empty())
        more.emplace(core, "more", "transvane-cli info " + ShellOperand(fileName));
    // What the file still holds may be saved, unless this was that attempt
    // or the header was refused: a recovery starts from the header (a file
    // that is no project, or of a version not converted, holds nothing to
    // save).  The target lies beside the source and starts as it does: one
    // "--" serves both.
    if (!fileName.empty() && recovered == nullptr && report.Version != 0 && !report.InHeader)
        recover.emplace(core, "more",
                        "transvane-cli recover " + ShellOperand(fileName) + " " +
                            ShellWord(ChangeFileExt(fileName, "") + " (recovered).vtr"));
    ShowMessage(core, "Error Loading: File seems to be corrupted.");
}

// The part of a load that is the same for a file and for bytes in memory
// (fileName empty): the progress window, the parsing, and the
// corrupted-file message.  A recovering load (recovery given) keeps what a
// damaged file still holds once its header has been read; an inspecting
// one keeps what was read as it was read, and leaves the telling to the
// report.
bool LoadGameStream(CProject& project, CStream& stream, const std::string& fileName, CLoadReport* given,
                    CRecoveryReport* recovery = nullptr, bool inspecting = false) {
    CCoreState& core = project.Core;
    ProgressStart(core, "Loading Game Data ...");
    bool ok = false;
    CLoadReport unused;
    CLoadReport& report = recovery != nullptr ? recovery->Load : given != nullptr ? *given : unused;
    if (recovery != nullptr) {
        recovery->Damaged.clear();
        stream.TolerateDamage(&recovery->Damaged);
    }
    project.Model.LoadedSectionBytes.clear();
    try {
        ClearGame(project);
        ok = LoadGame(project, stream, &report);
    } catch (const std::exception&) {
        // A short read, a corrupt compressed block, a hostile count: the
        // file is reported as corrupted below, like any false result.
        ok = false;
    }
    ProgressEnd(core);
    project.Model.LoadedVersion = 0;

    // The file shrank or its device failed while it was read: what was read
    // from it is not the file, whatever the readers made of it.
    if (stream.FileFailed()) {
        report.Failure = "the file shrank or its device failed while it was read";
        const CMessageContext cause(core, "cause", report.Failure);
        ShowMessage(core, "Error Loading: Failed to load the file.");
        if (!inspecting)
            ClearGame(project);
        return false;
    }
    if (!ok && inspecting)
        return false;
    // Nothing is kept of a file whose header was not read.
    const bool kept = recovery != nullptr && report.Version != 0 && !report.InHeader;
    if (!ok && !kept) {
        ShowCorrupted(
            core, fileName, report,
            recovery != nullptr ? "nothing could be recovered: the file's header could not be read" : nullptr);
        ClearGame(project);  // loading is all or nothing
        return false;
    }
    if (recovery != nullptr) {
        FinishRecovery(project, ok, *recovery);
        // A project saved from nothing of the file would only look like a
        // rescue: the file is refused as the ordinary load refuses it.
        if (recovery->KeptNothing()) {
            ShowCorrupted(core, fileName, report,
                          "nothing could be recovered: no part of the project was read completely before the damage");
            recovery->Sections.clear();
            recovery->Blocks.clear();
            ClearGame(project);
            return false;
        }
    }
    project.Model.LoadedVersion = report.Version;
    for (const CLoadReport::CSpan& span : report.Sections)
        project.Model.LoadedSectionBytes.push_back(span.End - span.Start);
    return true;
}

// What the sections say while they are written (a picture re-encoded, an
// action translated) is about the project's data: it names the file that
// data was loaded from, not the one being written.
bool BuildGame(CProject& project, CStream& stream) {
    std::optional<CMessageContext> source;
    if (!project.Model.LoadedFileName.empty())
        source.emplace(project.Core, "file", project.Model.LoadedFileName);
    return SaveGame(project, stream, false);
}

// A successful save clears every modified flag.
void ClearModifiedFlags(CProject& project) {
    for (const CSection& section : Sections)
        if (section.Changed != nullptr)
            section.Changed(project) = false;
}

}  // namespace

std::int32_t LoadedGameVersion(const CProject& project) { return project.Model.LoadedVersion; }

namespace {

// Reads the file into stream, or says why it cannot be read.
bool ReadGameFile(CProject& project, const std::string& fileName, CStream& stream) {
    CCoreState& core = project.Core;
    project.Model.LoadedVersion = 0;
    project.Model.LoadedFileName = fileName;
    // A missing file, a folder or one the user may not read is not the
    // file's fault: the message says so, with the system's reason.  A
    // device, FIFO or socket is there, but cannot be loaded.
    if (IsSpecialFile(fileName)) {
        const CMessageContext cause(core, "cause", ReadProblem(fileName));
        ShowMessage(core, "Error Loading: Failed to load the file.");
        return false;
    }
    if (!FileExists(fileName)) {
        const CMessageContext cause(core, "cause", ReadProblem(fileName));
        ShowMessage(core, "Error Loading: File does not exist.");
        return false;
    }
    try {
        stream.LoadFromFile(fileName);
        project.Model.LoadedFileSize = stream.Size();
    } catch (const std::exception& error) {
        const std::string problem = ReadProblem(fileName);
        const CMessageContext cause(core, "cause", problem.empty() ? error.what() : problem);
        ShowMessage(core, "Error Loading: Failed to load the file.");
        return false;
    }
    return true;
}

}  // namespace

bool LoadGameFile(CProject& project, const std::string& fileName, CLoadReport* report, CRecoveryReport* recovery) {
    const CMessageContext file(project.Core, "file", fileName);
    CStream stream(project.Core);
    return ReadGameFile(project, fileName, stream) && LoadGameStream(project, stream, fileName, report, recovery);
}

bool InspectGameFile(CProject& project, const std::string& fileName, CInspectedFile& inspected) {
    const CMessageContext file(project.Core, "file", fileName);
    inspected.Load = CLoadReport{};
    inspected.File.emplace(project.Core);
    if (!ReadGameFile(project, fileName, *inspected.File)) {
        inspected.File.reset();
        return false;
    }
    return LoadGameStream(project, *inspected.File, fileName, &inspected.Load, nullptr, true);
}

bool LoadGameBytes(CProject& project, CBlock bytes, CLoadReport* report, CRecoveryReport* recovery, CBlock* spent) {
    project.Model.LoadedFileName.clear();
    CStream stream(project.Core, std::move(bytes));
    project.Model.LoadedFileSize = stream.Size();
    const bool loaded = LoadGameStream(project, stream, {}, report, recovery);
    if (spent != nullptr)
        *spent = stream.TakeBytes();
    return loaded;
}

bool InspectGameBytes(CProject& project, CBlock bytes, CInspectedFile& inspected) {
    project.Model.LoadedFileName.clear();
    inspected.File.emplace(project.Core, std::move(bytes));
    project.Model.LoadedFileSize = inspected.File->Size();
    return LoadGameStream(project, *inspected.File, {}, &inspected.Load, nullptr, true);
}

bool RecoverGameFile(CProject& project, const std::string& fileName, CRecoveryReport& report) {
    report = CRecoveryReport{};
    return LoadGameFile(project, fileName, nullptr, &report);
}

bool RecoverGameBytes(CProject& project, CBlock bytes, CRecoveryReport& report, CBlock* spent) {
    report = CRecoveryReport{};
    return LoadGameBytes(project, std::move(bytes), nullptr, &report, spent);
}

bool SaveGameBytes(CProject& project, CBlock& bytes) {
    CCoreState& core = project.Core;
    ProgressStart(core, "Saving Game Data ...");
    bytes.clear();
    const bool roomy = bytes.capacity() >= project.Model.LoadedFileSize + SaveHeadroom;
    CStream stream(core, std::move(bytes));
    if (!roomy)
        ReserveForSave(project, stream, false);
    bool built = false;
    try {
        built = BuildGame(project, stream);
    } catch (const std::exception&) {
        built = false;
    }
    ProgressEnd(core);
    if (!built) {
        ShowMessage(core, "Error Saving: Internal error. The game has not been saved!");
        return false;
    }
    bytes = stream.TakeBytes();
    ClearModifiedFlags(project);
    return true;
}

bool SaveGameFile(CProject& project, const std::string& fileName, CBackupsMade* backupsMade, CPendingFiles* pending,
                  int backups) {
    CCoreState& core = project.Core;
    const CBackupSeries series = Backups(backups);
    CBackupsMade made;
    ProgressStart(core, "Saving Game Data ...");

    // The file is built under a temporary name beside its target, the
    // stream spilling its bytes there as it goes, and takes the target's
    // name only once it is complete (Support_SafeSave.h says how).  So
    // nothing the user sees on disk changes before the build has
    // succeeded, just as if the whole file were built in memory first.
    // Where the target is refused or no temporary file can be created the
    // file is built in memory, and writing it reports the failure.
    std::optional<CSafeSave> target;
    CStream stream(core);
    try {
        target.emplace(fileName, series, pending);
        stream.SpillTo(target->Handle(), fileName, SaveWindow);
    } catch (const EFileError&) {
        target.reset();
    }
    ReserveForSave(project, stream, target.has_value());

    // A writer that throws is treated like one that returns false, so the
    // user is not left with a disabled window.  A spilling stream that
    // cannot write its file is a failure to write the file, reported as
    // such below.
    bool built = false;
    bool writeFailed = false;
    std::string cause;  // why the file system refused, in its words
    try {
        built = BuildGame(project, stream);
    } catch (const EFileError& error) {
        writeFailed = true;
        cause = error.Cause();
    } catch (const std::exception&) {
        built = false;
    }
    // The driver's own messages are about the file it writes.
    const CMessageContext file(core, "file", fileName);
    if (!built && !writeFailed) {
        ShowMessage(core, "Error Saving: Internal error. The game has not been saved!");
        ProgressEnd(core);
        return false;
    }

    if (writeFailed || !FinishFile(stream, target, fileName, made, cause, pending, series)) {
        const CMessageContext why(core, "cause", cause);
        ShowMessage(core, CannotCreateFile);
        ProgressEnd(core);
        return false;
    }
    ProgressEnd(core);
    ClearModifiedFlags(project);
    if (backupsMade != nullptr)
        *backupsMade = std::move(made);
    return true;
}

bool SaveGameDryRun(CProject& project) {
    CCoreState& core = project.Core;
    ProgressStart(core, "Saving Game Data ...");
    // The file is built as a save builds it, window by window, and each
    // window is thrown away: the changes a save makes are made and noted,
    // and nothing is kept.
    CStream stream(core);
    const int nowhere = OpenNullDevice();
    if (nowhere >= 0)
        stream.SpillTo(nowhere, "(nowhere)", SaveWindow);
    bool built = false;
    try {
        built = BuildGame(project, stream);
        if (nowhere >= 0)
            stream.Flush();
    } catch (const std::exception&) {
        built = false;
    }
    if (nowhere >= 0)
        CloseFile(nowhere);
    if (!built)
        ShowMessage(core, "Error Saving: Internal error. The game has not been saved!");
    ProgressEnd(core);
    return built;
}

std::string BackupKeptAs(const std::string& fileName) { return BackupKeptAs(fileName, Backups(MaxBackups)); }

std::string BackupDroppedBy(const std::string& fileName, int backups) {
    return BackupDroppedBy(fileName, Backups(backups));
}

}  // namespace transvane
