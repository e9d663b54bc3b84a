#include "gui/app/Progress_Form.h"

#include <QFrame>
#include <QLabel>
#include <QProgressBar>

#include "gui/app/Support_Window.h"

namespace transvane {

TProgressForm::TProgressForm(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      Panel(new QFrame(this)),
      FileLabel(new QLabel(Panel)),
      ProgressLabel(new QLabel(QStringLiteral("LOADING  please wait ..."), Panel)),
      ProgressBar(new QProgressBar(Panel)) {
    setObjectName(QStringLiteral("ProgressForm"));
    setWindowTitle(QStringLiteral("Progress"));
    setFont(ConverterFont(11));
    // It reports, it does not take the keyboard from the window it covers.
    setAttribute(Qt::WA_ShowWithoutActivating);

    Panel->setObjectName(QStringLiteral("Panel"));
    Panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel->setLineWidth(1);

    FileLabel->setObjectName(QStringLiteral("FileLabel"));
    FileLabel->setTextFormat(Qt::PlainText);
    FileLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    FileLabel->setGeometry(8, 8, 281, 17);

    ProgressLabel->setObjectName(QStringLiteral("ProgressLabel"));
    ProgressLabel->setFont(ConverterFont(13, true));
    ProgressLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    ShowFile(QString());
}

void TProgressForm::ShowFile(const QString& text) {
    // The file's line pushes the usual two down by its own height.
    const int shift = text.isEmpty() ? 0 : 20;
    FileLabel->setText(FileLabel->fontMetrics().elidedText(text, Qt::ElideMiddle, FileLabel->width()));
    FileLabel->setVisible(!text.isEmpty());
    setFixedSize(299, 69 + shift);
    Panel->setGeometry(rect());
    ProgressLabel->setGeometry(8, 8 + shift, 281, 25);
    ProgressBar->setGeometry(8, 40 + shift, 281, 17);
}

}  // namespace transvane
