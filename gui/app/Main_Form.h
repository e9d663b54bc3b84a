// The converter window: four lines of explanation, Convert and Quit.  A
// project file dropped onto it is converted as one picked with Convert.
#pragma once

#include <QWidget>

class CDialogs;
class CPendingFiles;
class QAction;
class QMimeData;
class QLabel;
class QPushButton;
class QTimer;

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
    // Brings back the four lines after a success was confirmed in Label1.
    QTimer* ConfirmationTimer;
    static constexpr int ConfirmationMilliseconds = 8000;

    // The four lines of Label1.
    static QStringList Explanation();
    // What the about box says: the program, its version and its job.
    static QString AboutText();
    // The one local file a drag carries, or empty when it carries anything
    // else (several files, a folder, text, a remote address).
    static QString DroppedFile(const QMimeData& data);
    // What Label1 says for a few seconds after a successful conversion:
    // the new file, and the backup when an earlier file was kept as one.
    static QString ConfirmationText(const QString& target, const QString& backup);
    // Where the window's saves note their temporary files for the program's
    // signal handler; nullptr: nowhere.
    void SetPendingFiles(CPendingFiles* pending) { FPendingFiles = pending; }

signals:
    // A conversion begins once a file has been chosen, and ends after its
    // save or at the step that stopped it; source is the chosen file.
    void ConversionStarted();
    void ConversionFinished(const QString& source);

public slots:
    void ConvertButtonClick();
    // Everything after the open dialog: load source, ask for the new name,
    // save.  Also what a file given at start-up or dropped on the window does.
    void ConvertFile(const QString& source);
    void QuitButtonClick();
    void ShowAbout();

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
    void ConfirmConversion(const QString& target, const QString& backup);
    void RestoreExplanation();

    CDialogs& FDialogs;
    bool FCloseWhenDone = false;
    CPendingFiles* FPendingFiles = nullptr;
};
