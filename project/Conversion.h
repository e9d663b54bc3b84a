// The converter as a library: a project file of version 400..500 in, the
// same project as a version-500 file out.
//
// Each conversion has a project of its own (Project_Main.h) and touches
// nothing process-wide, so any number of them may run at once on as many
// threads.  The messages are those the window shows, word for word; none
// is shown anywhere else unless a feedback is given.
//
//     CConversion conversion(&feedback);
//     if (conversion.Load(source))
//         conversion.Save(target);
//     if (!conversion.Result().Converted)
//         for (const std::string& line : conversion.Result().Messages) ...
//
// Programs outside the project use the public interface that wraps it
// (include/transvane/transvane.h, project/Library.cpp); the programs here
// use this one where they need what the public one keeps to itself: the
// program's list of pending files, the loaded project's records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "format/core/Support_Progress.h"
#include "format/core/Support_Report.h"
#include "format/core/Support_Stream.h"
#include "project/Resource_Main.h"
#include "project/Resource_Recover.h"

namespace transvane {

// What was converted: the source's header version and how much of each
// kind the project holds.  Counted when the source has loaded, and again
// when it has been saved, since saving drops the room instances and tiles
// that name a resource that is gone: a converted project's summary tells
// what the new file holds.
struct CConversionSummary {
    std::int32_t Version = 0;  // 0 when the header was not read
    std::int32_t GameId = 0;
    struct CKindCount {
        const char* Kind;    // the kind's name for people (Resource_Kinds.h): "Sounds", "Sprites" ...
        std::int64_t Count;  // resources present (empty slots not counted), or parts of them
    };
    // One per kind of ContentKinds(), in its order; empty when the source
    // did not load.
    std::vector<CKindCount> Counts;
};

struct CProject;  // Project_Main.h

// The project's contents as a summary counts them, kind by kind.
std::vector<CConversionSummary::CKindCount> CountResources(const CProject& project);

struct CConversionResult {
    bool Converted = false;
    // The target was the source itself and already version 500: nothing was
    // written, no backup made; Converted is true.
    bool Unchanged = false;
    // The backup that now holds what the target held before (NAME.vk1,
    // or NAME.vk2 for a target that is itself NAME.vk1 ...); empty when no
    // file was replaced.
    std::string KeptAs;
    // The backup the save replaced to make room for KeptAs, every number
    // being taken: what it held is gone.  Empty when none was.
    std::string Dropped;
    std::vector<std::string> Messages;  // in the order they were shown
    // What the conversion changed, and every message again with the lines
    // of context it was shown with (its file, its place ...).
    CConversionReport Report;
    CConversionSummary Summary;
    // After a recovering load (CConversion::Recover): what was kept and
    // what was lost.
    std::optional<CRecoveryReport> Recovery;
    // How far the last load read, and where it stopped.
    CLoadReport Load;
};

class CPendingFiles;
struct CProject;

// Bounds on what a hostile source may claim, for callers that want them
// tighter than a desktop's (a fuzzing harness, a browser tab), on the
// threads one conversion may use, and where its save notes its temporary
// files.
struct CConversionLimits {
    std::size_t InflateLimit = MaxBlockSize;
    std::size_t LoadBudgetFloor = transvane::LoadBudgetFloor;
    // Threads that may compress blocks beside the one converting; unset:
    // one less than the cores.  A caller converting several files at once
    // gives the cores to those instead.
    std::optional<unsigned> HelperThreads;
    // The program's list of temporary files for its signal handler, which
    // a save to a file notes its own in (Support_PendingFiles.h); nullptr:
    // none, for a program that handles no interruptions.
    CPendingFiles* PendingFiles = nullptr;
    // Called whenever the conversion's project rebuilds its resource tree:
    // the window resets its tree's icons (Resource_Tree.h).
    std::function<void()> TreeIconsReset;

    // How many backups a save to a file keeps of the file it replaces.
    int Backups = MaxBackups;
};

// One conversion in two steps, with a project of its own that lives as long
// as the object.  Messages and progress go to feedback as well, when one is
// given; it is called on the thread that converts, and each message comes
// with its lines of context.  The object may be kept between the calls
// (while a dialog is open, say) and used from any one thread at a time.
class CConversion {
public:
    explicit CConversion(CFeedback* feedback = nullptr, const CConversionLimits& limits = {});
    ~CConversion();
    CConversion(const CConversion&) = delete;
    CConversion& operator=(const CConversion&) = delete;

    // Reads the source into the project; false, with the messages saying
    // why, when it does not load (the project is then empty).
    bool Load(const std::string& source);
    bool Load(CBlock source);
    // Reads the source keeping what a damaged file still holds
    // (Resource_Recover.h), the report in Result().Recovery; false only
    // when nothing could be read.  Save then writes what was kept.
    bool Recover(const std::string& source);
    bool Recover(CBlock source);
    // Reads the source as Load does, but a file that does not load keeps in
    // the project what was read before reading stopped, for a tool that
    // shows the file as it is (Resource_Main.h, InspectGameFile); Save
    // refuses then.  The file's bytes stay readable (InspectedBytes).
    bool Inspect(const std::string& source);
    bool Inspect(CBlock source);
    // Writes the loaded project as a version-500 file: a file keeps an
    // existing target as its backup (KeptAs) and is never left
    // half-written; bytes are left untouched on failure.  A version-500
    // file saved onto itself is left as it is (Unchanged).  False before a
    // successful load.
    bool Save(const std::string& target);
    bool Save(CBlock& target);
    // Builds the file as a save would, changes and messages included, and
    // throws it away: what a conversion would do, without writing.
    bool DryRun();

    // The program's list of temporary files for its signal handler
    // (CConversionLimits::PendingFiles), for a conversion made beneath the
    // public interface.
    void SetPendingFiles(CPendingFiles* pending);

    const CConversionResult& Result() const { return FResult; }
    // The result, moved out: the last call on the object.
    CConversionResult TakeResult() { return std::move(FResult); }
    // The conversion's project, for tools that walk the records it loaded.
    const CProject& Project() const;
    CProject& Project();
    // The bytes of the file the last Inspect read, valid while the object
    // lives; nullopt when it could not be read, or after another step.
    std::optional<std::span<const std::uint8_t>> InspectedBytes() const;

private:
    // Ends a step: the result's message texts follow its report.
    bool Done(bool ok);
    void KeepSpentSource();

    class CRun;
    CConversionResult FResult;
    std::unique_ptr<CRun> FRun;
};

// Said when a recovered project would go over the damaged file it came
// from: the damaged source is never written.
inline constexpr const char* RecoveryOntoSource =
    "The target is the damaged file itself: recovery never writes over it.";

}  // namespace transvane
