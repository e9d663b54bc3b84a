#include "format/core/Support_Progress.h"

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
