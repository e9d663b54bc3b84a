// The platform services on Linux and its kin (format/core/Support_Platform.h).
#include "format/core/Support_Platform.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "format/core/Support_File.h"
#include "format/core/Support_Report.h"
#include "format/core/Support_SafeSave.h"
#include "format/core/Support_Stream.h"
#include "format/core/posix/Support_Interruptions.h"

extern char** environ;

namespace transvane {

namespace fs = std::filesystem;

namespace {

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

sigset_t InterruptSet() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : InterruptionSignals)
        sigaddset(&set, signal);
    return set;
}

static_assert(sizeof(sigset_t) <= sizeof(CInterruptionsHeld::CSaved), "the saved signal mask must fit");

}  // namespace

// Names are bytes here; UTF-8 by convention, and passed on as they are.
fs::path PathOf(const std::string& name) { return fs::path(name); }
std::string NameOf(const fs::path& path) { return path.string(); }

std::string ShellWord(const std::string& text) {
    const bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || std::strchr("/._-+,:@%", c) != nullptr;
    });
    if (plain)
        return text;
    // A control character cannot be pasted inside single quotes and kept
    // on one line: $'...' spells it with an escape, as bash, zsh and ksh
    // read it.
    if (std::any_of(text.begin(), text.end(), [](char c) {
            char buffer[5];
            return EscapedControl(c, buffer) != nullptr;
        })) {
        std::string quoted = "$'";
        for (char c : text) {
            char buffer[5];
            if (const char* escaped = EscapedControl(c, buffer))
                quoted += escaped;
            else
                quoted += c == '\'' || c == '\\' ? std::string{'\\', c} : std::string(1, c);
        }
        return quoted + "'";
    }
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

int OpenForReading(const std::string& name) { return ::open(name.c_str(), O_RDONLY | O_CLOEXEC); }

int CreateNewFile(const std::string& name, unsigned mode) {
    return ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode));
}

int CreateOrTruncateFile(const std::string& name) {
    return ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

int OpenNullDevice() { return ::open("/dev/null", O_WRONLY | O_CLOEXEC); }

std::optional<std::uint64_t> OrdinaryFileSize(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

std::ptrdiff_t ReadFromFile(int fd, void* into, std::size_t size) { return ::read(fd, into, size); }
std::ptrdiff_t WriteToFile(int fd, const void* from, std::size_t size) { return ::write(fd, from, size); }
bool SyncFile(int fd) { return ::fsync(fd) == 0; }
bool CloseFile(int fd) { return ::close(fd) == 0; }

void StartWriteback(int fd, std::size_t offset, std::size_t length) {
#if defined(__linux__)
    // Only a hint: where the system cannot, the final sync writes it all.
    (void)::sync_file_range(fd, static_cast<off_t>(offset), static_cast<off_t>(length), SYNC_FILE_RANGE_WRITE);
#else
    (void)fd;
    (void)offset;
    (void)length;
#endif
}

int RemoveFile(const char* name) noexcept { return ::unlink(name); }
int RenameReplacing(const char* from, const char* to) { return ::rename(from, to); }
int LinkFile(const char* existing, const char* newName) { return ::link(existing, newName); }
int RemoveFolder(const char* name) noexcept { return ::rmdir(name); }

void PauseBriefly() noexcept {
    const timespec millisecond{0, 1000000};
    ::nanosleep(&millisecond, nullptr);
}
int MakeFolder(const std::string& name) { return ::mkdir(name.c_str(), 0777); }

ENameKind KindOfName(const std::string& name, int* error) {
    struct stat info {};
    if (::lstat(name.c_str(), &info) != 0) {
        if (error != nullptr)
            *error = errno;
        return errno == ENOENT ? ENameKind::Missing : ENameKind::Unreachable;
    }
    if (S_ISLNK(info.st_mode))
        return ENameKind::Link;
    if (S_ISREG(info.st_mode))
        return ENameKind::File;
    if (S_ISDIR(info.st_mode))
        return ENameKind::Folder;
    return S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode) ? ENameKind::Device : ENameKind::Other;
}

std::string LinkTarget(const std::string& name) {
    std::error_code error;
    const fs::path link = fs::read_symlink(name, error);
    if (error)
        errno = error.value();
    else if (link.empty())
        errno = ENOENT;
    return error ? std::string() : link.string();
}

std::optional<CFileIdentity> FileIdentity(const std::string& name) {
    struct stat info {};
    if (::stat(name.c_str(), &info) != 0)
        return std::nullopt;
    return CFileIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

CFileAttributes AttributesOf(const std::string& name) {
    struct stat info {};
    if (::stat(name.c_str(), &info) != 0)
        return {};
    return {static_cast<std::uint32_t>(info.st_uid), static_cast<std::uint32_t>(info.st_gid),
            static_cast<std::uint32_t>(info.st_mode & 07777)};
}

void GiveAttributes(int fd, const CFileAttributes& attributes) {
    [[maybe_unused]] const int owned = ::fchown(fd, attributes.Owner, attributes.Group);
    [[maybe_unused]] const int moded = ::fchmod(fd, static_cast<mode_t>(attributes.Mode));
}

unsigned TerminalColumns(int fd) {
    struct winsize size {};
    return ::ioctl(fd, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0u;
}

bool IsTerminal(int fd) { return ::isatty(fd) == 1; }

std::string EnvironmentValue(const std::string& name) {
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string pair(*entry);
        const std::size_t equals = pair.find('=');
        if (equals != std::string::npos && EqualsIgnoringCase(pair.substr(0, equals), name))
            return pair.substr(equals + 1);
    }
    return {};
}

std::tm LocalTime(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    return local;
}

std::string FixedTemporaryFolder() { return "/tmp"; }

// ---------------------------------------------------------------------------
// Saves and interruptions

CSaveCalls& SaveCalls() {
    static CSaveCalls calls{::link, ::fsync, RenameReplacing};
    return calls;
}

void SyncFolderOf(const std::string& path) {
    const fs::path parent = fs::path(path).parent_path();
    const int folder = ::open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return;
    // Some file systems refuse to sync a folder; the rename stands all the
    // same, only its survival of a power cut is then up to them.
    SaveCalls().SyncFolder(folder);
    ::close(folder);
}

CInterruptionsHeld::CInterruptionsHeld() {
    const sigset_t set = InterruptSet();
    ::pthread_sigmask(SIG_BLOCK, &set, reinterpret_cast<sigset_t*>(FPrevious.data()));
}

CInterruptionsHeld::~CInterruptionsHeld() {
    ::pthread_sigmask(SIG_SETMASK, reinterpret_cast<const sigset_t*>(FPrevious.data()), nullptr);
}

CSaveTarget ResolveSaveTarget(const std::string& name) {
    CSaveTarget target;
    target.Path = name;
    target.Kind = ESaveTargetKind::Unreachable;
    if (name.empty()) {
        target.Error = ENOENT;  // what the system says of an empty name
        return target;
    }
    for (int hop = 0; hop <= MaxLinkHops; ++hop) {
        const std::string leaf = fs::path(target.Path).filename().string();
        if (leaf.empty() || leaf == "." || leaf == "..") {
            // Names a folder, whatever is there.
            target.Kind = ESaveTargetKind::NotAFile;
            target.Error = EISDIR;
            return target;
        }
        struct stat info {};
        if (::lstat(target.Path.c_str(), &info) != 0) {
            target.Kind = errno == ENOENT ? ESaveTargetKind::Missing : ESaveTargetKind::Unreachable;
            target.Error = errno;
            return target;
        }
        if (S_ISLNK(info.st_mode)) {
            const std::string link = LinkTarget(target.Path);
            if (link.empty()) {
                target.Error = errno;
                return target;
            }
            // A relative link counts from the folder the link lies in.
            const fs::path linked(link);
            target.Path = linked.is_relative() ? (fs::path(target.Path).parent_path() / linked).string() : link;
            continue;
        }
        target.Attributes = {static_cast<std::uint32_t>(info.st_uid), static_cast<std::uint32_t>(info.st_gid),
                             static_cast<std::uint32_t>(info.st_mode & 07777)};
        target.Kind = S_ISREG(info.st_mode) ? ESaveTargetKind::File : ESaveTargetKind::NotAFile;
        target.Error = S_ISDIR(info.st_mode) ? EISDIR : 0;
        return target;
    }
    target.Kind = ESaveTargetKind::Unreachable;  // a loop, or a chain too long to be meant
    target.Error = ELOOP;
    return target;
}

}  // namespace transvane
