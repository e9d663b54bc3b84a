// File services: name handling and the private temporary folder that lives
// as long as the program that owns it.  Saving a file safely is
// Support_SafeSave's.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "format/core/Support_Platform.h"

namespace transvane {

class CFeedback;

// True when name is an existing ordinary file (a directory is not a file).
bool FileExists(const std::string& name);
bool DirectoryExists(const std::string& name);
// folder and the folders above it that do not exist, the nearest first: what
// making folder makes.  Stops at the first that exists or cannot be checked.
std::vector<std::string> MissingFolders(const std::string& folder);
// True when name is there but is neither a file nor a folder: a device, a
// FIFO or a socket, which the converter does not read (a FIFO would make
// it wait for a writer).
bool IsSpecialFile(const std::string& name);
// Why a file cannot be read, in the system's words ("No such file or
// directory", "Is a directory", "Permission denied" ...), or "" when it
// can be opened for reading.
std::string ReadProblem(const std::string& name);

// True for a file name that Windows keeps for a device in every folder:
// CON, PRN, AUX, NUL, COM1..COM9, LPT1..LPT9 in any case, with or without
// an extension ("nul.txt") or trailing spaces.  name is the last part of a
// path only.
bool IsDeviceName(std::string_view name);

// What one file is, whatever it is called: two names with the same
// identity ("./a" and "a", a link and its target) are one file.
struct CFileIdentity {
    std::uint64_t Device = 0;
    std::uint64_t Node = 0;
    auto operator<=>(const CFileIdentity&) const = default;
};
// The identity of the file or folder name stands for (through links), or
// none when it does not exist.
std::optional<CFileIdentity> FileIdentity(const std::string& name);

// Replaces the extension of name (the part from its last dot, provided no
// path separator follows that dot) by extension, which includes its dot.  A
// name without such a dot gets the extension appended.
std::string ChangeFileExt(const std::string& name, const std::string& extension);
// extension in capitals where name's own extension is all capitals
// (GAME.VTR, ".vk": ".VK"), else as it is.  Files copied from other
// systems may carry their names in capitals, and the names made after
// them follow.
std::string ExtensionInCaseOf(const std::string& name, const std::string& extension);
// name with its ASCII letters in lower case ("GAME.VTR": "game.vtr").
std::string CaseFolded(std::string name);

// The temporary folder, vt_ttt_N under the folder that TEMP or TMP names
// (else the platform's, /tmp, else the current folder), created with the object and
// removed with it.  The converter puts nothing into it; it exists because
// the authoring tool's units expect one.  The window owns one from
// start-up to exit.
class CTempFolder {
public:
    // Shows "Failed to create temp dir. ..." through feedback (when given)
    // when no folder can be made; Path() is then empty.
    explicit CTempFolder(CFeedback* feedback);
    // Removes the ordinary files in the folder, then the folder; a hidden
    // file or a subfolder keeps it, and every failure is silent.
    ~CTempFolder();
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    const std::string& Path() const { return FPath; }
    const std::string& Base() const { return FBase; }

private:
    bool TryCreate(const std::string& base);

    std::string FBase;
    std::string FPath;
};

}  // namespace transvane
