// How the core reaches the user: message boxes and the progress window.
//
// The core never talks to a window itself.  Whatever front end runs it (the
// converter window, the command-line tool, a test) gives each load or save
// one CFeedback, kept in that project's core part (CCoreState); the drivers
// and the few records that show a message call the free functions below
// with the core part they report through, and those forward to it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "format/core/Support_Project.h"

namespace transvane {

enum class EChange : int;  // Support_Report.h

class CFeedback {
public:
    virtual ~CFeedback() = default;
    // Shows the text to the user and returns once the user has seen it.
    // context holds the lines that go with it ("file: ...", "place: ...",
    // MessageContext below), for the front end to show beneath the text.
    virtual void ShowMessage(const std::string& text, const std::vector<std::string>& context) = 0;
    // Disables the main window and shows the progress window with the text
    // and the bar at 0.
    virtual void ProgressStart(const std::string& text) = 0;
    // Sets the bar to percent, 0 to 100.
    virtual void ProgressSet(int percent) = 0;
    // Hides the progress window and enables the main window again.
    virtual void ProgressEnd() = 0;
    // Where a load or a save is, for a front end that shows more than the
    // bar: the section at work (its name in the section table) and how many
    // of the project's bytes are behind it, of total.  Reported as a section
    // starts and as its records pass (ProgressSection below says how the
    // bytes are counted); a feedback that shows only the bar ignores it.
    virtual void ProgressBytes(std::string_view /*section*/, std::uint64_t /*done*/, std::uint64_t /*total*/) {}
    // Notes a change the conversion makes to the project (Support_Report.h)
    // at place, the places held then (CurrentPlace below); a feedback that
    // keeps no report ignores it.
    virtual void NoteChange(EChange /*kind*/, std::int64_t /*count*/, const std::string& /*detail*/,
                            const std::string& /*place*/) {}
};

// Collects the messages instead of showing them and shows no progress: for
// tools that report what a load said in their own way.
class CMessageCollector final : public CFeedback {
public:
    void ShowMessage(const std::string& text, const std::vector<std::string>&) override { Messages.push_back(text); }
    void ProgressStart(const std::string&) override {}
    void ProgressSet(int) override {}
    void ProgressEnd() override {}

    std::vector<std::string> Messages;
};

// Each call reports through core's feedback (CCoreState::Feedback; nullptr,
// the start, swallows everything), with core's context.
void ShowMessage(CCoreState& core, const std::string& text);
void ProgressStart(CCoreState& core, const std::string& text);
void ProgressSet(CCoreState& core, int percent);
void ProgressEnd(CCoreState& core);
void NoteChange(CCoreState& core, EChange kind, std::int64_t count = 1, const std::string& detail = {});

// ---- how far through the project's bytes -------------------------------------
//
// The bar moves in the fixed steps of the section table, which say little
// when one section holds most of a file.  So the drivers also measure in
// bytes: a load counts the bytes of the file it has read; a save, which
// cannot know the size of what it writes, gives each section the share of
// bytes it had in the loaded file and moves through it as the section's
// records are written.  ProgressStart and ProgressEnd end the measure.

// The section name (which must outlive the measure) is at work: a load's
// from its first byte at start, a save's covering length bytes from start;
// total is the whole measure.  Nothing is reported while total is 0.
void ProgressSection(CCoreState& core, const char* name, std::uint64_t start, std::uint64_t length, std::uint64_t total,
                     bool reading);
// A load has read the file up to position.
void ProgressRead(CCoreState& core, std::uint64_t position);
// A save has written part of the whole records of the section at work.
void ProgressWritten(CCoreState& core, std::uint64_t part, std::uint64_t whole);

// ---- where the core is at work ----------------------------------------------
//
// A message or a change is more use with its place: "object 3 "player",
// row 0, event 2, action 1".  The code that reads or writes a part of the
// project holds a CPlace for as long as it works on it; the places held
// form a path, outermost first.  The drivers add lines of context of their
// own (the file, the cause of a failure) with CMessageContext.  A feedback
// reads both when it shows a message; they cost a few words each, so even a
// project of a million actions pays nothing worth measuring.  Both are held
// in the core part of the project at work.

class CPlace {
public:
    // "what number", or "what number "name"" when a name is given.  The
    // name is text of the file (Windows-1252) and must outlive the place.
    CPlace(CCoreState& core, const char* what, std::int64_t number, std::string_view name = {}, bool named = false);
    // A place left by an exception is where the work failed: it is kept
    // (KeepFailurePlace) before it is given up.
    ~CPlace();
    CPlace(const CPlace&) = delete;
    // The same place at another item of its list: a list of many small
    // items (an event's actions) holds one place for all of them instead of
    // making one for each.  The place must be the innermost one held.
    void MoveTo(std::int64_t number) { FCore.Places.back().Number = number; }
    CPlace& operator=(const CPlace&) = delete;

private:
    CCoreState& FCore;
    int FExceptionsBefore;
};

// A named slot of a list: "object 3 "player"".
inline constexpr bool Named = true;

class CMessageContext {
public:
    CMessageContext(CCoreState& core, std::string key, std::string value);
    ~CMessageContext();
    CMessageContext(const CMessageContext&) = delete;
    CMessageContext& operator=(const CMessageContext&) = delete;

private:
    CCoreState& FCore;
};

// The places held, joined by ", " (names decoded to UTF-8), or "".
std::string CurrentPlace(const CCoreState& core);

// Where a failed load stopped, for its message: the places held when the
// first exception left them or when a reader refused a record (it calls
// KeepFailurePlace while its place is still held).  The load forgets the
// last one before it starts; only the first failure is kept.
void KeepFailurePlace(CCoreState& core);
void ForgetFailurePlace(CCoreState& core);
const std::string& FailurePlace(const CCoreState& core);
// The context of a message shown now: the drivers' lines ("key: value") in
// the order given, then "place: ..." when a place is held.
std::vector<std::string> MessageContext(const CCoreState& core);

// Installs a feedback in core for the lifetime of the guard, restoring the
// one before it afterwards.
class CFeedbackGuard {
public:
    CFeedbackGuard(CCoreState& core, CFeedback& feedback) : FCore(core), FPrevious(core.Feedback) {
        core.Feedback = &feedback;
    }
    ~CFeedbackGuard() { FCore.Feedback = FPrevious; }
    CFeedbackGuard(const CFeedbackGuard&) = delete;
    CFeedbackGuard& operator=(const CFeedbackGuard&) = delete;

private:
    CCoreState& FCore;
    CFeedback* FPrevious;
};

}  // namespace transvane
