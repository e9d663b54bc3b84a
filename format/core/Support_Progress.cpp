#include "format/core/Support_Progress.h"

#include <algorithm>
#include <exception>

#include "format/core/Support_CodePage.h"
#include "format/core/Support_Project.h"

namespace transvane {

// The feedback belongs to the current project: a conversion on another
// thread reports to its own.
void SetFeedback(CFeedback* feedback) { CoreState().Feedback = feedback; }
CFeedback* GetFeedback() { return CoreState().Feedback; }

void ShowMessage(const std::string& text) {
    if (CFeedback* feedback = GetFeedback())
        feedback->ShowMessage(text);
}

void ProgressStart(const std::string& text) {
    CoreState().Meter = {};
    if (CFeedback* feedback = GetFeedback())
        feedback->ProgressStart(text);
}

void ProgressSet(int percent) {
    if (CFeedback* feedback = GetFeedback())
        feedback->ProgressSet(percent);
}

void ProgressEnd() {
    CoreState().Meter = {};
    if (CFeedback* feedback = GetFeedback())
        feedback->ProgressEnd();
}

namespace {

// Passes the measure on when it has moved by a thousandth of the whole since
// it was last passed on, when a section starts and at the end: a project of
// a million records would otherwise call the feedback a million times.
void ReportBytes(CCoreState::CByteMeter& meter, std::uint64_t done, bool force) {
    CFeedback* feedback = GetFeedback();
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

void ProgressSection(const char* name, std::uint64_t start, std::uint64_t length, std::uint64_t total, bool reading) {
    CCoreState::CByteMeter& meter = CoreState().Meter;
    meter = {name, reading, start, length, total, start};
    ReportBytes(meter, start, true);
}

void ProgressRead(std::uint64_t position) {
    CCoreState::CByteMeter& meter = CoreState().Meter;
    if (meter.Reading)
        ReportBytes(meter, position, false);
}

void ProgressWritten(std::uint64_t part, std::uint64_t whole) {
    CCoreState::CByteMeter& meter = CoreState().Meter;
    if (meter.Reading || whole == 0)
        return;
    // In floating point: length times part may not fit 64 bits.
    const double share = static_cast<double>(std::min(part, whole)) / static_cast<double>(whole);
    ReportBytes(meter, meter.Start + static_cast<std::uint64_t>(share * static_cast<double>(meter.Length)), false);
}

void NoteChange(EChange kind, std::int64_t count, const std::string& detail) {
    if (CFeedback* feedback = GetFeedback())
        feedback->NoteChange(kind, count, detail);
}

// The places and context lines belong to the current project too: each
// conversion's messages carry its own.
CPlace::CPlace(const char* what, std::int64_t number, std::string_view name, bool named)
    : FExceptionsBefore(std::uncaught_exceptions()) {
    CoreState().Places.push_back({what, number, name, named});
}

CPlace::~CPlace() {
    if (std::uncaught_exceptions() > FExceptionsBefore)
        KeepFailurePlace();
    CoreState().Places.pop_back();
}

CMessageContext::CMessageContext(std::string key, std::string value) {
    CoreState().ContextLines.push_back(std::move(key) + ": " + std::move(value));
}

CMessageContext::~CMessageContext() { CoreState().ContextLines.pop_back(); }

std::string CurrentPlace() {
    std::string place;
    for (const CPlaceFrame& frame : CoreState().Places) {
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

void KeepFailurePlace() {
    std::string& kept = CoreState().FailurePlace;
    if (!kept.empty())
        return;
    // Called while an exception unwinds: a place that cannot be built
    // (no memory) is left out rather than thrown.
    try {
        kept = CurrentPlace();
    } catch (...) {
    }
}

void ForgetFailurePlace() { CoreState().FailurePlace.clear(); }

const std::string& FailurePlace() { return CoreState().FailurePlace; }

std::vector<std::string> MessageContext() {
    std::vector<std::string> lines = CoreState().ContextLines;
    if (!CoreState().Places.empty())
        lines.push_back("place: " + CurrentPlace());
    return lines;
}

}  // namespace transvane
