#include "format/core/Support_Progress.h"

#include "format/core/Support_CodePage.h"

namespace {

CFeedback* TheFeedback = nullptr;

struct CPlaceFrame {
    const char* What;
    std::int64_t Number;
    std::string_view Name;
    bool Named;
};
std::vector<CPlaceFrame> Places;
std::vector<std::string> ContextLines;

}  // namespace

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

void NoteChange(EChange kind, std::int64_t count, const std::string& detail) {
    if (TheFeedback != nullptr)
        TheFeedback->NoteChange(kind, count, detail);
}

CPlace::CPlace(const char* what, std::int64_t number, std::string_view name, bool named) {
    Places.push_back({what, number, name, named});
}

CPlace::~CPlace() { Places.pop_back(); }

CMessageContext::CMessageContext(std::string key, std::string value) {
    ContextLines.push_back(std::move(key) + ": " + std::move(value));
}

CMessageContext::~CMessageContext() { ContextLines.pop_back(); }

std::string CurrentPlace() {
    std::string place;
    for (const CPlaceFrame& frame : Places) {
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

std::vector<std::string> MessageContext() {
    std::vector<std::string> lines = ContextLines;
    if (!Places.empty())
        lines.push_back("place: " + CurrentPlace());
    return lines;
}
