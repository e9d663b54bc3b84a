// How the core reaches the user: message boxes and the progress window.
//
// The core never talks to a window itself.  Whatever front end runs it (the
// converter window, the command-line tool, a test) installs one CFeedback;
// the drivers and the few records that show a message call the free
// functions below, which forward to it.
#pragma once

#include <string>
#include <vector>

class CFeedback {
public:
    virtual ~CFeedback() = default;
    // Shows the text to the user and returns once the user has seen it.
    virtual void ShowMessage(const std::string& text) = 0;
    // Disables the main window and shows the progress window with the text
    // and the bar at 0.
    virtual void ProgressStart(const std::string& text) = 0;
    // Sets the bar to percent, 0 to 100.
    virtual void ProgressSet(int percent) = 0;
    // Hides the progress window and enables the main window again.
    virtual void ProgressEnd() = 0;
};

// Collects the messages instead of showing them and shows no progress: for
// tools that report what a load said in their own way.
class CMessageCollector final : public CFeedback {
public:
    void ShowMessage(const std::string& text) override { Messages.push_back(text); }
    void ProgressStart(const std::string&) override {}
    void ProgressSet(int) override {}
    void ProgressEnd() override {}

    std::vector<std::string> Messages;
};

// Installs the front end's feedback in the current project (Support_Project.h);
// nullptr (the start) swallows everything.
// The caller keeps ownership and must outlive its installation.
void SetFeedback(CFeedback* feedback);
CFeedback* GetFeedback();

void ShowMessage(const std::string& text);
void ProgressStart(const std::string& text);
void ProgressSet(int percent);
void ProgressEnd();

// Installs a feedback for the lifetime of the guard, restoring the one
// before it afterwards.
class CFeedbackGuard {
public:
    explicit CFeedbackGuard(CFeedback& feedback) : FPrevious(GetFeedback()) { SetFeedback(&feedback); }
    ~CFeedbackGuard() { SetFeedback(FPrevious); }
    CFeedbackGuard(const CFeedbackGuard&) = delete;
    CFeedbackGuard& operator=(const CFeedbackGuard&) = delete;

private:
    CFeedback* FPrevious;
};
