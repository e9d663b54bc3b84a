// File services: name handling and the private temporary folder that lives
// from start-up to exit.  Saving a file safely is Support_SafeSave's.
#pragma once

#include <string>

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

// The temporary folder.  The converter puts nothing into it; it exists
// because the authoring tool's units expect one.
void CreateTempFolder();
void RemoveTempFolder();
const std::string& TempFolder();
const std::string& TempBase();

// Looks an environment variable up case-insensitively, as the platform the
// format comes from does; empty when unset.
std::string EnvironmentValue(const std::string& name);
