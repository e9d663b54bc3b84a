// A conversion of several files in the window: which files, where each
// goes, and how the run ended.
//
// The window converts them one after another into one folder chosen once;
// a folder given as a source stands for the .vtr files in it and in its
// sub-folders, each going to the same relative path under the output
// folder.  What is skipped or refused is decided before the first file is
// loaded, so that no file is ever written twice and no backup takes the
// name of the project it is a backup of.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace transvane {

struct CBatchItem {
    enum class EOutcome { Pending, Converted, Unchanged, Skipped, Failed, NotStarted };

    QString Source;
    QString Output;         // empty: the name has no file part, only the load speaks
    bool Replaces = false;  // Output exists and is another file than Source
    EOutcome Outcome = EOutcome::Pending;
    // Why a file was skipped or refused before it was tried, the warnings
    // of a converted one, the messages of a failed one.
    QStringList Lines;
    int Warnings = 0;
    // The earlier items planned for the same Output: this one converts
    // only when none of them wrote it (RefuseIfOutputTaken).
    std::vector<std::size_t> Yields;
};

// The files that given stands for, with their outputs under folder, as
// the command line plans a run (project/Batch_Plan.h): a backup whose
// project is among them is skipped; a file whose output an earlier file
// takes, or whose output or its backup would replace another source, is
// refused (Failed), the first only once the earlier file wrote the output.
std::vector<CBatchItem> PlanBatch(const QStringList& given, const QString& folder);

// Refuses items[index] (Failed, with the reason) when one of the earlier
// items it yields its output to wrote that output; true then.
bool RefuseIfOutputTaken(std::vector<CBatchItem>& items, std::size_t index);

// text as one line of the list or the progress window: a file's name may
// hold a line break or a terminal escape, escaped as the command line
// escapes it (OneLine).
QString OneLineOf(const QString& text);

// The pending items that will be tried if each of them converts: an item
// that yields its output to earlier ones is tried only once they have all
// failed.  Counted again before each file, it is the "of N" of the files
// at work: true at the start when nothing fails, and grown only by a
// failure that leaves a name to the next file.
std::size_t FilesToTry(const std::vector<CBatchItem>& items);

// The items still pending whose output exists and is not their own source:
// converting them replaces those files, each kept as its backup.  Items
// with the same output are all among them, and count as one file in the
// question (OutputCount).
std::vector<CBatchItem*> ExistingOutputs(std::vector<CBatchItem>& items);
std::size_t OutputCount(const std::vector<CBatchItem*>& items);

// "12 converted (3 with warnings), 2 unchanged, 4 skipped, 1 failed, 20 not
// started", zero counts left out.
QString BatchCounts(const std::vector<CBatchItem>& items);
// The counts, then the files that failed, one per line.
QString BatchSummary(const std::vector<CBatchItem>& items);
// Every file with what became of it, and its lines indented below, each
// one line (OneLineOf).
QString BatchDetails(const std::vector<CBatchItem>& items);

}  // namespace transvane
