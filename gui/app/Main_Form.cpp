#include "gui/app/Main_Form.h"

#include <QAction>
#include <QCloseEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <optional>
#include <string>

#include "gui/app/Support_Dialogs.h"
#include "gui/app/Support_Window.h"
#include "project/Conversion.h"

namespace {

// File names go to the core in the file system's own encoding.
std::string ToCoreFileName(const QString& name) { return QFile::encodeName(name).toStdString(); }

}  // namespace

TMainForm::TMainForm(CDialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      Label1(new QLabel(this)),
      ConvertButton(new QPushButton(QStringLiteral("Convert"), this)),
      QuitButton(new QPushButton(QStringLiteral("Quit"), this)),
      AboutAction(new QAction(QStringLiteral("About Transvane"), this)),
      ConfirmationTimer(new QTimer(this)),
      FDialogs(dialogs) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Vantrel 4 to 5 Converter"));
    setFixedSize(316, 113);
    setFont(ConverterFont(11));

    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setText(Explanation().join(QLatin1Char('\n')));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setGeometry(8, 16, 297, 52);
    // Where the preferred face is missing, a wider one must not cut off the
    // ends of the lines.
    Label1->setFont(FitFontToWidth(font(), Explanation(), Label1->width()));

    ConvertButton->setObjectName(QStringLiteral("ConvertButton"));
    ConvertButton->setGeometry(40, 80, 75, 25);
    ConvertButton->setDefault(true);
    ConvertButton->setAutoDefault(true);
    QuitButton->setObjectName(QStringLiteral("QuitButton"));
    QuitButton->setGeometry(208, 80, 75, 25);
    QuitButton->setAutoDefault(true);
    ConvertButton->setFocus();

    connect(ConvertButton, &QPushButton::clicked, this, &TMainForm::ConvertButtonClick);
    connect(QuitButton, &QPushButton::clicked, this, &TMainForm::QuitButtonClick);

    // The version sits behind the window's context menu and F1, out of the
    // way of the two buttons.
    AboutAction->setObjectName(QStringLiteral("AboutAction"));
    AboutAction->setShortcut(QKeySequence(Qt::Key_F1));
    connect(AboutAction, &QAction::triggered, this, &TMainForm::ShowAbout);
    addAction(AboutAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    setAcceptDrops(true);
    ConfirmationTimer->setObjectName(QStringLiteral("ConfirmationTimer"));
    ConfirmationTimer->setSingleShot(true);
    ConfirmationTimer->setInterval(ConfirmationMilliseconds);
    connect(ConfirmationTimer, &QTimer::timeout, this, &TMainForm::RestoreExplanation);
}

QStringList TMainForm::Explanation() {
    return {
        QStringLiteral("This program converts Vantrel 4.x files into version 5 files."),
        QStringLiteral("To convert a file click on the Convert button. Give the name of"),
        QStringLiteral("the file to be converted and next the name of the new file in"),
        QStringLiteral("which to save it."),
    };
}

QString TMainForm::AboutText() {
    return QStringLiteral("Transvane %1\n\nConverts Vantrel 4.x project files into version 5 files.")
        .arg(QStringLiteral(TRANSVANE_VERSION));
}

QString TMainForm::DroppedFile(const QMimeData& data) {
    if (!data.hasUrls() || data.urls().size() != 1 || !data.urls().front().isLocalFile())
        return {};
    const QString file = data.urls().front().toLocalFile();
    return QFileInfo(file).isDir() ? QString() : file;
}

QString TMainForm::ConfirmationText(const QString& target, const QString& backup) {
    QString text = QStringLiteral("Converted. The new version 5 file is\n%1").arg(target);
    if (!backup.isEmpty())
        text += QStringLiteral("\nThe earlier file was kept as\n%1").arg(backup);
    return text;
}

void TMainForm::ConvertButtonClick() {
    const std::optional<QString> source = FDialogs.AskFileToOpen(this);
    if (source)
        ConvertFile(*source);
}

void TMainForm::ConvertFile(const QString& source) {
    RestoreExplanation();
    emit ConversionStarted();
    // Whichever step ends the conversion, its end is signalled.
    struct CFinish {
        TMainForm& Form;
        const QString& Source;
        ~CFinish() { emit Form.ConversionFinished(Source); }
    };
    std::optional<QString> target;
    bool saved = false;
    std::string keptAs;
    [&] {
        const CFinish finish{*this, source};
        // The project lives as long as this conversion; messages and
        // progress go to the window's feedback.
        CConversion conversion(GetFeedback());
        bool loaded = false;
        {
            CWaitCursor wait;
            loaded = conversion.Load(ToCoreFileName(source));
        }
        if (!loaded || FCloseWhenDone)
            return;  // the load has said why, or the user is leaving

        // The project stays loaded while the user picks the target.
        target = FDialogs.AskFileToSave(this, QFileInfo(source).absoluteFilePath());
        if (!target)
            return;
        CWaitCursor wait;
        // A failed save has shown its own message.
        saved = conversion.Save(ToCoreFileName(*target));
        keptAs = conversion.Result().KeptAs;
    }();
    if (CloseIfAsked())
        return;
    // Success needs no box to click away: the window says it for a while.
    if (saved)
        ConfirmConversion(*target, QString::fromStdString(keptAs));
}

bool TMainForm::CloseIfAsked() {
    if (!FCloseWhenDone)
        return false;
    FCloseWhenDone = false;
    close();
    return true;
}

void TMainForm::ConfirmConversion(const QString& target, const QString& backup) {
    const QFontMetrics metrics(Label1->font());
    const auto fit = [&](const QString& name) { return metrics.elidedText(name, Qt::ElideMiddle, Label1->width()); };
    Label1->setText(ConfirmationText(fit(target), backup.isEmpty() ? QString() : fit(backup)));
    ConfirmationTimer->start();
}

void TMainForm::RestoreExplanation() {
    ConfirmationTimer->stop();
    Label1->setText(Explanation().join(QLatin1Char('\n')));
}

void TMainForm::QuitButtonClick() { close(); }

void TMainForm::ShowAbout() { FDialogs.ShowMessage(this, AboutText()); }

void TMainForm::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // A focused button takes Enter itself; anywhere else it converts.
        ConvertButton->click();
        break;
    case Qt::Key_Escape:
        QuitButton->click();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // While a load or a save runs the window is disabled; the window
    // manager may still ask it to close.  A save cut off halfway would
    // leave a temporary file and no result, so the request waits: the
    // running load or save finishes, nothing further is asked, and the
    // window closes then.
    if (!isEnabled()) {
        FCloseWhenDone = true;
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (isEnabled() && !DroppedFile(*event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TMainForm::dragMoveEvent(QDragMoveEvent* event) {
    if (isEnabled() && !DroppedFile(*event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
    const QString file = DroppedFile(*event->mimeData());
    if (!isEnabled() || file.isEmpty())
        return;
    event->acceptProposedAction();
    // The conversion asks questions in modal dialogs: it starts once the
    // drop is over, so that the program the file came from is not kept
    // waiting for the end of the drag.
    QTimer::singleShot(0, this, [this, file] { ConvertFile(file); });
}
