// transvane-cli info FILE [--layout] [--json]: what a project file holds,
// without the authoring tool.
//
// The file is loaded exactly as a conversion loads it.  The summary (the
// default) is for people: the format version, the game's author, version
// and last change, the number of resources of each kind, then every
// resource by name with what matters about it, the format's codes read as
// words and references to other resources by name (a reference to an
// empty slot says so).
//
// The layout (--layout) walks the loaded project section by section: the
// header (version, game id, GUID), and per section its offset, its stored
// version and its contents (slots and empty slots,
// subimages and their pictures, sounds and their sizes, actions, instances
// and tiles, the tree's groups), plus the game information as plain text.
// For a file that does not load it says in which section and at which byte
// offset reading stopped, and why, after the sections that were read.
//
// A file that does not load gets the layout in either view, after a few
// lines that say in plain words where and why reading stopped.
//
// Either report is printed as indented text or, with --json, as one JSON
// object.  Exit status: 0 when the file loads, 1 when it does not.
#pragma once

#include <iosfwd>
#include <string>

namespace transvane {

enum class EInfoView { Summary, Layout };

int RunInfo(const std::string& fileName, EInfoView view, bool json, std::ostream& out);

}  // namespace transvane
