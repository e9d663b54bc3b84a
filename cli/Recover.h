// transvane-cli recover SOURCE TARGET [--force] [--json]: what a damaged
// project still holds, saved as a version-500 project.
//
// SOURCE is read by the recovering load (project/Resource_Recover.h) and
// what it kept is saved to TARGET by the ordinary save.  SOURCE is never
// written: a TARGET that is SOURCE by any name or link is refused.  An
// existing TARGET is replaced only with --force, and then kept as its
// backup.  The report, on standard output, gives a line per kind of
// resource ("sprites: 212 of 240 recovered (28 lost: reading stopped in
// "Sprites" at byte 18,204,331: what is stored there runs past the end of
// the file)"), a line per damaged block with its place, what saving
// dropped with the lost resources, and last "recovered 1,204 of 1,392
// resources into TARGET"; --json gives the same as one JSON object.
// Messages go to standard error as convert prints them.
//
// Exit status: 0 TARGET written, 1 nothing could be read (the header is
// not a project's) or TARGET could not be written or was refused, 2 usage
// error.
#pragma once

#include <iosfwd>

namespace transvane {

struct CArguments;
class CPendingFiles;

int RunRecover(const CArguments& arguments, std::ostream& out, CPendingFiles* pending = nullptr);

}  // namespace transvane
