// Recovering what a damaged project file still holds.
//
// The ordinary load is all or nothing.  A recovering load runs the same
// readers over the same bytes and, where they fail, keeps what they read
// completely before the failure:
//
//   - A compressed block whose stored length is sound but whose content
//     does not inflate, or is no picture where a picture belongs, is absent
//     and the reading goes on after it: a sprite loses that subimage, a
//     background keeps its record without a picture, a sound or a data file
//     keeps its record with no data, the game options lose that picture.
//   - Any other failure stops the reading.  Every record read completely
//     before it is kept as it was read; the record in progress and
//     everything after it are lost.  The sections never reached hold what a
//     new project holds.
//   - A resource tree that was not read is rebuilt: every resource kept
//     goes under its kind's top group, in slot order, by its name.
//
// The project is then saved by the ordinary save driver, whose rules clear
// the references to what was lost and drop the room instances and tiles of
// lost objects and backgrounds, each noted in the conversion's report.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/core/Support_Report.h"
#include "project/Resource_Main.h"

namespace transvane {

// What became of one section.
struct CRecoveredSection {
    enum class EState {
        Complete,    // read to its end
        Stopped,     // the reading stopped inside it
        NotReached,  // the reading stopped before it
    };
    ESection Id;
    const char* Kind;  // "sprites", "game options" ...
    bool IsList;       // a list of resources, counted below
    EState State = EState::Complete;
    std::int64_t Recovered = 0;  // resources kept
    // Resources known lost: the one whose record reading stopped in.
    std::int64_t Lost = 0;
    // Resources the file held; -1 when it does not tell: reading stopped
    // before the list's count, or inside the list with slots left that may
    // each be empty, AtMost then bounding it once the count was read.
    std::int64_t Total = 0;
    std::int64_t AtMost = -1;
};

// A damaged block that was left out, with the section it lies in and what
// its record lost.
struct CRecoveredBlock {
    CDamagedBlock Block;
    const char* Section = "";
    const char* Lost = "";  // "the subimage is dropped" ...
};

struct CRecoveryReport {
    // Where the reading stopped and why, as an ordinary load reports it;
    // Load.Section is empty when the whole file was read.
    CLoadReport Load;
    // The sections the header version holds, in file order.
    std::vector<CRecoveredSection> Sections;
    std::vector<CRecoveredBlock> Blocks;
    // Filled by the stream while it reads; Blocks says more about each.
    std::vector<CDamagedBlock> Damaged;
    bool TreeRebuilt = false;

    // Resources kept, and held by the file; at least Total() when some
    // list does not tell its total.
    std::int64_t Recovered() const;
    std::int64_t Total() const;
    bool TotalIsLeast() const;
    // Nothing of the file's content was kept: no section read to its end,
    // no resource of the one reading stopped in.
    bool KeptNothing() const;
    // Nothing of the file was lost: it read to its end, no block damaged.
    bool LostNothing() const { return Load.Section.empty() && Blocks.empty(); }
};

// Loads a file or a file image as the ordinary drivers do, keeping what a
// damaged one still holds.  False only when nothing could be read: the
// file cannot be read at all, or its header is not that of a project of
// version 400..500 (the ordinary load's messages say so).  The report is
// filled either way.
bool RecoverGameFile(CProject& project, const std::string& fileName, CRecoveryReport& report);
bool RecoverGameBytes(CProject& project, CBlock bytes, CRecoveryReport& report, CBlock* spent = nullptr);

// For the drivers: brings a project whose load stopped (complete false) or
// went through into the state described above, and fills the report.
void FinishRecovery(CProject& project, bool complete, CRecoveryReport& report);

// The report for people, one line each: a line per section the file
// holds, then one per damaged block, e.g.
//   sprites: 212 of 240 recovered (28 lost: reading stopped in "Sprites" at byte 18,204,331: what is stored there runs
//   past the end of the file)
std::vector<std::string> RecoveryLines(const CRecoveryReport& report);
// The report after the save, as the programs show it: the lines above,
// what saving dropped, and a word for a file that lost nothing.
std::vector<std::string> RecoverySummaryLines(const CRecoveryReport& report, const CConversionReport& saved);
// The last line: "recovered 1,204 of 1,392 resources into TARGET", and
// "(2 damaged blocks left out)" after it when there were any; from
// the report's numbers, for a caller that holds only those.
std::string RecoveredIntoLine(const CRecoveryReport& report, const std::string& target);
std::string RecoveredIntoLine(std::int64_t recovered, std::int64_t total, bool totalIsLeast, std::size_t blocks,
                              const std::string& target);
// Why the reading stopped, in words: "what is stored there runs past the
// end of the file" for a read that found too few bytes (a file cut short
// there, or a length or count there spoilt), the reader's own words
// otherwise.
std::string StopCause(const CLoadReport& report);
// A count with its thousands grouped: 18,204,331.
std::string GroupedNumber(std::int64_t value);

}  // namespace transvane
