// The converter window: four lines of explanation, Convert and Quit.  A
// project file dropped onto it is converted as one picked with Convert;
// several files, or a folder, are converted one after another into one
// folder.  The outcome of the last conversion stays in Label1 until the
// next one begins.
#pragma once

#include <QStringList>
#include <QWidget>
#include <functional>
#include <vector>

#include "project/Conversion.h"

class QAction;
class QMimeData;
class QLabel;
class QPushButton;

namespace transvane {

class CDialogs;
class CFeedback;
class CPendingFiles;
struct CBatchItem;

class TMainForm final : public QWidget {
    Q_OBJECT

public:
    // The dialogs are the form's way of asking the user; they must outlive
    // the form.
    explicit TMainForm(CDialogs& dialogs, QWidget* parent = nullptr);

    QLabel* Label1;
    QPushButton* ConvertButton;
    QPushButton* QuitButton;
    QAction* AboutAction;

    // The four lines of Label1.
    static QStringList Explanation();
    // What the about box says: the program, its version and its job.
    static QString AboutText();
    // The local files and folders a drag carries, or none when it carries
    // anything else (text, a remote address).
    static QStringList DroppedFiles(const QMimeData& data);
    // The name the save dialog offers for source: the source itself, or
    // for a backup (NAME.vk3), its project NAME.vtr in the same folder.
    static QString ProposedTarget(const QString& source);
    // The name the save dialog offers for what is recovered of a damaged
    // source: "NAME (recovered).vtr" beside it.
    static QString RecoveredTarget(const QString& source);
    // What Label1 says after a successful conversion: the warnings, the new
    // file, and the backup when an earlier file was kept as one.
    static QString ConfirmationText(const QString& target, const QString& backup, qsizetype warnings);
    // Where the window's saves note their temporary files for the program's
    // signal handler; nullptr: nowhere.
    void SetPendingFiles(CPendingFiles* pending) { FLimits.PendingFiles = pending; }
    // Where the window's conversions report their messages and progress;
    // nullptr: nowhere.
    void SetFeedback(CFeedback* feedback) { FFeedback = feedback; }
    // What each conversion calls when its project rebuilds the resource
    // tree: the windows reset the tree's icons.
    void SetTreeIconsReset(std::function<void()> reset) { FLimits.TreeIconsReset = std::move(reset); }

signals:
    // A conversion begins once a file has been chosen, and ends after its
    // save or at the step that stopped it; source is the chosen file.
    void ConversionStarted();
    void ConversionFinished(const QString& source);
    // A conversion of several files: it begins once the output folder has
    // been chosen, each file is announced as it starts (number counts
    // from 1), and it ends after the last one.
    void BatchStarted();
    void BatchFileStarted(const QString& source, int number, int count);
    void BatchFinished();

public slots:
    void ConvertButtonClick();
    // Everything after the open dialog: load source, ask for the new name,
    // save.  Also what a file given at start-up or dropped on the window does.
    void ConvertFile(const QString& source);
    // Several files or folders: one output folder, one conversion after
    // another, one summary.
    void ConvertFiles(const QStringList& sources);
    void QuitButtonClick();
    void ShowAbout();
    // The program is leaving: a load or save under way finishes, nothing
    // further is asked or converted, and the window closes then.
    void CloseWhenDone() { FCloseWhenDone = true; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Closes the window if the user asked for it while a conversion ran;
    // true when it did.
    bool CloseIfAsked();
    // Converts the files of a batch that are still pending, one by one,
    // until all are done or the user closes the window.
    void RunBatch(std::vector<CBatchItem>& items);
    // Label1 with lines that fit it, instead of the explanation.
    void ShowOutcome(const QStringList& lines);
    void RestoreExplanation();
    // After a load that found the file corrupted: asks whether to recover
    // what can be read, and if so where to save it, then shows what was
    // recovered and lost.
    void OfferRecovery(const QString& source);

    CDialogs& FDialogs;
    bool FCloseWhenDone = false;
    // What every conversion the window runs is given.
    CFeedback* FFeedback = nullptr;
    CConversionLimits FLimits;
};

}  // namespace transvane
