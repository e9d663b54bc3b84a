#include "format/core/Support_Progress.h"

#include <algorithm>
#include <exception>

#include "format/core/Support_CodePage.h"
#include "format/core/Support_Report.h"

namespace transvane {

void ShowMessage(CCoreState& core, const std::string& text) {
    if (CFeedback* feedback = core.Feedback)
        feedback->ShowMessage(text, MessageContext(core));
}

void ProgressStart(CCoreState& core, const std::string& text) {
    core.Meter = {};
    if (CFeedback* feedback = core.Feedback)
        feedback->ProgressStart(text);
}

void ProgressSet(CCoreState& core, int percent) {
    if (CFeedback* feedback = core.Feedback)
        feedback->ProgressSet(percent);
}

void ProgressEnd(CCoreState& core) {
    core.Meter = {};
    if (CFeedback* feedback = core.Feedback)
        feedback->ProgressEnd();
}

namespace {

// Passes the measure on when it has moved by a thousandth of the whole since
// it was last passed on, when a section starts and at the end: a project of
// a million records would otherwise call the feedback a million times.
void ReportBytes(CCoreState& core, std::uint64_t done, bool force) {
    CCoreState::CByteMeter& meter = core.Meter;
    CFeedback* feedback = core.Feedback;
    if (feedback == nullptr || meter.Section == nullptr || meter.Total == 0)
        return;
    done = std::min(done, meter.Total);
    const bool end = done == meter.Total && meter.Reported != meter.Total;
    if (!force && !end && done < meter.Reported + std::max<std::uint64_t>(meter.Total / 1000, 1))
        return;
    meter.Reported = done;
    feedback->ProgressBytes(meter.Section, done, meter.Total);
}

}  // namespace

void ProgressSection(CCoreState& core, const char* name, std::uint64_t start, std::uint64_t length, std::uint64_t total,
                     bool reading) {
    core.Meter = {name, reading, start, length, total, start};
    ReportBytes(core, start, true);
}

void ProgressRead(CCoreState& core, std::uint64_t position) {
    if (core.Meter.Reading)
        ReportBytes(core, position, false);
}

void ProgressWritten(CCoreState& core, std::uint64_t part, std::uint64_t whole) {
    const CCoreState::CByteMeter& meter = core.Meter;
    if (meter.Reading || whole == 0)
        return;
    // In floating point: length times part may not fit 64 bits.
    const double share = static_cast<double>(std::min(part, whole)) / static_cast<double>(whole);
    ReportBytes(core, meter.Start + static_cast<std::uint64_t>(share * static_cast<double>(meter.Length)), false);
}

void NoteChange(CCoreState& core, EChange kind, std::int64_t count, const std::string& detail) {
    if (CFeedback* feedback = core.Feedback)
        feedback->NoteChange(kind, count, detail, ChangeKind(kind).Placed ? CurrentPlace(core) : std::string());
}

CPlace::CPlace(CCoreState& core, const char* what, std::int64_t number, std::string_view name, bool named)
    : FCore(core), FExceptionsBefore(std::uncaught_exceptions()) {
    FCore.Places.push_back({what, number, name, named});
}

CPlace::~CPlace() {
    if (std::uncaught_exceptions() > FExceptionsBefore)
        KeepFailurePlace(FCore);
    FCore.Places.pop_back();
}

CMessageContext::CMessageContext(CCoreState& core, std::string key, std::string value) : FCore(core) {
    FCore.ContextLines.push_back(std::move(key) + ": " + std::move(value));
}

CMessageContext::~CMessageContext() { FCore.ContextLines.pop_back(); }

std::string CurrentPlace(const CCoreState& core) {
    std::string place;
    for (const CPlaceFrame& frame : core.Places) {
        if (!place.empty())
            place += ", ";
        place += frame.What;
        place += ' ';
        place += std::to_string(frame.Number);
        if (frame.Named)
            place += " \"" + Windows1252ToUtf8(frame.Name) + '"';
    }
    return place;
}

void KeepFailurePlace(CCoreState& core) {
    std::string& kept = core.FailurePlace;
    if (!kept.empty())
        return;
    // Called while an exception unwinds: a place that cannot be built
    // (no memory) is left out rather than thrown.
    try {
        kept = CurrentPlace(core);
    } catch (...) {
    }
}

void ForgetFailurePlace(CCoreState& core) { core.FailurePlace.clear(); }

const std::string& FailurePlace(const CCoreState& core) { return core.FailurePlace; }

std::vector<std::string> MessageContext(const CCoreState& core) {
    std::vector<std::string> lines = core.ContextLines;
    if (!core.Places.empty())
        lines.push_back("place: " + CurrentPlace(core));
    return lines;
}

}  // namespace transvane
