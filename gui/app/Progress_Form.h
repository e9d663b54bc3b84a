// The borderless window that shows what a load or a save is doing.
#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QProgressBar;

class TProgressForm final : public QWidget {
    Q_OBJECT

public:
    explicit TProgressForm(QWidget* parent = nullptr);

    QFrame* Panel;
    QLabel* ProgressLabel;
    QProgressBar* ProgressBar;
};
