// The converter window: four lines of explanation, Convert and Quit.
#pragma once

#include <QWidget>

class CDialogs;
class QAction;
class QLabel;
class QPushButton;

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

public slots:
    void ConvertButtonClick();
    void QuitButtonClick();
    void ShowAbout();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Closes the window if the user asked for it while a conversion ran;
    // true when it did.
    bool CloseIfAsked();

    CDialogs& FDialogs;
    bool FCloseWhenDone = false;
};
