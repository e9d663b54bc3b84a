// The converter window's side of the core's feedback: message boxes and the
// progress window.
//
// Installed before any window exists (the temporary folder may have to say
// something at start-up); the main window and the progress window are
// attached once they have been created.  Until then messages still appear
// in boxes of their own and progress reports are ignored.
//
// One conversion (from the Convert click to its end, which the main window
// signals) keeps a report of what it said and changed.  Its first message
// is a plain box; each later one offers to show no more for this file; and
// when there were several, one summary at the end lists them all with
// their places, and what the conversion changed.  Every box shows its
// message as the text and the message's context (file, place, cause ...)
// below it.
//
// A conversion of several files shows no box per message: the conversions
// keep their own reports, and the main window ends with one summary.  The
// progress window stays up from the first file to the last and names the
// file at work.
#pragma once

#include <QMetaObject>
#include <QStringList>
#include <QPointer>
#include <QWidget>
#include <string>
#include <vector>

#include "format/core/Support_Report.h"

namespace transvane {

class CDialogs;
class TProgressForm;

// The messages of a report, each followed by its context lines, indented.
QStringList ReportLines(const CConversionReport& report);

class CWindowFeedback final : public CFeedback {
public:
    explicit CWindowFeedback(CDialogs& dialogs);

    void AttachWindows(QWidget* mainWindow, TProgressForm* progressForm);

    void ShowMessage(const std::string& text, const std::vector<std::string>& context) override;
    void ProgressStart(const std::string& text) override;
    void ProgressSet(int percent) override;
    void ProgressEnd() override;
    void NoteChange(EChange kind, std::int64_t count, const std::string& detail, const std::string& place) override;

    void BeginConversion();
    // Shows the summary when the conversion gave more than one message.
    void EndConversion(const QString& source);
    void BeginBatch();
    void BatchFile(const QString& source, int number, int count);
    void EndBatch();
    // What the last conversion said and changed.
    const CConversionReport& Report() const { return FReport; }

private:
    QWidget* MessageParent() const;

    CDialogs& FDialogs;
    std::vector<QMetaObject::Connection> FConnections;
    bool FConverting = false;
    bool FBatch = false;
    bool FSilenced = false;
    CConversionReport FReport;
    QPointer<QWidget> FMainWindow;
    QPointer<TProgressForm> FProgressForm;
};

}  // namespace transvane
