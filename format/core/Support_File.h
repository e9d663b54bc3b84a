// File services: name handling, the safe whole-file write and the private
// temporary folder that lives from start-up to exit.
#pragma once

#include <string>

#include "format/core/Support_Stream.h"

// True when name is an existing ordinary file (a directory is not a file).
bool FileExists(const std::string& name);
bool DirectoryExists(const std::string& name);
// Why a file cannot be read, in the system's words ("No such file or
// directory", "Is a directory", "Permission denied" ...), or "" when it
// can be opened for reading.
std::string ReadProblem(const std::string& name);

// Replaces the extension of name (the part from its last dot, provided no
// path separator follows that dot) by extension, which includes its dot.  A
// name without such a dot gets the extension appended.
std::string ChangeFileExt(const std::string& name, const std::string& extension);

// A file that replaces name only once it is complete: it is written under
// a hidden temporary name in the folder of name, and Commit flushes it to
// disk and moves it onto name.  An interrupted or failed write therefore
// never leaves a truncated file under that name, and a replacement that is
// destroyed without a successful Commit removes its temporary file.
class CReplacementFile {
public:
    // Creates the temporary file; EFileError when it cannot be created.
    explicit CReplacementFile(const std::string& name);
    ~CReplacementFile();
    CReplacementFile(const CReplacementFile&) = delete;
    CReplacementFile& operator=(const CReplacementFile&) = delete;

    // The open temporary file, for writing.
    int Handle() const { return FHandle; }
    // Flushes, closes and renames the file onto name; EFileError on failure.
    void Commit();

private:
    std::string FName;
    std::string FTemporary;
    int FHandle = -1;
    bool FCommitted = false;
};

// Writes the whole stream through a CReplacementFile.  Raises EFileError (and
// leaves no temporary file behind) on failure.
void SaveToFileSafely(const CMemoryStream& stream, const std::string& name);

// The temporary folder.  The converter puts nothing into it; it exists
// because the authoring tool's units expect one.
void CreateTempFolder();
void RemoveTempFolder();
const std::string& TempFolder();
const std::string& TempBase();

// Looks an environment variable up case-insensitively, as the platform the
// format comes from does; empty when unset.
std::string EnvironmentValue(const std::string& name);
