#include "format/core/Support_SafeSave.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <vector>

#include "format/core/Support_File.h"
#include "format/core/Support_Random.h"

namespace transvane {

namespace fs = std::filesystem;

namespace {

using CPendingEntry = CPendingFiles::CEntry;

// Notes name in the program's list of temporary files for its signal
// handler, when there is one; false, with errno set, when it cannot.
bool Note(CPendingFiles* pending, const std::string& name, CPendingEntry*& entry) {
    entry = pending != nullptr ? pending->Arm(name) : nullptr;
    return pending == nullptr || entry != nullptr;
}

// Removes a file of this save and forgets it; nothing is left to a handler.
void Discard(const std::string& name, CPendingEntry*& entry, bool created) {
    if (!created)
        return;
    CInterruptionsHeld held;
    RemoveFile(name.c_str());
    CPendingFiles::Disarm(entry);
    entry = nullptr;
}

// ---------------------------------------------------------------------------
// Names

fs::path FolderOf(const std::string& path) {
    const fs::path parent = PathOf(path).parent_path();
    return parent.empty() ? fs::path(".") : parent;
}

// A name that leaves room in a file name of 255 bytes for what a hidden
// name adds around it.
std::string ShortLeaf(const std::string& path) {
    std::string leaf = NameOf(PathOf(path).filename());
    constexpr std::size_t Longest = 200;
    if (leaf.size() > Longest) {
        leaf.resize(Longest);
        // Not inside a UTF-8 character: a name is converted where the
        // system takes UTF-16.
        while (!leaf.empty() && (static_cast<unsigned char>(leaf.back()) & 0xC0) == 0x80)
            leaf.pop_back();
        if (!leaf.empty() && static_cast<unsigned char>(leaf.back()) >= 0xC0)
            leaf.pop_back();
    }
    return leaf;
}

// Makes a new hidden name beside path with make (a creating call that
// refuses a name that exists) and arms it.  Returns make's result, or -1
// with errno set; name receives the hidden name.
template <typename Make>
int MakeHidden(const std::string& path, Make make, std::string& name, CPendingFiles* pending, CPendingEntry*& entry) {
    const fs::path folder = FolderOf(path);
    const std::string leaf = ShortLeaf(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = NameOf(folder / PathOf(HiddenNameFor(leaf)));
        // Armed before it exists and disarmed if it is not made, all in one
        // step: a handler never removes a file of another, and never cleans
        // up before a file made meanwhile is noted.
        const CUnsplitStep step(pending);
        if (!step.Begun()) {
            errno = EINTR;
            return -1;
        }
        if (!Note(pending, name, entry))
            return -1;
        const int made = make(name.c_str());
        if (made >= 0)
            return made;
        const int error = errno;
        CPendingFiles::Disarm(entry);
        entry = nullptr;
        errno = error;
        if (error != EEXIST)
            return -1;
    }
    errno = EEXIST;
    return -1;
}

int CreateHidden(const std::string& path, unsigned mode, std::string& name, CPendingFiles* pending,
                 CPendingEntry*& entry) {
    return MakeHidden(
        path, [mode](const char* hidden) { return CreateNewFile(hidden, mode); }, name, pending, entry);
}

[[noreturn]] void Fail(const std::string& what, const std::string& name, int error) {
    throw EFileError(what, name, std::strerror(error));
}

bool Exists(const std::string& name) {
    const ENameKind kind = KindOfName(name);
    return kind != ENameKind::Missing && kind != ENameKind::Unreachable;
}

// a and b alike but for the case of their ASCII letters.
bool SameButCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

// The number of the backup that path names (game.vk3, or GAME.VK3: 3), or
// 0 for a name that is none of the series.
int BackupNumber(const std::string& path, const CBackupSeries& backups) {
    const std::string leaf = NameOf(PathOf(path).filename());
    const std::size_t dot = leaf.find_last_of('.');
    if (dot == std::string::npos || leaf.size() != dot + backups.Extension.size() + 1 ||
        !SameButCase(std::string_view(leaf).substr(dot, backups.Extension.size()), backups.Extension))
        return 0;
    const int number = leaf.back() - '0';
    return number >= 1 && number <= backups.Count ? number : 0;
}

// Every spelling of text in lower and upper case letters (".vk": ".vk",
// ".vK", ".Vk", ".VK").
std::vector<std::string> CaseSpellings(const std::string& text) {
    std::vector<std::string> spellings{""};
    for (const char c : text) {
        const auto lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const auto upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        std::vector<std::string> longer;
        for (const std::string& spelling : spellings) {
            longer.push_back(spelling + lower);
            if (upper != lower)
                longer.push_back(spelling + upper);
        }
        spellings = std::move(longer);
    }
    return spellings;
}

// Whether a backup of the series lies beside path under any case of its
// extension.  A few lookups, where a listing reads the whole folder: most
// saves find none, and a folder of thousands of projects converted in
// place would otherwise be read through once for every one of them.
bool AnyBackupBeside(const std::string& path, const CBackupSeries& backups) {
    for (const std::string& extension : CaseSpellings(backups.Extension))
        for (int number = 1; number <= backups.Count; ++number)
            if (Exists(ChangeFileExt(path, extension + std::to_string(number))))
                return true;
    return false;
}

void CopyContents(const std::string& from, int to, const std::string& name) {
    const int source = OpenForReading(from);
    if (source < 0)
        Fail("Cannot read file", from, errno);
    std::vector<std::uint8_t> buffer(std::size_t{1} << 20);
    try {
        for (;;) {
            const std::ptrdiff_t got = ReadFromFile(source, buffer.data(), buffer.size());
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                Fail("Cannot read file", from, errno);
            if (got == 0)
                break;
            WriteAllToFile(to, std::span(buffer.data(), static_cast<std::size_t>(got)), name);
        }
    } catch (...) {
        CloseFile(source);
        throw;
    }
    CloseFile(source);
}

}  // namespace

// ---------------------------------------------------------------------------

// Only strlen and the platform's write (write(2) on POSIX): safe in a
// signal handler.
void WriteFromHandler(int fd, const char* text) {
    std::size_t left = std::strlen(text);
    while (left > 0) {
        const std::ptrdiff_t put = WriteToFile(fd, text, left);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return;
        text += put;
        left -= static_cast<std::size_t>(put);
    }
}

bool SameFile(const std::string& a, const std::string& b) {
    const std::optional<CFileIdentity> first = FileIdentity(a);
    return first && first == FileIdentity(b);
}

CSpeltSeries SpeltSeries(const std::string& path, const CBackupSeries& backups) {
    CSpeltSeries spelt{backups, {}};
    if (backups.Count <= 0)
        return spelt;
    const std::string leaf = NameOf(PathOf(path).filename());
    spelt.Series.Extension = ExtensionInCaseOf(leaf, backups.Extension);
    if (!AnyBackupBeside(path, backups))
        return spelt;
    // The folder is listed rather than each spelling tried: where names
    // ignore case (Windows) every spelling would find the same file, and
    // only the listing shows how it is really spelt.
    const std::string first = ChangeFileExt(leaf, backups.Extension + "1");
    const std::size_t stem = first.size() - backups.Extension.size() - 1;
    const fs::path folder = FolderOf(path);
    std::vector<std::string> found;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        const std::string other = NameOf(entry->path().filename());
        if (other.size() != first.size() || BackupNumber(other, backups) == 0 ||
            !SameButCase(std::string_view(other).substr(0, stem), std::string_view(first).substr(0, stem)))
            continue;
        // A stem spelt otherwise belongs to path only where the system
        // takes it for the same name.
        const std::string own = first.substr(0, stem) + other.substr(stem);
        if (other == own || SameFile(NameOf(entry->path()), NameOf(folder / PathOf(own))))
            found.push_back(other);
    }
    std::sort(found.begin(), found.end());
    const auto extension = [&](const std::string& name) { return name.substr(stem, backups.Extension.size()); };
    if (!found.empty())
        spelt.Series.Extension = extension(found.front());
    for (const std::string& other : found)
        if (extension(other) != spelt.Series.Extension) {
            spelt.Clash = found.front() + " and " + other;
            break;
        }
    return spelt;
}

CSafeSave::CSafeSave(const std::string& name, const CBackupSeries& backups, CPendingFiles* pending)
    : FTarget(ResolveSaveTarget(name)), FBackups(backups), FPending(pending) {
    if (FTarget.Kind == ESaveTargetKind::NotAFile)
        throw EFileError("Cannot replace", name,
                         FTarget.Why != nullptr ? FTarget.Why
                         : FTarget.Error != 0   ? std::strerror(FTarget.Error)
                                                : "not an ordinary file (a device, FIFO or socket)");
    if (FTarget.Kind == ESaveTargetKind::Unreachable)
        Fail("Cannot reach", name, FTarget.Error);
    // Refused before anything is written when the old file would have no
    // backup to go to; checked again when the backup is made.
    if (FTarget.Kind == ESaveTargetKind::File && FBackups.Count > 0) {
        FBackups = Spelt();
        BackupRoom();
    }
    FHandle = CreateHidden(FTarget.Path, 0666, FTemporary, FPending, FEntry);
    if (FHandle < 0)
        Fail("Cannot create file", name, errno);
    FCreated = true;
    if (FTarget.Kind == ESaveTargetKind::File)
        GiveAttributes(FHandle, FTarget.Attributes);
}

CSafeSave::~CSafeSave() {
    if (FHandle >= 0)
        CloseFile(FHandle);
    Discard(FTemporary, FEntry, FCreated);
}

void CSafeSave::Commit() {
    if (!SyncFile(FHandle))
        Fail("Cannot write file", FTarget.Path, errno);
    const bool closed = CloseFile(FHandle);
    FHandle = -1;
    if (!closed)
        Fail("Cannot write file", FTarget.Path, errno);

    // What lies under the name now must still be what was checked: a file
    // turned into a link, a FIFO or a folder meanwhile is not replaced.
    const ENameKind now = KindOfName(FTarget.Path);
    const bool exists = now != ENameKind::Missing;
    if (exists && now != ENameKind::File)
        throw EFileError("Cannot replace", FTarget.Path, "it is no longer an ordinary file");
    CRotation rotation;
    try {
        if (exists)
            PrepareBackup(rotation);
        Rotate(rotation);
    } catch (...) {
        Discard(rotation.Hidden, rotation.HiddenEntry, rotation.HiddenCreated);
        throw;
    }
    SyncFolderOf(FTarget.Path);
}

CBackupSeries CSafeSave::Spelt() const {
    CSpeltSeries spelt = SpeltSeries(FTarget.Path, FBackups);
    if (!spelt.Clash.empty())
        throw EFileError("Cannot replace", FTarget.Path,
                         "its backups are named in two cases, " + spelt.Clash +
                             "; rename them to one case, or move one series away");
    return std::move(spelt.Series);
}

std::string CSafeSave::BackupName(int number) const {
    return ChangeFileExt(FTarget.Path, FBackups.Extension + std::to_string(number));
}

namespace {

// The numbers a save onto path may use within backups: what path holds goes
// to first, and the earlier backups move down at most to last; none when
// that would drop the oldest.
std::optional<std::pair<int, int>> BackupRoomOf(const std::string& path, const CBackupSeries& backups) {
    const int first = BackupNumber(path, backups) + 1;
    const std::string oldest = ChangeFileExt(path, backups.Extension + std::to_string(backups.Count));
    const int last = backups.Count > 1 && Exists(oldest) ? backups.Count - 1 : backups.Count;
    if (first > last)
        return std::nullopt;
    return std::pair{first, last};
}

// The first name the rotation of room would move or replace that is not
// one of the series' files; empty when there is none.  Only the series'
// own files move: a folder (or a device ...) that has a backup's name is
// the user's, and renaming it would hide it under another number.
std::string ForeignInSeries(const std::string& path, const CBackupSeries& backups, std::pair<int, int> room) {
    for (int number = room.first; number <= room.second; ++number) {
        const std::string name = ChangeFileExt(path, backups.Extension + std::to_string(number));
        const ENameKind kind = KindOfName(name);
        if (kind == ENameKind::Missing)
            break;
        if (kind != ENameKind::File && kind != ENameKind::Link)
            return name;
    }
    return {};
}

// The room of the rotation, where only the series' own files are in it.
std::optional<std::pair<int, int>> MovableRoomOf(const std::string& path, const CBackupSeries& backups) {
    const std::optional<std::pair<int, int>> room = BackupRoomOf(path, backups);
    if (room && !ForeignInSeries(path, backups, *room).empty())
        return std::nullopt;
    return room;
}

}  // namespace

std::string HiddenNameFor(const std::string& leaf) {
    return "." + leaf + ".tv" + std::to_string(RandomBelow(1000000)) + ".tmp";
}

std::string BackupKeptAs(const std::string& path, const CBackupSeries& backups) {
    const CSaveTarget target = ResolveSaveTarget(path);
    if (backups.Count <= 0 || target.Kind != ESaveTargetKind::File)
        return {};
    const CSpeltSeries spelt = SpeltSeries(target.Path, backups);
    if (!spelt.Clash.empty())
        return {};
    const CBackupSeries& series = spelt.Series;
    const std::optional<std::pair<int, int>> room = MovableRoomOf(target.Path, series);
    return room ? ChangeFileExt(target.Path, series.Extension + std::to_string(room->first)) : std::string();
}

std::string BackupDroppedBy(const std::string& path, const CBackupSeries& backups) {
    const CSaveTarget target = ResolveSaveTarget(path);
    if (backups.Count <= 0 || target.Kind != ESaveTargetKind::File)
        return {};
    const CSpeltSeries spelt = SpeltSeries(target.Path, backups);
    if (!spelt.Clash.empty())
        return {};
    const CBackupSeries& series = spelt.Series;
    const std::optional<std::pair<int, int>> room = MovableRoomOf(target.Path, series);
    if (!room)
        return {};
    const auto name = [&](int number) { return ChangeFileExt(target.Path, series.Extension + std::to_string(number)); };
    int free = room->first;
    while (free < room->second && Exists(name(free)))
        ++free;
    return Exists(name(free)) ? name(free) : std::string();
}

std::pair<int, int> CSafeSave::BackupRoom() const {
    if (const std::optional<std::pair<int, int>> room = BackupRoomOf(FTarget.Path, FBackups))
        return *room;
    throw EFileError("Cannot replace", FTarget.Path,
                     "no backup name is left for what it holds (the oldest backup, " + FBackups.Extension +
                         std::to_string(FBackups.Count) + ", is never replaced)");
}

void CSafeSave::PrepareBackup(CRotation& rotation) {
    if (FBackups.Count <= 0)
        return;
    // Spelt again: the folder may have changed since the save began.
    FBackups = Spelt();
    const auto [first, last] = BackupRoom();
    const std::string backup = BackupName(first);
    // Refused before anything is made.
    if (const std::string foreign = ForeignInSeries(FTarget.Path, FBackups, {first, last}); !foreign.empty())
        throw EFileError(foreign + " has a backup's name but is no ordinary file; move it out of the way");

    // The backup is made under a hidden name first, so that a failure or an
    // interruption before the rotation leaves the series as it was.
    std::string& hidden = rotation.Hidden;
    CPendingEntry*& entry = rotation.HiddenEntry;
    const int linked = MakeHidden(
        backup, [this](const char* name) { return SaveCalls().Link(FTarget.Path.c_str(), name); }, hidden, FPending,
        entry);
    rotation.HiddenCreated = linked >= 0;
    if (linked < 0) {
        if (errno == EINTR)
            Fail("Cannot create file", backup, errno);
        // No second name for the same file here (a file system without
        // hard links, a link count at its limit, a file the user does
        // not own ...): a copy, on disk before the old file goes.
        const int copy = CreateHidden(backup, 0600, hidden, FPending, entry);
        if (copy < 0)
            Fail("Cannot create file", backup, errno);
        rotation.HiddenCreated = true;
        try {
            CopyContents(FTarget.Path, copy, hidden);
            GiveAttributes(copy, FTarget.Attributes);
            if (!SyncFile(copy))
                Fail("Cannot write file", backup, errno);
        } catch (...) {
            CloseFile(copy);
            throw;
        }
        if (!CloseFile(copy))
            Fail("Cannot write file", backup, errno);
    }
    // The earlier backups move down as far as the first free number; with
    // none free, the one at last makes room, set aside under a hidden name
    // and removed only once the new file is in place.
    int free = first;
    while (free < last && Exists(BackupName(free)))
        ++free;
    if (Exists(BackupName(free)))
        rotation.Dropped = BackupName(free);
    for (int number = free - 1; number >= first; --number)
        rotation.Moves.emplace_back(BackupName(number), BackupName(number + 1));
    rotation.Moves.emplace_back(hidden, backup);
    rotation.KeptAs = backup;
}

void CSafeSave::Rotate(CRotation& rotation) {
    std::string aside;
    CPendingEntry* asideEntry = nullptr;
    {
        // The backups move and the new file takes the name in one step: an
        // interruption waits for its end, and a rename refused on the way
        // puts back every one made before it.
        const CUnsplitStep step(FPending);
        if (!step.Begun())
            Fail("Cannot create file", FTarget.Path, EINTR);
        std::vector<std::pair<std::string, std::string>> moves;
        if (!rotation.Dropped.empty()) {
            do
                aside = NameOf(FolderOf(rotation.Dropped) / PathOf(HiddenNameFor(ShortLeaf(rotation.Dropped))));
            while (Exists(aside));
            if (!Note(FPending, aside, asideEntry))
                Fail("Cannot move the backup", rotation.Dropped, errno);
            moves.emplace_back(rotation.Dropped, aside);
        }
        moves.insert(moves.end(), rotation.Moves.begin(), rotation.Moves.end());
        moves.emplace_back(FTemporary, FTarget.Path);
        for (std::size_t done = 0; done < moves.size(); ++done) {
            if (SaveCalls().Rename(moves[done].first.c_str(), moves[done].second.c_str()) == 0)
                continue;
            const int error = errno;
            for (std::size_t back = done; back-- > 0;)
                SaveCalls().Rename(moves[back].second.c_str(), moves[back].first.c_str());
            CPendingFiles::Disarm(asideEntry);
            if (done + 1 == moves.size())
                Fail("Cannot create file", FTarget.Path, error);
            if (moves[done].first == rotation.Hidden)
                Fail("Cannot create file", rotation.KeptAs, error);
            Fail("Cannot move the backup", moves[done].first, error);
        }
        CPendingFiles::Disarm(rotation.HiddenEntry);
        rotation.HiddenEntry = nullptr;
        rotation.HiddenCreated = false;
        CPendingFiles::Disarm(FEntry);
        FEntry = nullptr;
        FCreated = false;
        if (FPending != nullptr)
            FPending->NotePlaced();
    }
    // The dropped backup goes last, once the new file is in place; an
    // interruption meanwhile removes it as a file of the save.
    if (!aside.empty()) {
        const CInterruptionsHeld held;
        RemoveFile(aside.c_str());
        CPendingFiles::Disarm(asideEntry);
    }
    FMade = {rotation.KeptAs, rotation.Dropped};
}

CBackupsMade SaveToFileSafely(const CMemoryStream& stream, const std::string& name, const CBackupSeries& backups,
                              CPendingFiles* pending) {
    CSafeSave file(name, backups, pending);
    WriteAllToFile(file.Handle(), stream.View(), name);
    file.Commit();
    return file.Backups();
}

}  // namespace transvane
