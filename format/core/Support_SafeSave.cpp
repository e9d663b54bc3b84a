#include "format/core/Support_SafeSave.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <pthread.h>
#include <unistd.h>
#include <vector>

#include "format/core/Support_File.h"
#include "format/core/Support_Random.h"

namespace fs = std::filesystem;

namespace {

// ---------------------------------------------------------------------------
// The files a signal handler removes: the temporary files in existence.
// A handler may run at any moment, so it reads nothing but these slots, and
// a slot is armed only once its name is complete.

constexpr std::size_t PendingSlots = 4;       // a save has two at most
constexpr std::size_t PendingNameSize = 4096;  // the longest path a call takes

struct CPending {
    std::atomic<bool> Claimed{false};
    std::atomic<bool> Armed{false};
    char Name[PendingNameSize];
};
static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler may only touch lock-free atomics");

std::array<CPending, PendingSlots> Pending;

// Called with the interruptions held, right after the file was created.
int Arm(const std::string& name) {
    if (name.size() >= PendingNameSize)
        return -1;
    for (std::size_t i = 0; i < Pending.size(); ++i) {
        bool expected = false;
        if (!Pending[i].Claimed.compare_exchange_strong(expected, true))
            continue;
        std::memcpy(Pending[i].Name, name.c_str(), name.size() + 1);
        Pending[i].Armed.store(true);
        return static_cast<int>(i);
    }
    return -1;
}

void Disarm(int slot) {
    if (slot < 0)
        return;
    Pending[static_cast<std::size_t>(slot)].Armed.store(false);
    Pending[static_cast<std::size_t>(slot)].Claimed.store(false);
}

// Removes an armed file and frees its slot; nothing is left to a handler.
void Discard(const std::string& name, int& slot) {
    if (slot < 0)
        return;
    CInterruptionsHeld held;
    ::unlink(name.c_str());
    Disarm(slot);
    slot = -1;
}

void RemovePendingFiles() {
    for (CPending& pending : Pending)
        if (pending.Armed.load())
            ::unlink(pending.Name);
}

constexpr std::array<int, 3> InterruptSignals = {SIGINT, SIGTERM, SIGHUP};

sigset_t InterruptSet() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : InterruptSignals)
        sigaddset(&set, signal);
    return set;
}

void (*TheReport)(int) = nullptr;

void OnInterrupt(int signal) {
    RemovePendingFiles();
    if (TheReport != nullptr)
        TheReport(signal);
    ::_exit(128 + signal);
}

// ---------------------------------------------------------------------------
// Names

fs::path FolderOf(const std::string& path) {
    const fs::path parent = fs::path(path).parent_path();
    return parent.empty() ? fs::path(".") : parent;
}

// A name that leaves room in a file name of 255 bytes for what a hidden
// name adds around it.
std::string ShortLeaf(const std::string& path) {
    std::string leaf = fs::path(path).filename().string();
    constexpr std::size_t Longest = 200;
    if (leaf.size() > Longest)
        leaf.resize(Longest);
    return leaf;
}

// Makes a new hidden name beside path with make (a creating call that
// refuses a name that exists) and arms it.  Returns make's result, or -1
// with errno set; name receives the hidden name.
template <typename Make>
int MakeHidden(const std::string& path, Make make, std::string& name, int& slot) {
    const fs::path folder = FolderOf(path);
    const std::string leaf = ShortLeaf(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = (folder / ("." + leaf + ".tv" + std::to_string(RandomBelow(1000000)) + ".tmp")).string();
        // Armed before it exists and disarmed if it is not made, all while
        // no handler can run: a handler never removes a file of another.
        CInterruptionsHeld held;
        slot = Arm(name);
        if (slot < 0) {
            errno = ENAMETOOLONG;
            return -1;
        }
        const int made = make(name.c_str());
        if (made >= 0)
            return made;
        const int error = errno;
        Disarm(slot);
        slot = -1;
        errno = error;
        if (error != EEXIST)
            return -1;
    }
    errno = EEXIST;
    return -1;
}

int CreateHidden(const std::string& path, mode_t mode, std::string& name, int& slot) {
    return MakeHidden(
        path, [mode](const char* hidden) { return ::open(hidden, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode); },
        name, slot);
}

[[noreturn]] void Fail(const std::string& what, const std::string& name, int error) {
    throw EFileError(what + " \"" + name + "\": " + std::strerror(error));
}

// The new file takes the place of the old one with the old one's owner and
// permissions, as far as the user may give them.
void KeepOwnerAndMode(int fd, const struct stat& old) {
    [[maybe_unused]] const int owned = ::fchown(fd, old.st_uid, old.st_gid);
    [[maybe_unused]] const int moded = ::fchmod(fd, old.st_mode & 07777);
}

void CopyContents(const std::string& from, int to, const std::string& name) {
    const int source = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (source < 0)
        Fail("Cannot read file", from, errno);
    std::vector<std::uint8_t> buffer(std::size_t{1} << 20);
    try {
        for (;;) {
            const ssize_t got = ::read(source, buffer.data(), buffer.size());
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                Fail("Cannot read file", from, errno);
            if (got == 0)
                break;
            WriteAllToFile(to, std::span(buffer.data(), static_cast<std::size_t>(got)), name);
        }
    } catch (...) {
        ::close(source);
        throw;
    }
    ::close(source);
}

void SyncFolder(const std::string& path) {
    const int folder = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return;
    // Some file systems refuse to sync a folder; the rename stands all the
    // same, only its survival of a power cut is then up to them.
    SaveCalls().SyncFolder(folder);
    ::close(folder);
}

}  // namespace

// ---------------------------------------------------------------------------

CSaveCalls& SaveCalls() {
    static CSaveCalls calls{::link, ::fsync};
    return calls;
}

CInterruptionsHeld::CInterruptionsHeld() {
    const sigset_t set = InterruptSet();
    ::pthread_sigmask(SIG_BLOCK, &set, &FPrevious);
}

CInterruptionsHeld::~CInterruptionsHeld() { ::pthread_sigmask(SIG_SETMASK, &FPrevious, nullptr); }

void HandleInterruptions(void (*report)(int signal)) {
    TheReport = report;
    sigset_t handled;
    sigemptyset(&handled);
    for (int signal : InterruptSignals) {
        struct sigaction old {};
        ::sigaction(signal, nullptr, &old);
        // Started with the signal ignored (nohup, a background job of a
        // script): the caller meant it.
        if ((old.sa_flags & SA_SIGINFO) == 0 && old.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        action.sa_mask = InterruptSet();  // one handler at a time
        ::sigaction(signal, &action, nullptr);
        sigaddset(&handled, signal);
    }
    // Handled now, so not held back any longer, even where the parent held
    // them back when it started this process.
    ::pthread_sigmask(SIG_UNBLOCK, &handled, nullptr);
}

void WriteFromHandler(int fd, const char* text) {
    std::size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t put = ::write(fd, text, left);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return;
        text += put;
        left -= static_cast<std::size_t>(put);
    }
}

CSaveTarget ResolveSaveTarget(const std::string& name) {
    CSaveTarget target;
    target.Path = name;
    target.Kind = ESaveTargetKind::Unreachable;
    for (int hop = 0; hop <= MaxLinkHops; ++hop) {
        const std::string leaf = fs::path(target.Path).filename().string();
        if (leaf.empty() || leaf == "." || leaf == "..") {
            // Names a folder, whatever is there.
            target.Kind = ESaveTargetKind::NotAFile;
            return target;
        }
        struct stat info {};
        if (::lstat(target.Path.c_str(), &info) != 0) {
            target.Kind = errno == ENOENT ? ESaveTargetKind::Missing : ESaveTargetKind::Unreachable;
            return target;
        }
        if (S_ISLNK(info.st_mode)) {
            std::error_code error;
            const fs::path link = fs::read_symlink(target.Path, error);
            if (error || link.empty())
                return target;
            // A relative link counts from the folder the link lies in.
            target.Path = link.is_relative() ? (fs::path(target.Path).parent_path() / link).string() : link.string();
            continue;
        }
        target.Info = info;
        target.Kind = S_ISREG(info.st_mode) ? ESaveTargetKind::File : ESaveTargetKind::NotAFile;
        return target;
    }
    target.Kind = ESaveTargetKind::Unreachable;  // a loop, or a chain too long to be meant
    return target;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {}, second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

CSafeSave::CSafeSave(const std::string& name, const std::string& backupExtension)
    : FTarget(ResolveSaveTarget(name)), FBackupExtension(backupExtension) {
    if (FTarget.Kind == ESaveTargetKind::NotAFile)
        throw EFileError("Cannot replace \"" + name + "\": it is not an ordinary file");
    if (FTarget.Kind == ESaveTargetKind::Unreachable)
        throw EFileError("Cannot reach \"" + name + "\" through its links");
    FHandle = CreateHidden(FTarget.Path, 0666, FTemporary, FSlot);
    if (FHandle < 0)
        Fail("Cannot create file", name, errno);
    if (FTarget.Kind == ESaveTargetKind::File)
        KeepOwnerAndMode(FHandle, FTarget.Info);
}

CSafeSave::~CSafeSave() {
    if (FHandle >= 0)
        ::close(FHandle);
    Discard(FTemporary, FSlot);
}

void CSafeSave::Commit() {
    if (::fsync(FHandle) != 0)
        Fail("Cannot write file", FTarget.Path, errno);
    const int closed = ::close(FHandle);
    FHandle = -1;
    if (closed != 0)
        Fail("Cannot write file", FTarget.Path, errno);

    // What lies under the name now must still be what was checked: a file
    // turned into a link, a FIFO or a folder meanwhile is not replaced.
    struct stat now {};
    const bool exists = ::lstat(FTarget.Path.c_str(), &now) == 0;
    if (exists ? !S_ISREG(now.st_mode) : errno != ENOENT)
        throw EFileError("Cannot replace \"" + FTarget.Path + "\": it is no longer an ordinary file");
    if (exists)
        MakeBackup();

    {
        CInterruptionsHeld held;
        if (::rename(FTemporary.c_str(), FTarget.Path.c_str()) != 0)
            Fail("Cannot create file", FTarget.Path, errno);
        Disarm(FSlot);
        FSlot = -1;
    }
    SyncFolder(FTarget.Path);
}

void CSafeSave::MakeBackup() {
    if (FBackupExtension.empty())
        return;
    const std::string backup = ChangeFileExt(FTarget.Path, FBackupExtension);
    if (backup == FTarget.Path)
        return;  // a backup saved over itself is simply replaced

    // The backup is made under a hidden name and then renamed over an older
    // backup, so that a failure or an interruption leaves that one intact.
    std::string hidden;
    int slot = -1;
    const int linked = MakeHidden(
        backup, [this](const char* name) { return SaveCalls().Link(FTarget.Path.c_str(), name); }, hidden, slot);
    try {
        if (linked < 0) {
            // No second name for the same file here (a file system without
            // hard links, a link count at its limit, a file the user does
            // not own ...): a copy, on disk before the old file goes.
            const int copy = CreateHidden(backup, 0600, hidden, slot);
            if (copy < 0)
                Fail("Cannot create file", backup, errno);
            try {
                CopyContents(FTarget.Path, copy, hidden);
                KeepOwnerAndMode(copy, FTarget.Info);
                if (::fsync(copy) != 0)
                    Fail("Cannot write file", backup, errno);
            } catch (...) {
                ::close(copy);
                throw;
            }
            if (::close(copy) != 0)
                Fail("Cannot write file", backup, errno);
        }
        CInterruptionsHeld held;
        if (::rename(hidden.c_str(), backup.c_str()) != 0)
            Fail("Cannot create file", backup, errno);
        Disarm(slot);
        slot = -1;
    } catch (...) {
        Discard(hidden, slot);
        throw;
    }
    FKeptAs = backup;
}

std::string SaveToFileSafely(const CMemoryStream& stream, const std::string& name, const std::string& backupExtension) {
    CSafeSave file(name, backupExtension);
    WriteAllToFile(file.Handle(), stream.View(), name);
    file.Commit();
    return file.KeptAs();
}
