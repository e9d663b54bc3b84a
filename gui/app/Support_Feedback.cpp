#include "gui/app/Support_Feedback.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>

#include "gui/app/Progress_Form.h"
#include "gui/app/Support_Dialogs.h"
#include "gui/app/Support_Window.h"

namespace {

// The core's texts are 8-bit; on this system that is the locale's encoding.
QString FromCore(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

// Lets the windows repaint while the user-interface thread is busy loading
// or saving.  The main window is disabled meanwhile, so no click can start
// a second conversion.
void ProcessPendingEvents() { QCoreApplication::processEvents(); }

}  // namespace

CWindowFeedback::CWindowFeedback(CDialogs& dialogs) : FDialogs(dialogs) {}

void CWindowFeedback::AttachWindows(QWidget* mainWindow, TProgressForm* progressForm) {
    FMainWindow = mainWindow;
    FProgressForm = progressForm;
}

void CWindowFeedback::ShowMessage(const std::string& text) {
    // A box shown during a load sits above the progress window, which is
    // always on top and would otherwise cover it; the arrow replaces the
    // hourglass while the user reads it.
    QWidget* parent = FMainWindow;
    if (FProgressForm != nullptr && FProgressForm->isVisible())
        parent = FProgressForm;
    CArrowCursor arrow;
    FDialogs.ShowMessage(parent, FromCore(text));
}

void CWindowFeedback::ProgressStart(const std::string& text) {
    if (FMainWindow != nullptr)
        FMainWindow->setEnabled(false);
    if (FProgressForm != nullptr) {
        FProgressForm->ProgressLabel->setText(FromCore(text));
        FProgressForm->ProgressBar->setValue(0);
        if (!FProgressForm->isVisible()) {
            CentreOnScreen(*FProgressForm);
            FProgressForm->show();
        }
        FProgressForm->ProgressLabel->repaint();
    }
    ProcessPendingEvents();
}

void CWindowFeedback::ProgressSet(int percent) {
    if (FProgressForm != nullptr)
        FProgressForm->ProgressBar->setValue(std::clamp(percent, 0, 100));
    ProcessPendingEvents();
}

void CWindowFeedback::ProgressEnd() {
    if (FProgressForm != nullptr)
        FProgressForm->hide();
    if (FMainWindow != nullptr) {
        FMainWindow->setEnabled(true);
        // Hiding the progress window may have left no window active.
        if (FMainWindow->isVisible() && QApplication::activeWindow() == nullptr)
            FMainWindow->activateWindow();
    }
    ProcessPendingEvents();
}
