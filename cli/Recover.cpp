#include "cli/Recover.h"

#include <ostream>
#include <unistd.h>

#include "cli/Arguments.h"
#include "cli/Batch.h"
#include "cli/Check.h"
#include "cli/Support_Value.h"
#include "format/core/Support_SafeSave.h"
#include "project/Library_Access.h"
#include "transvane/transvane.h"
#include "format/core/Support_Report.h"

namespace transvane {

namespace {

const char* StateKey(transvane::ERecoveredState state) {
    switch (state) {
    case transvane::ERecoveredState::Complete: return "complete";
    case transvane::ERecoveredState::Stopped: return "stopped";
    case transvane::ERecoveredState::NotReached: return "not reached";
    }
    return "";
}

CValue RecoveryValue(const transvane::CRecovery& recovery) {
    CValue value = CValue::Object();
    if (!recovery.Stopped) {
        value.Add("stopped", CValue());
    } else {
        const transvane::CStopPlace& at = *recovery.Stopped;
        CValue stopped = CValue::Object();
        stopped.Add("section", at.Section);
        stopped.Add("position", at.Offset);
        stopped.Add("place", at.Place.empty() ? CValue() : CValue(at.Place));
        stopped.Add("cause", at.Reason);
        value.Add("stopped", std::move(stopped));
    }
    CValue sections = CValue::Array();
    for (const transvane::CRecoveredKind& kind : recovery.Kinds) {
        CValue item = CValue::Object();
        item.Add("kind", kind.Kind);
        item.Add("state", StateKey(kind.State));
        if (kind.IsList) {
            item.Add("recovered", kind.Recovered);
            item.Add("total", kind.Total >= 0 ? CValue(kind.Total) : CValue());
            item.Add("at most", kind.AtMost >= 0 ? CValue(kind.AtMost) : CValue());
        }
        sections.Push(std::move(item));
    }
    value.Add("sections", std::move(sections));
    CValue blocks = CValue::Array();
    for (const transvane::CLostBlock& block : recovery.Blocks) {
        CValue item = CValue::Object();
        item.Add("section", block.Section);
        item.Add("position", block.Offset);
        item.Add("end", block.End);
        item.Add("place", block.Place);
        item.Add("cause", block.Cause);
        item.Add("lost", block.Lost);
        blocks.Push(std::move(item));
    }
    value.Add("damaged blocks", std::move(blocks));
    value.Add("tree rebuilt", recovery.TreeRebuilt);
    value.Add("resources recovered", recovery.Recovered);
    value.Add("resources total", recovery.Total);
    value.Add("lost nothing", recovery.LostNothing);
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
    if (NamesAFolder(target))
        return UsageError("TARGET " + target + " is a folder; recovery writes one file");
    // The damaged file is never written, by any of its names.
    if (source == target || SameFile(source, target))
        return UsageError("TARGET is SOURCE itself: recovery never writes over the damaged file");
    const bool json = arguments.Has("json");
    if (!arguments.Has("force") && ResolveSaveTarget(target).Kind == ESaveTargetKind::File) {
        const std::string refusal = target + " already exists; use --force to replace it";
        ShowProblem(refusal);
        if (json) {
            // A script reads the refusal as it reads any recovery not written.
            CValue value = CValue::Object();
            value.Add("source", source);
            value.Add("target", target);
            value.Add("written", false);
            value.Add("header version", CValue());
            value.Add("changes", CValue::Array());
            CValue messages = CValue::Array();
            messages.Push(MessageValue({refusal, {}}));
            value.Add("messages", std::move(messages));
            value.WriteJson(out);
        }
        return 1;
    }
    CBatchFeedback feedback(false, !json && ::isatty(STDERR_FILENO) == 1, stderr, arguments.ProgressDelay);
    feedback.Begin("");
    CFeedbackObserver observer(&feedback, &feedback);
    transvane::COptions options;
    options.Observer = &observer;
    options.Force = true;  // an existing target was refused above unless --force
    transvane::CConverter converter(options);
    transvane::detail::CAccess::Conversion(converter).SetPendingFiles(pending);
    const bool written = converter.Recover(source).Ok() && converter.Save(target).Ok();
    feedback.Finish(written);
    const transvane::CResult& result = converter.Result();
    if (written)
        ShowBackups(target, result.KeptAs, result.Dropped);
    const auto nameOrNull = [](const std::string& name) { return name.empty() ? CValue() : CValue(name); };

    if (json) {
        CValue value = CValue::Object();
        value.Add("source", source);
        value.Add("target", target);
        value.Add("written", written);
        value.Add("kept as", nameOrNull(result.KeptAs));
        value.Add("dropped", nameOrNull(result.Dropped));
        value.Add("header version", result.SourceVersion != 0 ? CValue(result.SourceVersion) : CValue());
        if (result.Recovery) {
            value.Append(RecoveryValue(*result.Recovery));
            value.Add("summary", written ? CValue(transvane::RecoveredInto(*result.Recovery, target)) : CValue());
        }
        AddReport(value, result);
        value.WriteJson(out);
        return written ? 0 : 1;
    }
    if (result.Recovery) {
        for (const std::string& line : result.Recovery->Lines)
            out << line << "\n";
        if (written)
            out << OneLine(transvane::RecoveredInto(*result.Recovery, target)) << "\n";
    }
    return written ? 0 : 1;
}

}  // namespace transvane
