#include "cli/Recover.h"

#include <ostream>
#include <unistd.h>

#include "cli/Arguments.h"
#include "cli/Batch.h"
#include "cli/Check.h"
#include "cli/Support_Value.h"
#include "format/core/Support_SafeSave.h"
#include "project/Conversion.h"

namespace transvane {

namespace {

const char* StateKey(CRecoveredSection::EState state) {
    switch (state) {
    case CRecoveredSection::EState::Complete:
        return "complete";
    case CRecoveredSection::EState::Stopped:
        return "stopped";
    case CRecoveredSection::EState::NotReached:
        return "not reached";
    }
    return "";
}

CValue RecoveryValue(const CRecoveryReport& recovery) {
    CValue value = CValue::Object();
    const CLoadReport& load = recovery.Load;
    if (load.Section.empty()) {
        value.Add("stopped", CValue());
    } else {
        CValue stopped = CValue::Object();
        stopped.Add("section", load.Section);
        stopped.Add("position", load.Position);
        stopped.Add("place", load.Place.empty() ? CValue() : CValue(load.Place));
        stopped.Add("cause", StopCause(load));
        value.Add("stopped", std::move(stopped));
    }
    CValue sections = CValue::Array();
    for (const CRecoveredSection& section : recovery.Sections) {
        CValue item = CValue::Object();
        item.Add("kind", section.Kind);
        item.Add("state", StateKey(section.State));
        if (section.IsList) {
            item.Add("recovered", section.Recovered);
            item.Add("total", section.Total >= 0 ? CValue(section.Total) : CValue());
        }
        sections.Push(std::move(item));
    }
    value.Add("sections", std::move(sections));
    CValue blocks = CValue::Array();
    for (const CRecoveredBlock& block : recovery.Blocks) {
        CValue item = CValue::Object();
        item.Add("section", block.Section);
        item.Add("position", block.Block.Start);
        item.Add("end", block.Block.End);
        item.Add("place", block.Block.Place);
        item.Add("cause", block.Block.Cause);
        item.Add("lost", block.Lost);
        blocks.Push(std::move(item));
    }
    value.Add("damaged blocks", std::move(blocks));
    value.Add("tree rebuilt", recovery.TreeRebuilt);
    value.Add("resources recovered", recovery.Recovered());
    value.Add("resources total", recovery.Total());
    value.Add("lost nothing", recovery.LostNothing());
    return value;
}

}  // namespace

int RunRecover(const CArguments& arguments, std::ostream& out, CPendingFiles* pending) {
    const std::string& source = arguments.Operands[0];
    const std::string& target = arguments.Operands[1];
    if (source == "-" || target == "-")
        return UsageError("recover cannot use \"-\": give the damaged file and a new file");
    if (target.empty())
        return UsageError("TARGET cannot be an empty name");
    // The damaged file is never written, by any of its names.
    if (source == target || SameFile(source, target))
        return UsageError("TARGET is SOURCE itself: recovery never writes over the damaged file");
    if (!arguments.Has("force") && ResolveSaveTarget(target).Kind == ESaveTargetKind::File) {
        ShowProblem(target + " already exists; use --force to replace it");
        return 1;
    }
    const bool json = arguments.Has("json");
    CBatchFeedback feedback(false, !json && ::isatty(STDERR_FILENO) == 1, stderr, arguments.ProgressDelay);
    feedback.Begin("");
    CConversionLimits limits;
    limits.PendingFiles = pending;
    const CConversionResult result = RecoverFile(source, target, &feedback, limits);
    feedback.Finish(result.Converted);
    const bool read = result.Recovery && !result.Recovery->Sections.empty();

    if (json) {
        CValue value = CValue::Object();
        value.Add("source", source);
        value.Add("target", target);
        value.Add("written", result.Converted);
        value.Add("header version", result.Summary.Version != 0 ? CValue(result.Summary.Version) : CValue());
        value.Append(read ? RecoveryValue(*result.Recovery) : CValue::Object());
        CValue changes = CValue::Array();
        for (const CChange& change : result.Report.Changes)
            changes.Push(ChangeValue(ChangeKind(change.Kind).Key, ChangeKind(change.Kind).Text, change.Detail,
                                     change.Place, change.Count));
        value.Add("changes", std::move(changes));
        value.Add("messages", MessagesValue(result.Report.Messages));
        value.WriteJson(out);
        return result.Converted ? 0 : 1;
    }
    if (read) {
        for (const std::string& line : RecoveryLines(*result.Recovery))
            out << line << "\n";
        if (const std::string losses = LossSummary(result.Report); !losses.empty())
            out << "saving without the lost resources: " << losses << "\n";
        if (result.Recovery->LostNothing())
            out << "nothing was lost: the file is undamaged\n";
    }
    if (result.Converted)
        out << RecoveredIntoLine(*result.Recovery, target) << "\n";
    return result.Converted ? 0 : 1;
}

}  // namespace transvane
