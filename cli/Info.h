// transvane-cli info FILE [--json]: what a project file holds, without the
// authoring tool.
//
// The file is loaded exactly as a conversion loads it; the report then walks
// the loaded project: the header (version, game id, GUID), and per section
// its offset, its stored version and its contents (slots and empty slots,
// subimages and their pictures, sounds and their sizes, actions, instances
// and tiles, the tree's groups), plus the game information as plain text.
// For a file that does not load it says in which section and at which byte
// offset reading stopped, and why, after the sections that were read.
//
// The same report is printed as indented text or, with --json, as one JSON
// object.  Exit status: 0 when the file loads, 1 when it does not.
#pragma once

#include <iosfwd>
#include <string>

int RunInfo(const std::string& fileName, bool json, std::ostream& out);
