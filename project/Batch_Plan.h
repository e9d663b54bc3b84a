// Which files a conversion of several files converts, and where each goes.
//
// A run names files and folders: a file stands for itself, a folder for the
// .vtr files in it and in its sub-folders, in name order, each going to the
// same relative path under the output folder.  Everything that would make
// the run write one file twice, or replace one of its own sources before
// that source is read, is decided here, before the first file is loaded,
// so that the outcome does not depend on the order the conversions finish
// in.  The command line and the window plan their runs with it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace transvane {

// NAME.vk1 .. NAME.vk9, in any case: the backups a save keeps beside NAME.vtr.
bool IsBackupName(const std::string& name);

// The project name converts to when no other is given: a project keeps
// its own (GAME.VTR stays GAME.VTR); another file, a backup most often,
// takes .vtr in the case of its own extension (game.vk3: game.vtr,
// GAME.VK3: GAME.VTR).
std::string ProjectNameOf(const std::string& name);

// How a run treats outputs that exist already.
struct CBatchRules {
    std::string OutputDir;
    bool Force = false;         // replace them (each kept as its backup)
    bool SkipExisting = false;  // leave them alone; wins over Force
};

// What the run does with one file.
struct CBatchPlan {
    std::string Source;                // as given, or as found in a folder given ("proj/sub/game.vtr")
    std::string Output;                // empty: nothing to convert
    std::string Skip;                  // why it is left alone ("backup of game.vtr")
    std::string Refusal;               // why it fails without being read
    std::vector<std::string> Context;  // the refusal's context lines
    bool LoadOnly = false;             // no file name: only the load speaks
    bool Replaces = false;             // Output exists and is another file than Source
    // Left out by a folder's walk (a backup, a FIFO named as a project
    // ...): skipped and counted, its line shown only when asked for.
    bool PassedBy = false;
    // The earlier files of the run planned for the same Output, in order.
    // Refusal names the first; it stands as long as one of them writes
    // Output (it then names that one, OutputTaken), and lapses when none
    // does (each failed or was refused), the file then converting as
    // planned.  Empty when the refusal stands whatever they do.
    std::vector<std::size_t> Yields;
};

// The refusal of a file whose output owner writes first.
std::string OutputTaken(const std::string& output, const std::string& owner);

// The plan of a run over operands (files and folders, in the order given).
// A project wins its output name over a backup, whatever their order; among
// projects, and among backups, the first wins.  A backup whose project is
// in the run is skipped.  The output folder, where it lies inside a folder
// given, is passed by.  In a folder, backups and whatever is named as a
// project but is no ordinary file are skipped (PassedBy), as is a file
// named (or found) again after its first time.
std::vector<CBatchPlan> PlanBatch(const std::vector<std::string>& operands, const CBatchRules& rules);

}  // namespace transvane
