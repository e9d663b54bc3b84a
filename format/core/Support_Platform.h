// The few things the converter asks of the operating system, behind one set
// of functions that behave alike everywhere.  Each platform has a folder of
// its own that implements them, and the build picks one
// (format/core/CMakeLists.txt):
//
//   posix/    Linux and its kin: descriptors, links, signals
//   windows/  Windows: UTF-16 at every call, FlushFileBuffers, MoveFileExW
//   plain/    the page in the browser: posix/ without mapping and threads
//
// Names are UTF-8 throughout the program; a platform converts them at its
// system calls.  Files are descriptors of the C library, always in binary,
// never inherited by a program started meanwhile.  A call that fails
// returns -1 (or false) with errno set to the nearest of the POSIX error
// numbers, so that causes read the same on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

namespace transvane {

// A name of the program (UTF-8) as the standard library's path, and back.
// Built from a plain string, a path would take it in the system's legacy
// code page on some platforms.
std::filesystem::path PathOf(const std::string& name);
std::string NameOf(const std::filesystem::path& path);
// text as one word of the system's usual command line, to be pasted there:
// as it is when it holds only letters, digits and marks no shell treats
// specially, quoted otherwise (single quotes on POSIX shells, double quotes
// for cmd and PowerShell, which keep single quotes as part of a name).
std::string ShellWord(const std::string& text);
// text as a command's operand on that command line: after "--" when it
// starts with a dash, which the command would read as an option.
inline std::string ShellOperand(const std::string& text) {
    return (text.starts_with('-') ? "-- " : "") + ShellWord(text);
}

int OpenForReading(const std::string& name);
// A new file, which must not exist yet (EEXIST); mode where the system has
// permissions.
int CreateNewFile(const std::string& name, unsigned mode);
// The file, created or emptied.
int CreateOrTruncateFile(const std::string& name);
// The place where writes vanish (/dev/null, NUL).
int OpenNullDevice();
// The size of the ordinary file fd has open; nothing for anything else.
std::optional<std::uint64_t> OrdinaryFileSize(int fd);
// As read(2) and write(2): the bytes moved, 0 at the end, -1 on failure.
std::ptrdiff_t ReadFromFile(int fd, void* into, std::size_t size);
std::ptrdiff_t WriteToFile(int fd, const void* from, std::size_t size);
// What has been written reaches the disk.
bool SyncFile(int fd);
bool CloseFile(int fd);

// Removes a file; safe in the program's interruption handler.
int RemoveFile(const char* name) noexcept;
// Renames from to to, replacing what to names, in one step.
int RenameReplacing(const char* from, const char* to);
// Gives the file existing a second name (a hard link).
int LinkFile(const char* existing, const char* newName);
// Makes a folder (EEXIST when something has the name); removes an empty
// one, safe in the program's interruption handler.
int MakeFolder(const std::string& name);
int RemoveFolder(const char* name) noexcept;
// Lets the thread wait a millisecond or so; async-signal-safe.
void PauseBriefly() noexcept;

// What a name is, without following a link at its end.
enum class ENameKind { Missing, File, Folder, Link, Device, Other, Unreachable };
// error receives why, when the name is Unreachable or Missing.
ENameKind KindOfName(const std::string& name, int* error = nullptr);
// The target of the link name, as stored; empty with errno set when it
// cannot be read.
std::string LinkTarget(const std::string& name);

// What a new file takes over from the file it replaces: owner, group and
// permissions, where the system keeps them with the file.
struct CFileAttributes {
    std::uint32_t Owner = 0;
    std::uint32_t Group = 0;
    std::uint32_t Mode = 0;
};
CFileAttributes AttributesOf(const std::string& name);
// As far as the user may give them; a refusal is silent.
void GiveAttributes(int fd, const CFileAttributes& attributes);

// The number of columns of the terminal fd writes to, or 0.
unsigned TerminalColumns(int fd);
bool IsTerminal(int fd);

// Looks an environment variable up case-insensitively, as the platform the
// format comes from does; empty when unset.
std::string EnvironmentValue(const std::string& name);

// The local time of t, in the user's time zone.
std::tm LocalTime(std::time_t t);

// Where the platform keeps temporary files when nothing says otherwise.
std::string FixedTemporaryFolder();

// A chunk of fresh memory for a project's arena (Support_Arena.h): size
// bytes, a multiple of 4096, aligned to 4096 bytes; a multiple of
// HugeChunkSize is aligned to it and held in huge pages where the system
// gives them on request.  nullptr when there is no such memory.
// ReleaseChunk gives back exactly what one ReserveChunk got.
inline constexpr std::size_t HugeChunkSize = std::size_t{2} << 20;
void* ReserveChunk(std::size_t size) noexcept;
void ReleaseChunk(void* chunk, std::size_t size) noexcept;

}  // namespace transvane
