// The platform services on Windows (format/core/Support_Platform.h).
//
// Every name goes to the system as UTF-16 through the wide calls, so a
// name outside the legacy code page works as any other.  Files are opened
// with CreateFileW, sharing deletion, so that the interruption handler can
// remove a temporary file that is still open (it goes when its last handle
// closes, at the latest when the process ends), then handed to the C
// library as a descriptor in binary mode.
#include "format/core/Support_Platform.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <memory>
#include <vector>
#include <windows.h>
// After windows.h, which they need.
#include <knownfolders.h>
#include <shlobj.h>

#include "format/core/Support_File.h"
#include "format/core/Support_SafeSave.h"
#include "format/core/Support_Stream.h"
#include "format/core/windows/Support_Utf16.h"

namespace transvane {

namespace fs = std::filesystem;

namespace {

// Records the system's reason as errno and returns -1.
int Failed(DWORD error = ::GetLastError()) {
    errno = ErrorNumberOf(error);
    return -1;
}

// The last part of a path, whichever separator Windows' user typed.
std::string LeafOf(const std::string& name) {
    const std::size_t slash = name.find_last_of("/\\:");
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

// Names the system keeps for its devices, in the last part of a path.
bool IsDevicePath(const std::string& name) { return IsDeviceName(LeafOf(name)); }

constexpr const char* DeviceCause = "a name Windows keeps for a device (NUL, CON, PRN, AUX, COM1, LPT1 ...)";

int Open(const std::string& name, DWORD access, DWORD creation, int flags) {
    const HANDLE handle =
        ::CreateFileW(Widen(name).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      creation, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        // A folder opened as a file: said as elsewhere.
        if (error == ERROR_ACCESS_DENIED && KindOfName(name) == ENameKind::Folder) {
            errno = EISDIR;
            return -1;
        }
        return Failed(error);
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) {
        ::CloseHandle(handle);
        errno = EMFILE;
    }
    return fd;
}

HANDLE SystemHandle(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

// What the system knows of a name without following a link at its end.
std::optional<WIN32_FILE_ATTRIBUTE_DATA> Attributes(const std::string& name) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(Widen(name).c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    return data;
}

}  // namespace

std::wstring Widen(const std::string& text) {
    if (text.empty())
        return {};
    if (text.size() > INT_MAX)
        return L"\uFFFD";
    const int size = static_cast<int>(text.size());
    const int wide = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring result(static_cast<std::size_t>(std::max(wide, 0)), L'\0');
    if (wide > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, result.data(), wide);
    return result;
}

std::string Narrow(const std::wstring& text) {
    if (text.empty())
        return {};
    if (text.size() > INT_MAX / 3)
        return "\xEF\xBF\xBD";
    const int size = static_cast<int>(text.size());
    const int narrow = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(std::max(narrow, 0)), '\0');
    if (narrow > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, result.data(), narrow, nullptr, nullptr);
    return result;
}

int ErrorNumberOf(unsigned long windowsError) {
    switch (windowsError) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_CANNOT_MAKE: return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY: return EINVAL;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED:
    case ERROR_TOO_MANY_LINKS: return EPERM;
    case ERROR_DIR_NOT_EMPTY: return ENOTEMPTY;
    default: return EIO;
    }
}

fs::path PathOf(const std::string& name) { return fs::path(Widen(name)); }
std::string NameOf(const fs::path& path) { return Narrow(path.native()); }

// No Windows name holds a double quote, so quoting never needs an escape.
std::string ShellWord(const std::string& text) {
    const bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || std::strchr("\\/._-+,:@", c) != nullptr;
    });
    return plain ? text : "\"" + text + "\"";
}

int OpenForReading(const std::string& name) {
    if (IsDevicePath(name)) {
        errno = ENODEV;
        return -1;
    }
    return Open(name, GENERIC_READ, OPEN_EXISTING, _O_RDONLY);
}

int CreateNewFile(const std::string& name, unsigned) {
    if (IsDevicePath(name)) {
        errno = ENODEV;
        return -1;
    }
    return Open(name, GENERIC_WRITE, CREATE_NEW, _O_WRONLY);
}

int CreateOrTruncateFile(const std::string& name) {
    if (IsDevicePath(name)) {
        errno = ENODEV;
        return -1;
    }
    return Open(name, GENERIC_WRITE, CREATE_ALWAYS, _O_WRONLY);
}

int OpenNullDevice() { return Open("NUL", GENERIC_WRITE, OPEN_EXISTING, _O_WRONLY); }

std::optional<std::uint64_t> OrdinaryFileSize(int fd) {
    const HANDLE handle = SystemHandle(fd);
    LARGE_INTEGER size{};
    if (handle == INVALID_HANDLE_VALUE || ::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileSizeEx(handle, &size))
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(handle, &information) ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(size.QuadPart);
}

// The C library moves at most INT_MAX bytes a call.
std::ptrdiff_t ReadFromFile(int fd, void* into, std::size_t size) {
    return ::_read(fd, into, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
}

std::ptrdiff_t WriteToFile(int fd, const void* from, std::size_t size) {
    return ::_write(fd, from, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
}

bool SyncFile(int fd) {
    const HANDLE handle = SystemHandle(fd);
    if (handle == INVALID_HANDLE_VALUE || !::FlushFileBuffers(handle)) {
        Failed();
        return false;
    }
    return true;
}

bool CloseFile(int fd) { return ::_close(fd) == 0; }

namespace {

// name in UTF-16 on the stack, for the console's handler; false when it
// does not fit.
using CHandlerName = std::array<wchar_t, 4096>;
bool WidenInHandler(const char* name, CHandlerName& wide) noexcept {
    return ::MultiByteToWideChar(CP_UTF8, 0, name, -1, wide.data(), static_cast<int>(wide.size())) != 0;
}

}  // namespace

// Only the conversion and the stack: it runs in the console's handler.
int RemoveFile(const char* name) noexcept {
    CHandlerName wide{};
    if (!WidenInHandler(name, wide))
        return Failed();
    return ::DeleteFileW(wide.data()) ? 0 : Failed();
}

int RenameReplacing(const char* from, const char* to) {
    // Write-through: the rename is on disk when the call returns, as a
    // folder's sync makes it elsewhere.
    return ::MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? 0
               : Failed();
}

int LinkFile(const char* existing, const char* newName) {
    return ::CreateHardLinkW(Widen(newName).c_str(), Widen(existing).c_str(), nullptr) ? 0 : Failed();
}

void PauseBriefly() noexcept { ::Sleep(1); }

int RemoveFolder(const char* name) noexcept {
    CHandlerName wide{};
    if (!WidenInHandler(name, wide))
        return Failed();
    return ::RemoveDirectoryW(wide.data()) ? 0 : Failed();
}

int MakeFolder(const std::string& name) {
    if (IsDevicePath(name)) {
        errno = ENODEV;
        return -1;
    }
    return ::CreateDirectoryW(Widen(name).c_str(), nullptr) ? 0 : Failed();
}

ENameKind KindOfName(const std::string& name, int* error) {
    if (IsDevicePath(name))
        return ENameKind::Device;
    const std::optional<WIN32_FILE_ATTRIBUTE_DATA> data = Attributes(name);
    if (!data) {
        const int number = ErrorNumberOf(::GetLastError());
        if (error != nullptr)
            *error = number;
        return number == ENOENT ? ENameKind::Missing : ENameKind::Unreachable;
    }
    if ((data->dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return ENameKind::Link;
    if ((data->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return ENameKind::Folder;
    return ENameKind::File;
}

std::string LinkTarget(const std::string&) {
    errno = EPERM;  // links are never followed here
    return {};
}

std::optional<CFileIdentity> FileIdentity(const std::string& name) {
    // FILE_FLAG_BACKUP_SEMANTICS opens folders too; no access is asked,
    // only the identity.
    const HANDLE handle = ::CreateFileW(Widen(name).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = ::GetFileInformationByHandle(handle, &information);
    ::CloseHandle(handle);
    if (!known)
        return std::nullopt;
    return CFileIdentity{information.dwVolumeSerialNumber,
                         (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
}

// A new file gets its folder's permissions, as Windows' own programs do.
CFileAttributes AttributesOf(const std::string&) { return {}; }
void GiveAttributes(int, const CFileAttributes&) {}

unsigned TerminalColumns(int fd) {
    CONSOLE_SCREEN_BUFFER_INFO information{};
    if (!::GetConsoleScreenBufferInfo(SystemHandle(fd), &information))
        return 0;
    return static_cast<unsigned>(std::max(information.srWindow.Right - information.srWindow.Left + 1, 0));
}

bool IsTerminal(int fd) {
    DWORD mode = 0;
    return ::GetConsoleMode(SystemHandle(fd), &mode) != 0;
}

std::string EnvironmentValue(const std::string& name) {
    // Windows looks names up without regard to case itself.
    const std::wstring wide = Widen(name);
    const DWORD size = ::GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
    if (size == 0)
        return {};
    std::wstring value(size, L'\0');
    const DWORD got = ::GetEnvironmentVariableW(wide.c_str(), value.data(), size);
    value.resize(got < size ? got : 0);
    return Narrow(value);
}

std::tm LocalTime(std::time_t t) {
    std::tm local{};
    localtime_s(&local, &t);
    return local;
}

// The fall-back when TEMP and TMP say nothing usable, so it must not come
// from them (GetTempPathW does): the user's own temporary folder, where
// Windows puts it for every profile, found through the profile itself; the
// system's when there is no profile (a service).
std::string FixedTemporaryFolder() {
    wchar_t* local = nullptr;
    const HRESULT found = ::SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DONT_VERIFY, nullptr, &local);
    // Freed whether the call succeeded or not, as the call asks.
    const std::unique_ptr<wchar_t, decltype(&::CoTaskMemFree)> owned(local, ::CoTaskMemFree);
    if (found == S_OK && local != nullptr)
        return Narrow(std::wstring(local) + L"\\Temp");
    std::array<wchar_t, MAX_PATH + 1> windows{};
    const UINT size = ::GetSystemWindowsDirectoryW(windows.data(), static_cast<UINT>(windows.size()));
    if (size == 0 || size >= windows.size())
        return ".";
    return Narrow(std::wstring(windows.data(), size) + L"\\Temp");
}

void StartWriteback(int, std::size_t, std::size_t) {}

// ---------------------------------------------------------------------------
// Saves and interruptions

// The rename is written through (RenameReplacing), so the folder needs no
// sync of its own.
CSaveCalls& SaveCalls() {
    static CSaveCalls calls{LinkFile, [](int) { return 0; }, RenameReplacing};
    return calls;
}

void SyncFolderOf(const std::string&) {}

// The console's handler runs on a thread of its own, never in the middle of
// this thread's work: there is nothing to hold back.
CInterruptionsHeld::CInterruptionsHeld() = default;
CInterruptionsHeld::~CInterruptionsHeld() = default;

CSaveTarget ResolveSaveTarget(const std::string& name) {
    CSaveTarget target;
    target.Path = name;
    target.Kind = ESaveTargetKind::Unreachable;
    if (name.empty()) {
        target.Error = ENOENT;
        return target;
    }
    const std::string leaf = LeafOf(name);
    if (leaf.empty() || leaf == "." || leaf == "..") {
        target.Kind = ESaveTargetKind::NotAFile;
        target.Error = EISDIR;
        return target;
    }
    int error = 0;
    switch (KindOfName(name, &error)) {
    case ENameKind::Missing:
        target.Kind = ESaveTargetKind::Missing;
        target.Error = error;
        break;
    case ENameKind::File: target.Kind = ESaveTargetKind::File; break;
    case ENameKind::Folder:
        target.Kind = ESaveTargetKind::NotAFile;
        target.Error = EISDIR;
        break;
    case ENameKind::Device:
        target.Kind = ESaveTargetKind::NotAFile;
        target.Why = DeviceCause;
        break;
    case ENameKind::Link:
        // A replace would put the new file in the link's place, not in its
        // target's: refused rather than done differently from elsewhere.
        target.Kind = ESaveTargetKind::NotAFile;
        target.Why = "a symbolic link or junction, which is not written through here";
        break;
    case ENameKind::Other: target.Kind = ESaveTargetKind::NotAFile; break;
    case ENameKind::Unreachable: target.Error = error; break;
    }
    return target;
}

}  // namespace transvane
