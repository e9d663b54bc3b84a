#include "format/core/Support_Progress.h"

namespace {
CFeedback* TheFeedback = nullptr;
}

void SetFeedback(CFeedback* feedback) { TheFeedback = feedback; }
CFeedback* GetFeedback() { return TheFeedback; }

void ShowMessage(const std::string& text) {
    if (TheFeedback != nullptr)
        TheFeedback->ShowMessage(text);
}

void ProgressStart(const std::string& text) {
    if (TheFeedback != nullptr)
        TheFeedback->ProgressStart(text);
}

void ProgressSet(int percent) {
    if (TheFeedback != nullptr)
        TheFeedback->ProgressSet(percent);
}

void ProgressEnd() {
    if (TheFeedback != nullptr)
        TheFeedback->ProgressEnd();
}
