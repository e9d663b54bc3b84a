// File names made from the names a project stores, safe on every common
// file system, and a folder that is written without ever reaching outside it.
//
// A project names its resources freely: a data file may be called
// "../../.bashrc", a sprite "CON" or "a/b", a script may hold control bytes
// in its name.  SafeFileName turns such a name into one plain file name:
//  - control characters and / \ : * ? " < > | become "_";
//  - leading dots become "_" (no hidden files, no "." or ".."), trailing
//    dots and spaces are dropped (Windows drops them itself);
//  - a name Windows reserves for a device (CON, PRN, AUX, NUL, COM1..COM9,
//    LPT1..LPT9, with any extension) gets a "_" in front;
//  - the name is cut to MaxNameBytes bytes of UTF-8, on a character boundary;
//  - an empty result becomes the fallback.
// CNameSet hands out such names for one folder and resolves collisions
// deterministically, ignoring case as case-insensitive file systems do:
// "NAME.ext", then "NAME_2.ext", "NAME_3.ext" ...
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <map>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace transvane {

// Bytes of UTF-8 a name keeps before its extension and collision suffix;
// with them it stays well inside the 255 bytes file systems allow.
inline constexpr std::size_t MaxNameBytes = 120;

// The safe form of name (UTF-8), without extension.
std::string SafeFileName(std::string_view name, std::string_view fallback);

// The key under which a case-insensitive file system compares names: ASCII
// and the letters of Windows-1252 folded to lower case.
std::string FoldedName(std::string_view name);

class CNameSet {
public:
    // A safe, unused name: SafeFileName(name) + extension (which starts with
    // its dot, or is empty), with "_2", "_3" ... before the extension when
    // the name is taken.
    std::string Claim(std::string_view name, std::string_view extension, std::string_view fallback = "unnamed");

private:
    std::set<std::string> FTaken;               // folded
    std::map<std::string, std::int64_t> FNext;  // the next suffix of a folded stem and extension
};

// A folder that files are written into and never out of.  Every file and
// subfolder is opened relative to the folder's handle, symbolic links are
// never followed, and a file that exists is replaced only when asked to.
class COutputFolder {
public:
    // Opens (creating when missing, parents included) the folder at path.
    // Throws std::runtime_error with the reason.
    explicit COutputFolder(const std::string& path);
    ~COutputFolder();
    COutputFolder(COutputFolder&& other) noexcept
        : FHandle(std::exchange(other.FHandle, -1)), FPath(std::move(other.FPath)) {}
    COutputFolder& operator=(COutputFolder&&) = delete;
    COutputFolder(const COutputFolder&) = delete;
    COutputFolder& operator=(const COutputFolder&) = delete;

    // The subfolder, created when missing; a symbolic link or a file in its
    // place throws std::runtime_error.
    COutputFolder Subfolder(const std::string& name) const;

    // True when something (a file, a link, a folder) already has the name.
    bool Has(const std::string& name) const;

    // Creates the file and writes the bytes.  An existing file is an error
    // unless replace is set; a symbolic link of that name is never followed
    // (with replace the link itself is removed).  Throws std::runtime_error.
    // The writer gets a stream into the new file; what fails to be written
    // throws as well.
    void WriteFile(const std::string& name, bool replace, const std::function<void(std::ostream&)>& writer) const;
    void WriteFile(const std::string& name, std::span<const std::uint8_t> bytes, bool replace) const;

    // Gives the file from the name to, in one step, replacing what to names
    // (a link itself, never what it leads to); a file replaced passes its
    // permissions on where the system has them.  Throws std::runtime_error.
    void Rename(const std::string& from, const std::string& to) const;

    const std::string& Path() const { return FPath; }

private:
    COutputFolder(int handle, std::string path) : FHandle(handle), FPath(std::move(path)) {}
    int CreateFile(const std::string& name, bool replace) const;
    int FHandle = -1;
    std::string FPath;
};

// What the files at paths hold reaches the disk, so that a rename after it
// can never leave a name holding an empty file after a crash.  Several are
// synced at once: a file system commits files synced together in fewer
// writes of its journal.  Throws std::runtime_error naming the first file
// that failed, once every sync has ended.
void SyncFiles(const std::vector<std::string>& paths);
// One of them (cli/posix, cli/windows).
void SyncFileAt(const std::string& path);

}  // namespace transvane
