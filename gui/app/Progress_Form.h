// The borderless window that shows what a load or a save is doing, and in a
// conversion of several files, which file it is at.
#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QProgressBar;

namespace transvane {

class TProgressForm final : public QWidget {
    Q_OBJECT

public:
    explicit TProgressForm(QWidget* parent = nullptr);

    // The line of the file at work ("game.vtr (2 of 5)"), shown above the
    // others while several files are converted; empty: one file, and the
    // window has its usual size.
    void ShowFile(const QString& text);

    QFrame* Panel;
    QLabel* FileLabel;
    QLabel* ProgressLabel;
    QProgressBar* ProgressBar;
};

}  // namespace transvane
