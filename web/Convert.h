// One conversion in memory, for the page in the browser: the bytes of a
// project file of any version from 400 to 500 in; the bytes of the same
// project as a version-500 file, the messages the converter showed and a
// summary of the project out.
//
// It runs the drivers' own rules without their files: a file that does
// not load ends in the same messages as in the window and the command-line
// tool ("Error Loading: ..." followed by "Error Loading: File seems to be
// corrupted.") and yields no bytes; a project that loads is saved exactly
// as SaveGame builds it.  Messages shown while a project loads (an old
// action number without translation, say) are kept in order, and the
// conversion goes on after them, as in the window.
//
// The project model is process-wide: one conversion runs at a time, and
// the model is cleared again when it ends.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "format/core/Support_Stream.h"

// What a project holds, for a reader deciding whether the conversion kept
// everything: the header and the number of resources of each kind.
struct CProjectSummary {
    std::int32_t Version = 0;  // of the source file's header; 0 before it was read
    std::int32_t GameId = 0;
    struct CCount {
        std::string Kind;  // "Sprites", "Sounds" ...
        std::int64_t Count;
    };
    std::vector<CCount> Counts;  // in the order of the file; empty when it did not load
};

struct CConversion {
    bool Ok = false;
    CBlock Bytes;                       // the version-500 file; empty unless Ok
    std::vector<std::string> Messages;  // every message, in the order shown
    CProjectSummary Summary;
};

CConversion ConvertProject(std::span<const std::uint8_t> source);
