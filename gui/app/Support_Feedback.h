// The converter window's side of the core's feedback: message boxes and the
// progress window.
//
// Installed before any window exists (the temporary folder may have to say
// something at start-up); the main window and the progress window are
// attached once they have been created.  Until then messages still appear
// in boxes of their own and progress reports are ignored.
#pragma once

#include <QPointer>
#include <QWidget>
#include <string>

#include "format/core/Support_Progress.h"

class CDialogs;
class TProgressForm;

class CWindowFeedback final : public CFeedback {
public:
    explicit CWindowFeedback(CDialogs& dialogs);

    void AttachWindows(QWidget* mainWindow, TProgressForm* progressForm);

    void ShowMessage(const std::string& text) override;
    void ProgressStart(const std::string& text) override;
    void ProgressSet(int percent) override;
    void ProgressEnd() override;

private:
    CDialogs& FDialogs;
    QPointer<QWidget> FMainWindow;
    QPointer<TProgressForm> FProgressForm;
};
