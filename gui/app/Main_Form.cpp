#include "gui/app/Main_Form.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <optional>
#include <string>

#include "gui/app/Support_Batch.h"
#include "gui/app/Support_Dialogs.h"
#include "gui/app/Support_Feedback.h"
#include "gui/app/Support_Window.h"
#include "project/Batch_Plan.h"
#include "project/Conversion.h"
#include "project/Resource_Main.h"
#include "format/core/Support_File.h"
#include "format/core/Support_SafeSave.h"

namespace transvane {

namespace {

// File names go to the core in the file system's own encoding.
std::string ToCoreFileName(const QString& name) { return QFile::encodeName(name).toStdString(); }

QString FromCoreFileName(const std::string& name) { return QFile::decodeName(QByteArray::fromStdString(name)); }

// The backup a save onto target keeps the present target as, in the save's
// own words; empty when it keeps none.
QString KeptAsName(const QString& target) { return FromCoreFileName(BackupKeptAs(ToCoreFileName(target))); }

// One question for all the outputs of a batch that exist already.
QString ExistingOutputsQuestion(std::size_t count, const QString& folder) {
    const QString files = count == 1 ? QStringLiteral("1 of the new files already exists")
                                     : QStringLiteral("%1 of the new files already exist").arg(count);
    return QStringLiteral("%1 in %2. Replace them? Each file replaced is kept as its backup.").arg(files, folder);
}

}  // namespace

TMainForm::TMainForm(CDialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      Label1(new QLabel(this)),
      ConvertButton(new QPushButton(QStringLiteral("Convert"), this)),
      QuitButton(new QPushButton(QStringLiteral("Quit"), this)),
      AboutAction(new QAction(QStringLiteral("About Transvane"), this)),
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

QStringList TMainForm::DroppedFiles(const QMimeData& data) {
    QStringList files;
    for (const QUrl& url : data.urls()) {
        if (!url.isLocalFile())
            return {};
        files << url.toLocalFile();
    }
    return files;
}

QString TMainForm::ProposedTarget(const QString& source) {
    const QString full = QFileInfo(source).absoluteFilePath();
    return IsBackupName(ToCoreFileName(full)) ? FromCoreFileName(ProjectNameOf(ToCoreFileName(full))) : full;
}

QString TMainForm::RecoveredTarget(const QString& source) {
    const QFileInfo file(source);
    return file.absoluteDir().filePath(file.completeBaseName() + QStringLiteral(" (recovered).vtr"));
}

void TMainForm::OfferRecovery(const QString& source) {
    if (!FDialogs.AskYesNo(this, QStringLiteral("Recover what can be read from this file?")))
        return;
    CConversion recovery(FFeedback, FLimits);
    {
        CWaitCursor wait;
        if (!recovery.Recover(ToCoreFileName(source)))
            return;
    }
    // As after a conversion, the user may try another name until the save
    // succeeds or is cancelled; the damaged file itself is never written.
    for (;;) {
        // The damaged file is refused below rather than offered for replacing.
        const std::optional<QString> target =
            FDialogs.AskFileToSave(this, RecoveredTarget(source), [&](const QString& file) {
                return SameFile(ToCoreFileName(file), ToCoreFileName(source)) ? QString() : KeptAsName(file);
            });
        if (!target)
            return;
        if (SameFile(ToCoreFileName(*target), ToCoreFileName(source))) {
            FDialogs.ShowMessage(this, QString::fromUtf8(RecoveryOntoSource), {QStringLiteral("file: ") + *target});
            continue;
        }
        bool saved = false;
        {
            CWaitCursor wait;
            saved = recovery.Save(ToCoreFileName(*target));
        }
        if (saved) {
            const CRecoveryReport& report = *recovery.Result().Recovery;
            QStringList details;
            for (const std::string& line : RecoverySummaryLines(report, recovery.Result().Report))
                details << QString::fromStdString(line);
            FDialogs.ShowSummary(this, QString::fromStdString(RecoveredIntoLine(report, target->toStdString())),
                                 details.join(QLatin1Char('\n')));
            return;
        }
        if (FCloseWhenDone || CloseIfAsked())
            return;
    }
}

QString TMainForm::ConfirmationText(const QString& target, const QString& backup, qsizetype warnings) {
    const QString outcome = warnings == 0   ? QStringLiteral("Converted, no warnings.")
                            : warnings == 1 ? QStringLiteral("Converted with 1 warning.")
                                            : QStringLiteral("Converted with %1 warnings.").arg(warnings);
    QString text = outcome + QStringLiteral(" The new version 5 file is\n%1").arg(target);
    if (!backup.isEmpty())
        text += QStringLiteral("\nThe earlier file was kept as\n%1").arg(backup);
    return text;
}

void TMainForm::ConvertButtonClick() {
    const QStringList sources = FDialogs.AskFilesToOpen(this);
    if (sources.size() == 1)
        ConvertFile(sources.front());
    else if (!sources.isEmpty())
        ConvertFiles(sources);
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
    bool unchanged = false;
    QString keptAs;
    std::size_t warnings = 0;
    bool corrupted = false;
    [&] {
        const CFinish finish{*this, source};
        // The project lives as long as this conversion; messages and
        // progress go to the window's feedback.
        CConversion conversion(FFeedback, FLimits);
        bool loaded = false;
        {
            CWaitCursor wait;
            loaded = conversion.Load(ToCoreFileName(source));
        }
        const std::vector<std::string>& said = conversion.Result().Messages;
        // Only a file whose header was read holds anything to recover.
        corrupted = !loaded && conversion.Result().Summary.Version != 0 && !said.empty() &&
                    said.back() == "Error Loading: File seems to be corrupted.";
        if (!loaded || FCloseWhenDone)
            return;  // the load has said why, or the user is leaving

        // Saving a version-5 file onto itself writes nothing and keeps
        // nothing; anything else keeps what it replaces.
        const bool current = conversion.Result().Summary.Version == NewestGameVersion;
        const CKeptAsName keptAsName = [&](const QString& file) {
            const bool itself = SameFile(ToCoreFileName(file), ToCoreFileName(source));
            return current && itself ? QString() : KeptAsName(file);
        };
        const std::size_t loadMessages = conversion.Result().Messages.size();
        // The project stays loaded while the user picks the target, and
        // after a save that failed (which has shown its own message): the
        // user may try another name until the save succeeds or is cancelled.
        for (;;) {
            target = FDialogs.AskFileToSave(this, ProposedTarget(source), keptAsName);
            if (!target)
                return;
            const std::size_t before = conversion.Result().Messages.size();
            {
                CWaitCursor wait;
                saved = conversion.Save(ToCoreFileName(*target));
            }
            if (saved) {
                warnings = loadMessages + (conversion.Result().Messages.size() - before);
                unchanged = conversion.Result().Unchanged;
                keptAs = FromCoreFileName(conversion.Result().KeptAs);
                return;
            }
            if (FCloseWhenDone)
                return;
        }
    }();
    if (CloseIfAsked())
        return;
    if (corrupted)
        OfferRecovery(source);
    if (!saved)
        return;
    // Success needs no box to click away: the window says it until the
    // next conversion.
    const QFontMetrics metrics(Label1->font());
    const auto fit = [&](const QString& name) { return metrics.elidedText(name, Qt::ElideMiddle, Label1->width()); };
    if (unchanged) {
        const QString line = QStringLiteral(" was already version 5; left unchanged");
        ShowOutcome({metrics.elidedText(QFileInfo(*target).fileName(), Qt::ElideMiddle,
                                        Label1->width() - metrics.horizontalAdvance(line)) +
                         line,
                     fit(*target)});
        return;
    }
    ShowOutcome(
        ConfirmationText(fit(*target), keptAs.isEmpty() ? QString() : fit(keptAs), static_cast<qsizetype>(warnings))
            .split(QLatin1Char('\n')));
}

void TMainForm::ConvertFiles(const QStringList& sources) {
    RestoreExplanation();
    const std::optional<QString> folder = FDialogs.AskOutputFolder(this);
    if (!folder)
        return;
    std::vector<CBatchItem> items = PlanBatch(sources, *folder);
    if (items.empty()) {
        FDialogs.ShowMessage(this, QStringLiteral("Nothing to convert: no .vtr file was found."), sources);
        return;
    }
    // One question for all outputs that exist: each replaced file is kept
    // as a backup, as a single conversion does.
    const std::vector<CBatchItem*> existing = ExistingOutputs(items);
    if (!existing.empty() && !FDialogs.AskYesNo(this, ExistingOutputsQuestion(OutputCount(existing), *folder)))
        for (CBatchItem* item : existing) {
            item->Outcome = CBatchItem::EOutcome::Skipped;
            item->Lines << QStringLiteral("skipped: %1 already exists").arg(item->Output);
        }

    emit BatchStarted();
    RunBatch(items);
    emit BatchFinished();
    if (CloseIfAsked())
        return;
    const QFontMetrics metrics(Label1->font());
    ShowOutcome({metrics.elidedText(BatchCounts(items), Qt::ElideRight, Label1->width()),
                 QStringLiteral("The new version 5 files are in"),
                 metrics.elidedText(*folder, Qt::ElideMiddle, Label1->width())});
    CArrowCursor arrow;
    FDialogs.ShowSummary(this, BatchSummary(items), BatchDetails(items));
}

void TMainForm::RunBatch(std::vector<CBatchItem>& items) {
    const auto pending = [](const CBatchItem& item) { return item.Outcome == CBatchItem::EOutcome::Pending; };
    int number = 0;
    for (std::size_t index = 0; index < items.size(); ++index) {
        CBatchItem& item = items[index];
        if (!pending(item))
            continue;
        if (FCloseWhenDone) {
            item.Outcome = CBatchItem::EOutcome::NotStarted;
            continue;
        }
        if (RefuseIfOutputTaken(items, index))
            continue;
        // Counted again for each file: a file refused for a name an earlier
        // one wrote is never at work, and is no file "of" the run.
        emit BatchFileStarted(item.Source, number + 1, number + static_cast<int>(FilesToTry(items)));
        ++number;
        CConversion conversion(FFeedback, FLimits);
        CWaitCursor wait;
        bool converted = conversion.Load(ToCoreFileName(item.Source));
        // A source folder's sub-folders are made under the output folder.
        const bool folderMade = !converted || QDir().mkpath(QFileInfo(item.Output).path());
        converted = converted && folderMade && !item.Output.isEmpty() && conversion.Save(ToCoreFileName(item.Output));
        const CConversionResult& result = conversion.Result();
        item.Lines << ReportLines(result.Report);
        if (!folderMade)
            item.Lines
                << QStringLiteral("Not converted: the folder %1 cannot be created.").arg(QFileInfo(item.Output).path());
        if (!converted) {
            item.Outcome = CBatchItem::EOutcome::Failed;
        } else {
            item.Outcome = result.Unchanged ? CBatchItem::EOutcome::Unchanged : CBatchItem::EOutcome::Converted;
            item.Warnings = static_cast<int>(result.Messages.size());
            if (!result.KeptAs.empty())
                item.Lines << QStringLiteral("The earlier file was kept as %1").arg(FromCoreFileName(result.KeptAs));
        }
    }
}

bool TMainForm::CloseIfAsked() {
    if (!FCloseWhenDone)
        return false;
    FCloseWhenDone = false;
    close();
    return true;
}

void TMainForm::ShowOutcome(const QStringList& lines) { Label1->setText(lines.join(QLatin1Char('\n'))); }

void TMainForm::RestoreExplanation() { Label1->setText(Explanation().join(QLatin1Char('\n'))); }

void TMainForm::QuitButtonClick() { close(); }

void TMainForm::ShowAbout() { FDialogs.ShowMessage(this, AboutText()); }

void TMainForm::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // A focused button takes Enter itself; anywhere else it converts.
        ConvertButton->click();
        break;
    case Qt::Key_Escape: QuitButton->click(); break;
    default: QWidget::keyPressEvent(event);
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
    if (isEnabled() && !DroppedFiles(*event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TMainForm::dragMoveEvent(QDragMoveEvent* event) {
    if (isEnabled() && !DroppedFiles(*event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
    const QStringList files = DroppedFiles(*event->mimeData());
    if (!isEnabled() || files.isEmpty())
        return;
    event->acceptProposedAction();
    // The conversion asks questions in modal dialogs: it starts once the
    // drop is over, so that the program the files came from is not kept
    // waiting for the end of the drag.
    QTimer::singleShot(0, this, [this, files] {
        if (files.size() == 1 && !QFileInfo(files.front()).isDir())
            ConvertFile(files.front());
        else
            ConvertFiles(files);
    });
}

}  // namespace transvane
