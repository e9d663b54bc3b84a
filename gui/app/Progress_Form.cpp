#include "gui/app/Progress_Form.h"

#include <QFrame>
#include <QLabel>
#include <QProgressBar>

#include "gui/app/Support_Window.h"

TProgressForm::TProgressForm(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      Panel(new QFrame(this)),
      ProgressLabel(new QLabel(QStringLiteral("LOADING  please wait ..."), Panel)),
      ProgressBar(new QProgressBar(Panel)) {
    setObjectName(QStringLiteral("ProgressForm"));
    setWindowTitle(QStringLiteral("Progress"));
    setFont(ConverterFont(11));
    setFixedSize(299, 69);
    // It reports, it does not take the keyboard from the window it covers.
    setAttribute(Qt::WA_ShowWithoutActivating);

    Panel->setObjectName(QStringLiteral("Panel"));
    Panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel->setLineWidth(1);
    Panel->setGeometry(rect());

    ProgressLabel->setObjectName(QStringLiteral("ProgressLabel"));
    ProgressLabel->setFont(ConverterFont(13, true));
    ProgressLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    ProgressLabel->setGeometry(8, 8, 281, 25);

    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    ProgressBar->setGeometry(8, 40, 281, 17);
}
