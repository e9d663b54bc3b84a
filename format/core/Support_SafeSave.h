// Replacing a file on disk so that it is never lost: the one place that
// decides how a save reaches its target, for the window and the
// command-line tool alike.
//
// A save through CSafeSave goes in this order:
//   1. Resolve.  The name is followed through symbolic links (a chain of
//      at most MaxLinkHops) to the file that is really replaced; the links
//      stay links and show the new file afterwards.  A link that points
//      nowhere names the file to create.
//   2. Check.  An existing target must be an ordinary file.  A folder, a
//      device, a FIFO or a socket is refused before anything is created,
//      and only looked at, never opened (opening a FIFO would block).
//   3. Write.  The new file is written under a hidden temporary name in
//      the real file's folder and synced to disk.
//   4. Back up.  The old file gets a second name, under a hidden name
//      first (a hard link; where the file system refuses links, a copy
//      synced to disk).  The old file itself is never moved away.
//   5. Replace, in one step that an interruption does not split (it waits
//      for the step's end): the earlier backups each move one number down
//      (CBackupSeries says which go), so that no backup is lost while there
//      is room; the hidden backup becomes the newest, NAME.vk1; the
//      complete new file is renamed over the real file, so the name holds
//      the old file or the new one at every instant, whenever the process
//      dies.  A backup dropped to make room is set aside under a hidden
//      name and removed only once the new file is in place; a rename
//      refused on the way puts back every one made before it.
//   6. Sync the folder, so that the new name survives a power cut; where
//      the file system refuses to sync a folder, the save carries on.
//
// A save given the program's CPendingFiles notes its temporary files there
// while they exist, so that the program's signal handler can remove them
// when the user interrupts it (Support_PendingFiles.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "format/core/Support_PendingFiles.h"
#include "format/core/Support_Platform.h"
#include "format/core/Support_Stream.h"

namespace transvane {

// Links followed at most before a name counts as a loop.
inline constexpr int MaxLinkHops = 40;

enum class ESaveTargetKind {
    Missing,      // nothing there yet: the file is created
    File,         // an ordinary file, which is replaced
    NotAFile,     // a folder, device, FIFO or socket: refused
    Unreachable,  // a link loop, a folder that cannot be searched ...: refused
};

struct CSaveTarget {
    std::string Path;  // the real file, after the links
    ESaveTargetKind Kind = ESaveTargetKind::Missing;
    int Error = 0;               // why it is refused, when the system can say (EISDIR, ELOOP ...)
    const char* Why = nullptr;   // else why, when the platform can say more than "not an ordinary file"
    CFileAttributes Attributes;  // what the new file takes over, when Kind is File
};

// Follows name through its links without opening anything.  Where links
// are not followed (Windows), a link is refused.  Names the system keeps
// for its devices (NUL, CON, COM1 ... on Windows) are refused as well.
CSaveTarget ResolveSaveTarget(const std::string& name);

// True when a and b name the same existing file (same device and inode),
// whatever links or spellings lead there.
bool SameFile(const std::string& a, const std::string& b);

// The backups a save keeps of the file it replaces: its name with the
// extension replaced by Extension and a number, 1 the newest .. Count the
// oldest (".vk", 9: game.vk1 .. game.vk9).  To make room for the newest,
// the backups up to the first free number each move one down; when none
// is free, the second oldest is dropped, never the oldest: that one is
// most likely the file as it was before any of these saves.  A target
// that is itself a backup (game.vk2) keeps its old content as the next one
// (game.vk3) and never as itself, and is refused where that would drop the
// oldest.  Count 0: no backup.
struct CBackupSeries {
    std::string Extension;
    int Count = 0;  // 1..9: the number is one digit
};

// backups as they are spelt beside path.  Files copied from other systems
// may carry their names in capitals, and one series is never split into
// game.vk1 beside GAME.VK1: the extension takes the case of path's
// existing backups (found in any case), or where there are none, of
// path's own extension (GAME.VTR: GAME.VK1).  Where the system tells names
// apart by case, backups of both spellings may lie there (GAME.vk1 and
// GAME.VK1); which is the series is then the user's to say, and Clash
// names two of them.
struct CSpeltSeries {
    CBackupSeries Series;
    std::string Clash;  // "GAME.VK1 and GAME.vk1"; empty when the spelling is clear
};
CSpeltSeries SpeltSeries(const std::string& path, const CBackupSeries& backups);

// The name a save onto path keeps what path holds as, within backups:
// path.vk1 beside the file a link leads to, or the next one for a path that
// is itself a backup, spelt as SpeltSeries says.  Empty when there is no
// file to keep, when backups keeps none, and when no name is left or the
// spelling clashes (CSafeSave then refuses to replace path).
std::string BackupKeptAs(const std::string& path, const CBackupSeries& backups);
// The backup a save onto path would replace to make room, when every
// number up to the last it may use is taken (Support_SafeSave.cpp, the
// rotation in MakeBackup); empty when it replaces none.
std::string BackupDroppedBy(const std::string& path, const CBackupSeries& backups);

// A hidden name, new at random, for a file that is to take leaf's place
// beside it: ".LEAF.tvNNNNNN.tmp".  Whoever creates it refuses a name that
// exists and tries another.
std::string HiddenNameFor(const std::string& leaf);

// What a save did to the backups of the file it replaced.
struct CBackupsMade {
    std::string KeptAs;   // the backup that holds what the file held; empty when none was made
    std::string Dropped;  // the backup replaced to make room for it; empty when none was
};

// A new file for name that takes its place only on Commit.  Destroyed
// without a successful Commit, it removes what it created and name stays
// as it was.
class CSafeSave {
public:
    // Resolves and checks the target and creates the temporary file;
    // EFileError when the target is refused or nothing can be created.
    // backups names the backups an existing file is kept among.  pending,
    // when given, holds the save's temporary files while they exist.
    CSafeSave(const std::string& name, const CBackupSeries& backups, CPendingFiles* pending = nullptr);
    ~CSafeSave();
    CSafeSave(const CSafeSave&) = delete;
    CSafeSave& operator=(const CSafeSave&) = delete;

    // The open temporary file, for writing.
    int Handle() const { return FHandle; }
    // Syncs and closes the file, backs up the old one, renames the new one
    // into place and syncs the folder; EFileError when any step but the
    // last fails, and then the target is as it was.
    void Commit();
    // After Commit: the backup that holds what the target held before
    // (empty when nothing was replaced or no backup was asked for), and the
    // one the rotation replaced to make room, as it happened on disk.
    const CBackupsMade& Backups() const { return FMade; }

private:
    // The renames that keep the old file among its backups: the earlier
    // backups each one down, the hidden backup to the newest; Dropped, when
    // set, is the backup that makes room.
    struct CRotation {
        std::string Hidden;
        CPendingFiles::CEntry* HiddenEntry = nullptr;
        bool HiddenCreated = false;
        std::vector<std::pair<std::string, std::string>> Moves;
        std::string KeptAs, Dropped;
    };
    void PrepareBackup(CRotation& rotation);
    void Rotate(CRotation& rotation);
    // FBackups spelt as the series on disk is; EFileError on a clash.
    CBackupSeries Spelt() const;
    // The numbers the old file's backup may take, [first, last]; EFileError
    // when there is none.
    std::pair<int, int> BackupRoom() const;
    std::string BackupName(int number) const;

    CSaveTarget FTarget;
    CBackupSeries FBackups;
    std::string FTemporary;
    CBackupsMade FMade;
    int FHandle = -1;
    CPendingFiles* FPending = nullptr;
    CPendingFiles::CEntry* FEntry = nullptr;  // the temporary file's, in FPending
    bool FCreated = false;                    // the temporary file exists and is this save's to remove
};

// Writes the whole stream through a CSafeSave.  Raises EFileError (and
// leaves no temporary file behind) on failure.  Returns what it did to the
// backups (CSafeSave::Backups).
CBackupsMade SaveToFileSafely(const CMemoryStream& stream, const std::string& name, const CBackupSeries& backups = {},
                              CPendingFiles* pending = nullptr);

// The calls through which a save makes a backup, syncs a folder and moves
// its files into place, so that tests can make them fail as some file
// systems do.  Each returns 0 or -1 with errno set, as the system calls
// they stand for.
struct CSaveCalls {
    int (*Link)(const char* existing, const char* newName);
    int (*SyncFolder)(int folder);
    int (*Rename)(const char* from, const char* to);  // replacing what to names
};
CSaveCalls& SaveCalls();

// Syncs the folder after a rename in it, through SaveCalls where the
// system syncs folders; a refusal is silent.
void SyncFolderOf(const std::string& path);

// The interruptions at the user's wish (a terminal's Ctrl-C, a kill, the
// end of the session), held back in the calling thread for the lifetime of
// the object: a handler on this thread then never sees a state half
// changed.  A program that handles them removes its CPendingFiles there and
// ends with status 128 + the signal's number (130 for Ctrl-C), as shells
// report an interrupted command; the target of the save under way is then
// as it was, or complete and new if its rename happened.  Where handlers
// run on a thread of their own (Windows), nothing is held: CPendingFiles
// is built to be read at any moment from any thread.
class CInterruptionsHeld {
public:
    CInterruptionsHeld();
    ~CInterruptionsHeld();
    CInterruptionsHeld(const CInterruptionsHeld&) = delete;
    CInterruptionsHeld& operator=(const CInterruptionsHeld&) = delete;

    // Room for the system's set of held signals.
    using CSaved = std::array<std::uint64_t, 16>;

private:
    CSaved FPrevious{};
};

// A step of CPendingFiles that an interruption must not split, with the
// interruptions held in this thread meanwhile, so that its handler never
// waits here for the step it interrupted.  Without pending, always begun.
class CUnsplitStep {
public:
    explicit CUnsplitStep(CPendingFiles* pending)
        : FPending(pending), FBegun(pending == nullptr || pending->BeginStep()) {}
    ~CUnsplitStep() {
        if (FPending != nullptr && FBegun)
            FPending->EndStep();
    }
    CUnsplitStep(const CUnsplitStep&) = delete;
    CUnsplitStep& operator=(const CUnsplitStep&) = delete;

    // False when the program is being interrupted: the step must not run.
    bool Begun() const { return FBegun; }

private:
    CInterruptionsHeld FHeld;  // first: held before the step begins, let go after it ends
    CPendingFiles* FPending;
    bool FBegun;
};

// Writes text to fd, for signal handlers: async-signal-safe.
void WriteFromHandler(int fd, const char* text);

}  // namespace transvane
