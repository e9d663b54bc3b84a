// The converter window: four lines of explanation, Convert and Quit.
#pragma once

#include <QWidget>

class CDialogs;
class QAction;
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
    // What Label1 says for a few seconds after a successful conversion:
    // the new file, and the backup when an earlier file was kept as one.
    static QString ConfirmationText(const QString& target, const QString& backup);

signals:
    // A conversion begins once a file has been chosen, and ends after its
    // save or at the step that stopped it; source is the chosen file.
    void ConversionStarted();
    void ConversionFinished(const QString& source);

public slots:
    void ConvertButtonClick();
    void QuitButtonClick();
    void ShowAbout();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ConfirmConversion(const QString& target, const QString& backup);
    void RestoreExplanation();

    CDialogs& FDialogs;
};
