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
#include "project/Project_Model.h"
#include "project/Resource_Recover.h"
#include "project/Resource_Tree.h"
#include "format/core/Support_File.h"
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

std::int32_t& GameId() { return ProjectModel().GameId; }
CGuid& GameGuid() { return ProjectModel().GameGuid; }

namespace {

// The action library registry belongs to the program, not to the project:
// clearing the project leaves it alone.
void KeepLibraries() {}

// The modified flag of the current project's list (or record) that the
// accessor returns.
template <auto& Accessor>
bool& ChangedFlag() {
    return Accessor().Changed;
}

// The order of the file.  A row is present in files whose header version is
// at least PresentFrom; the progress bar moves after each of the first eleven
// rows whether or not the row was present, so a version-400 file reports the
// same percentages as a version-500 one.  The last number of a row is its
// step in ClearGame.
const std::array<CSection, 13> Sections = {{
    {ESection::Options, "Game options", 400, 5, ClearOptions, LoadOptions, SaveOptions, ChangedFlag<GameOptions>, 11},
    {ESection::Sounds, "Sounds", 400, 20, ClearSounds, LoadSounds, SaveSounds, ChangedFlag<SoundList>, 2},
    {ESection::Sprites, "Sprites", 400, 50, ClearSprites, LoadSprites, SaveSprites, ChangedFlag<SpriteList>, 3},
    {ESection::Backgrounds, "Backgrounds", 400, 60, ClearBackgrounds, LoadBackgrounds, SaveBackgrounds,
     ChangedFlag<BackgroundList>, 5},
    {ESection::Paths, "Paths", 420, 65, ClearPaths, LoadPaths, SavePaths, ChangedFlag<PathList>, 6},
    {ESection::Scripts, "Scripts", 400, 70, ClearScripts, LoadScripts, SaveScripts, ChangedFlag<ScriptList>, 7},
    {ESection::DataFiles, "Data files", 440, 75, ClearDataFiles, LoadDataFiles, SaveDataFiles,
     ChangedFlag<DataFileList>, 8},
    {ESection::TimeLines, "Time lines", 500, 80, ClearTimeLines, LoadTimeLines, SaveTimeLines,
     ChangedFlag<TimeLineList>, 9},
    {ESection::Objects, "Objects", 400, 85, ClearObjects, LoadObjects, SaveObjects, ChangedFlag<ObjectList>, 1},
    {ESection::Rooms, "Rooms", 400, 95, ClearRooms, LoadRooms, SaveRooms, ChangedFlag<RoomList>, 4},
    {ESection::GameInformation, "Game information", 400, 100, ClearGameInformation, LoadGameInformation,
     SaveGameInformation, ChangedFlag<GameInformation>, 10},
    {ESection::Libraries, "Used action libraries", 440, -1, KeepLibraries, LoadUsedLibraries, SaveUsedLibraries,
     nullptr, 0},
    {ESection::Tree, "Resource tree", 400, -1, BuildTree, LoadTree, SaveTree, TreeChanged, 12},
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

// Gives the stream room for what it will hold, so that its buffer is not
// copied each time it outgrows itself: a window and a block of any usual
// size when it spills, otherwise the whole file.  Room that is never
// written costs address space only, not memory, so the guess for a whole
// file is generous: twice the loaded file (old action records grow in the
// newer layout) and then some.  A refused reservation changes nothing but
// the speed.
void ReserveForSave(CStream& stream, bool spilling) {
    constexpr std::size_t Headroom = std::size_t{16} << 20;
    try {
        stream.Reserve(spilling ? SaveWindow + Headroom : std::min(ProjectModel().LoadedFileSize, MaxBlockSize) * 2 + Headroom);
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
// reason in cause, when the file system refuses; keptAs receives the
// backup's name.
bool FinishFile(CStream& stream, std::optional<CSafeSave>& target, const std::string& fileName, std::string& keptAs,
                std::string& cause, CPendingFiles* pending, const CBackupSeries& backups) {
    try {
        if (target) {
            stream.Flush();
            target->Commit();
            keptAs = target->KeptAs();
        } else {
            keptAs = SaveToFileSafely(stream, fileName, backups, pending);
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

void ClearGame() {
    GameId() = RandomBelow(1000000);
    GameGuid() = NewGuid();
    for (int step = 1; step <= LastClearStep; ++step)
        for (const CSection& section : Sections)
            if (section.ClearStep == step)
                section.Clear();
}

namespace {

bool LoadHeaderAndSections(CStream& stream, CLoadReport& report) {
    report.Section = "header";
    if (stream.ReadInt() != GameFileMagic) {
        report.Failure = "Error Loading: This is not a vantrel file.";
        ShowMessage(report.Failure);
        return false;
    }
    const std::int32_t version = stream.ReadInt();
    report.Version = version;
    if (version < OldestGameVersion) {
        report.Failure = "Error Loading: Cannot load game file created before version 4.0.";
        ShowMessage(report.Failure);
        return false;
    }
    if (version > NewestGameVersion) {
        report.Failure =
            "Error Loading: File was created with a newer version of vantrel. Please get the new "
            "version from the web site.";
        ShowMessage(report.Failure);
        return false;
    }
    stream.ReadInt();  // the header flag carries nothing the converter uses
    GameId() = stream.ReadInt();
    if (version >= 410)
        stream.Read(GameGuid());

    for (const CSection& section : Sections) {
        const bool present = version >= section.PresentFrom;
        report.Section = section.Name;
        report.SectionStart = stream.Position();
        if (present)
            ProgressSection(section.Name, stream.Position(), 0, stream.Size(), true);
        if (present && !section.Load(stream)) {
            report.Failure = "the section's reader refused its data (a version or value it does not accept)";
            return false;
        }
        // Every section begins with its own version, which reports need to
        // tell a value the file stores from a default.
        const std::int32_t stored =
            present ? static_cast<std::int32_t>(Get32(stream.View(), report.SectionStart)) : 0;
        report.Sections.push_back({section.Id, section.Name, present, report.SectionStart, stream.Position(), stored});
        if (section.Progress >= 0)
            ProgressSet(section.Progress);
    }
    ProgressRead(stream.Position());
    report.Section.clear();
    return true;
}

}  // namespace

bool LoadGame(CStream& stream, CLoadReport* report) {
    CLoadReport unused;
    CLoadReport& r = report != nullptr ? *report : unused;
    r = CLoadReport{};
    // Everything the sections build beyond the file's own bytes is charged
    // to this budget, so a small hostile file cannot claim gigabytes.
    const CLoadBudget budget(stream.Size());
    ForgetFailurePlace();
    try {
        const bool ok = LoadHeaderAndSections(stream, r);
        r.Position = stream.Position();
        if (!ok)
            r.Place = FailurePlace();
        return ok;
    } catch (const std::exception& error) {
        r.Position = stream.Position();
        r.Place = FailurePlace();
        r.Failure = error.what();
        throw;
    }
}

bool SaveGame(CStream& stream, bool flag) {
    stream.WriteInt(GameFileMagic);
    stream.WriteInt(NewestGameVersion);
    stream.WriteBool(flag);
    stream.WriteInt(GameId());
    stream.Write(GameGuid());

    const std::vector<std::uint64_t>& shares = ProjectModel().LoadedSectionBytes;
    const std::uint64_t total = std::accumulate(shares.begin(), shares.end(), std::uint64_t{0});
    std::uint64_t start = 0;
    for (std::size_t k = 0; k < Sections.size(); ++k) {
        const CSection& section = Sections[k];
        const std::uint64_t share = k < shares.size() ? shares[k] : 0;
        ProgressSection(section.Name, start, share, total, false);
        start += share;
        if (!section.Save(stream))
            return false;
        if (section.Progress >= 0)
            ProgressSet(section.Progress);
    }
    ProgressWritten(1, 1);
    return true;
}

std::string ShellWord(const std::string& text) {
    const bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || std::strchr("/._-+,:@%", c) != nullptr;
    });
    if (plain)
        return text;
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

namespace {

// The "corrupted" message with where reading stopped and why, and, for a
// file, where to learn more.
void ShowCorrupted(const std::string& fileName, const CLoadReport& report) {
    std::optional<CMessageContext> section, place, stopped, cause, more;
    if (!report.Section.empty()) {
        section.emplace("section", report.Section + " (from byte " + std::to_string(report.SectionStart) + ")");
        if (!report.Place.empty())
            place.emplace("place", report.Place);
        stopped.emplace("stopped at", "byte " + std::to_string(report.Position));
    }
    // A refusal of the header has been shown as a message of its own.
    if (!report.Failure.empty() && !report.Failure.starts_with("Error Loading:"))
        cause.emplace("cause", report.Failure);
    if (!fileName.empty())
        more.emplace("more", "transvane-cli info " + ShellWord(fileName));
    ShowMessage("Error Loading: File seems to be corrupted.");
}

// The part of a load that is the same for a file and for bytes in memory
// (fileName empty): the progress window, the parsing, and the
// corrupted-file message.  A recovering load (recovery given) keeps what a
// damaged file still holds once its header has been read.
bool LoadGameStream(CStream& stream, const std::string& fileName, CLoadReport* given,
                    CRecoveryReport* recovery = nullptr) {
    ProgressStart("Loading Game Data ...");
    bool ok = false;
    CLoadReport unused;
    CLoadReport& report = recovery != nullptr ? recovery->Load : given != nullptr ? *given : unused;
    if (recovery != nullptr) {
        recovery->Damaged.clear();
        stream.TolerateDamage(&recovery->Damaged);
    }
    ProjectModel().LoadedSectionBytes.clear();
    try {
        ClearGame();
        ok = LoadGame(stream, &report);
    } catch (const std::exception&) {
        // A short read, a corrupt compressed block, a hostile count: the
        // file is reported as corrupted below, like any false result.
        ok = false;
    }
    ProgressEnd();
    ProjectModel().LoadedVersion = 0;

    // The file shrank or its device failed while it was read: what was read
    // from it is not the file, whatever the readers made of it.
    if (stream.FileFailed()) {
        const CMessageContext cause("cause", "the file shrank or its device failed while it was read");
        ShowMessage("Error Loading: Failed to load the file.");
        ClearGame();
        return false;
    }
    // Nothing is kept of a file whose header was not read.
    const bool kept = recovery != nullptr && report.Version != 0 && report.Section != "header";
    if (!ok && !kept) {
        ShowCorrupted(fileName, report);
        ClearGame();  // loading is all or nothing
        return false;
    }
    if (recovery != nullptr)
        FinishRecovery(ok, *recovery);
    ProjectModel().LoadedVersion = report.Version;
    for (const CLoadReport::CSpan& span : report.Sections)
        ProjectModel().LoadedSectionBytes.push_back(span.End - span.Start);
    return true;
}

// What the sections say while they are written (a picture re-encoded, an
// action translated) is about the project's data: it names the file that
// data was loaded from, not the one being written.
bool BuildGame(CStream& stream) {
    std::optional<CMessageContext> source;
    if (!ProjectModel().LoadedFileName.empty())
        source.emplace("file", ProjectModel().LoadedFileName);
    return SaveGame(stream, false);
}

// A successful save clears every modified flag.
void ClearModifiedFlags() {
    for (const CSection& section : Sections)
        if (section.Changed != nullptr)
            section.Changed() = false;
}

}  // namespace

std::int32_t LoadedGameVersion() { return ProjectModel().LoadedVersion; }

bool LoadGameFile(const std::string& fileName, CLoadReport* report, CRecoveryReport* recovery) {
    const CMessageContext file("file", fileName);
    ProjectModel().LoadedVersion = 0;
    ProjectModel().LoadedFileName = fileName;
    // A missing file, a folder or one the user may not read is not the
    // file's fault: the message says so, with the system's reason.
    if (!FileExists(fileName)) {
        const CMessageContext cause("cause", ReadProblem(fileName));
        ShowMessage("Error Loading: File does not exist.");
        return false;
    }
    CStream stream;
    try {
        stream.LoadFromFile(fileName);
        ProjectModel().LoadedFileSize = stream.Size();
    } catch (const std::exception& error) {
        const std::string problem = ReadProblem(fileName);
        const CMessageContext cause("cause", problem.empty() ? error.what() : problem);
        ShowMessage("Error Loading: Failed to load the file.");
        return false;
    }
    return LoadGameStream(stream, fileName, report, recovery);
}

bool LoadGameBytes(CBlock bytes, CLoadReport* report, CRecoveryReport* recovery) {
    ProjectModel().LoadedFileName.clear();
    CStream stream(std::move(bytes));
    ProjectModel().LoadedFileSize = stream.Size();
    return LoadGameStream(stream, {}, report, recovery);
}

bool RecoverGameFile(const std::string& fileName, CRecoveryReport& report) {
    report = CRecoveryReport{};
    return LoadGameFile(fileName, nullptr, &report);
}

bool RecoverGameBytes(CBlock bytes, CRecoveryReport& report) {
    report = CRecoveryReport{};
    return LoadGameBytes(std::move(bytes), nullptr, &report);
}

bool SaveGameBytes(CBlock& bytes) {
    ProgressStart("Saving Game Data ...");
    CStream stream;
    ReserveForSave(stream, false);
    bool built = false;
    try {
        built = BuildGame(stream);
    } catch (const std::exception&) {
        built = false;
    }
    ProgressEnd();
    if (!built) {
        ShowMessage("Error Saving: Internal error. The game has not been saved!");
        return false;
    }
    bytes = stream.TakeBytes();
    ClearModifiedFlags();
    return true;
}

bool SaveGameFile(const std::string& fileName, std::string* keptAs, CPendingFiles* pending, int backups) {
    const CBackupSeries series = Backups(backups);
    std::string backup;
    ProgressStart("Saving Game Data ...");

    // The file is built under a temporary name beside its target, the
    // stream spilling its bytes there as it goes, and takes the target's
    // name only once it is complete (Support_SafeSave.h says how).  So
    // nothing the user sees on disk changes before the build has
    // succeeded, just as if the whole file were built in memory first.
    // Where the target is refused or no temporary file can be created the
    // file is built in memory, and writing it reports the failure.
    std::optional<CSafeSave> target;
    CStream stream;
    try {
        target.emplace(fileName, series, pending);
        stream.SpillTo(target->Handle(), fileName, SaveWindow);
    } catch (const EFileError&) {
        target.reset();
    }
    ReserveForSave(stream, target.has_value());

    // A writer that throws is treated like one that returns false, so the
    // user is not left with a disabled window.  A spilling stream that
    // cannot write its file is a failure to write the file, reported as
    // such below.
    bool built = false;
    bool writeFailed = false;
    std::string cause;  // why the file system refused, in its words
    try {
        built = BuildGame(stream);
    } catch (const EFileError& error) {
        writeFailed = true;
        cause = error.Cause();
    } catch (const std::exception&) {
        built = false;
    }
    // The driver's own messages are about the file it writes.
    const CMessageContext file("file", fileName);
    if (!built && !writeFailed) {
        ShowMessage("Error Saving: Internal error. The game has not been saved!");
        ProgressEnd();
        return false;
    }

    if (writeFailed || !FinishFile(stream, target, fileName, backup, cause, pending, series)) {
        const CMessageContext why("cause", cause);
        ShowMessage(
            "Error Saving: Cannot create the file. The game has not been saved!Try saving your "
            "work under a different name.");
        ProgressEnd();
        return false;
    }
    ProgressEnd();
    ClearModifiedFlags();
    if (keptAs != nullptr)
        *keptAs = std::move(backup);
    return true;
}

bool SaveGameDryRun() {
    ProgressStart("Saving Game Data ...");
    // The file is built as a save builds it, window by window, and each
    // window is thrown away: the changes a save makes are made and noted,
    // and nothing is kept.
    CStream stream;
    const int nowhere = OpenNullDevice();
    if (nowhere >= 0)
        stream.SpillTo(nowhere, "(nowhere)", SaveWindow);
    bool built = false;
    try {
        built = BuildGame(stream);
        if (nowhere >= 0)
            stream.Flush();
    } catch (const std::exception&) {
        built = false;
    }
    if (nowhere >= 0)
        CloseFile(nowhere);
    if (!built)
        ShowMessage("Error Saving: Internal error. The game has not been saved!");
    ProgressEnd();
    return built;
}

std::string BackupKeptAs(const std::string& fileName) { return BackupKeptAs(fileName, Backups(MaxBackups)); }

}  // namespace transvane
