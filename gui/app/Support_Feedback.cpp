#include "gui/app/Support_Feedback.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>

#include "gui/app/Main_Form.h"
#include "gui/app/Progress_Form.h"
#include "gui/app/Support_Batch.h"
#include "gui/app/Support_Dialogs.h"
#include "gui/app/Support_Window.h"

namespace transvane {

namespace {

// The core's texts are 8-bit; on this system that is the locale's encoding.
QString FromCore(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

// Lets the windows repaint while the user-interface thread is busy loading
// or saving.  The main window is disabled meanwhile, so no click can start
// a second conversion.
void ProcessPendingEvents() { QCoreApplication::processEvents(); }

QStringList ContextLines(const std::vector<std::string>& context) {
    QStringList lines;
    for (const std::string& line : context)
        lines << QString::fromUtf8(line);
    return lines;
}

}  // namespace

QStringList ReportLines(const CConversionReport& report) {
    QStringList lines;
    for (const CReportedMessage& message : report.Messages)
        for (const std::string& line : MessageLines(message))
            lines << QString::fromUtf8(line);
    return lines;
}

CWindowFeedback::CWindowFeedback(CDialogs& dialogs) : FDialogs(dialogs) {}

void CWindowFeedback::AttachWindows(QWidget* mainWindow, TProgressForm* progressForm) {
    for (const QMetaObject::Connection& connection : FConnections)
        QObject::disconnect(connection);
    FConnections.clear();
    FMainWindow = mainWindow;
    FProgressForm = progressForm;
    if (auto* form = qobject_cast<TMainForm*>(mainWindow)) {
        FConnections = {
            QObject::connect(form, &TMainForm::ConversionStarted, form, [this] { BeginConversion(); }),
            QObject::connect(form, &TMainForm::ConversionFinished, form,
                             [this](const QString& source) { EndConversion(source); }),
            QObject::connect(form, &TMainForm::BatchStarted, form, [this] { BeginBatch(); }),
            QObject::connect(
                form, &TMainForm::BatchFileStarted, form,
                [this](const QString& source, int number, int count) { BatchFile(source, number, count); }),
            QObject::connect(form, &TMainForm::BatchFinished, form, [this] { EndBatch(); }),
        };
    }
}

QWidget* CWindowFeedback::MessageParent() const {
    // A box shown during a load sits above the progress window, which is
    // always on top and would otherwise cover it.
    if (FProgressForm != nullptr && FProgressForm->isVisible())
        return FProgressForm;
    return FMainWindow;
}

void CWindowFeedback::ShowMessage(const std::string& text, const std::vector<std::string>& context) {
    // Each file of a batch keeps its messages for the summary.
    if (FBatch)
        return;
    // The arrow replaces the hourglass while the user reads a box.
    if (!FConverting) {
        CArrowCursor arrow;
        FDialogs.ShowMessage(MessageParent(), FromCore(text), ContextLines(context));
        return;
    }
    FReport.NoteMessage(text, context);
    if (FSilenced)
        return;
    const QStringList lines = ContextLines(context);
    CArrowCursor arrow;
    if (FReport.Messages.size() == 1)
        FDialogs.ShowMessage(MessageParent(), FromCore(text), lines);
    else
        FSilenced = FDialogs.ShowMessageOfSeveral(MessageParent(), FromCore(text), lines);
}

void CWindowFeedback::NoteChange(EChange kind, std::int64_t count, const std::string& detail,
                                 const std::string& place) {
    if (FConverting)
        FReport.Note(kind, count, detail, place);
}

void CWindowFeedback::BeginConversion() {
    FConverting = true;
    FSilenced = false;
    FReport = CConversionReport();
}

void CWindowFeedback::EndConversion(const QString& source) {
    FConverting = false;
    const std::size_t count = FReport.Messages.size();
    if (count <= 1)
        return;
    QStringList details = ReportLines(FReport);
    const std::vector<std::string> changes = ChangeLines(FReport);
    if (!changes.empty()) {
        details << QString() << QStringLiteral("What the conversion changed:");
        for (const std::string& line : changes)
            details << QString::fromUtf8(line);
    }
    const QString summary = QStringLiteral("Converting %1 gave %2 messages.\nThe details list each with its place.")
                                .arg(QFileInfo(source).fileName())
                                .arg(count);
    CArrowCursor arrow;
    FDialogs.ShowSummary(FMainWindow, summary, details.join(QLatin1Char('\n')));
}

void CWindowFeedback::BeginBatch() { FBatch = true; }

void CWindowFeedback::BatchFile(const QString& source, int number, int count) {
    if (FProgressForm != nullptr)
        FProgressForm->ShowFile(
            QStringLiteral("%1 (%2 of %3)").arg(OneLineOf(QFileInfo(source).fileName())).arg(number).arg(count));
}

void CWindowFeedback::EndBatch() {
    FBatch = false;
    if (FProgressForm != nullptr)
        FProgressForm->ShowFile(QString());
    ProgressEnd();
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
    // One progress window from the first file of a batch to its end, over
    // a main window that stays disabled.
    if (FBatch) {
        ProcessPendingEvents();
        return;
    }
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

}  // namespace transvane
