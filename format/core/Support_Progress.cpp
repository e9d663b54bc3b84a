#include "format/core/Support_Progress.h"

#include <exception>

#include "format/core/Support_CodePage.h"
#include "format/core/Support_Project.h"

// The feedback belongs to the current project: a conversion on another
// thread reports to its own.
void SetFeedback(CFeedback* feedback) { CoreState().Feedback = feedback; }
CFeedback* GetFeedback() { return CoreState().Feedback; }

void ShowMessage(const std::string& text) {
    if (CFeedback* feedback = GetFeedback())
        feedback->ShowMessage(text);
}

void ProgressStart(const std::string& text) {
    if (CFeedback* feedback = GetFeedback())
        feedback->ProgressStart(text);
}

void ProgressSet(int percent) {
    if (CFeedback* feedback = GetFeedback())
        feedback->ProgressSet(percent);
}

void ProgressEnd() {
    if (CFeedback* feedback = GetFeedback())
        feedback->ProgressEnd();
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
