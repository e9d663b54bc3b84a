#include "gui/app/Support_Dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

namespace transvane {

namespace {

const QString VantrelFilter = QStringLiteral("Vantrel files (*.vtr)");
const QString BackupFilter = QStringLiteral("Backup Files (*.vk1 *.vk2 *.vk3 *.vk4 *.vk5 *.vk6 *.vk7 *.vk8 *.vk9)");
// A project renamed by hand (or a backup of an older tool) is still a project.
const QString AllFilesFilter = QStringLiteral("All files (*)");

const QString OpenFolderKey = QStringLiteral("FileOpenDialog/Folder");

QStringList RunFileDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

std::optional<QString> RunOneFileDialog(QFileDialog& dialog) {
    const QStringList files = RunFileDialog(dialog);
    if (files.isEmpty())
        return std::nullopt;
    return files.front();
}

}  // namespace

std::unique_ptr<QFileDialog> CStandardDialogs::MakeOpenDialog(QWidget* parent) {
    auto dialog = std::make_unique<QFileDialog>(parent, QStringLiteral("Version 4 file to convert"));
    dialog->setObjectName(QStringLiteral("FileOpenDialog"));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    // Several files convert one after another into one folder.
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setNameFilters({VantrelFilter, BackupFilter, AllFilesFilter});
    dialog->setDefaultSuffix(QStringLiteral("vtr"));
    // Without a remembered folder the platform's own choice applies.
    const QString folder = RememberedOpenFolder();
    if (!folder.isEmpty())
        dialog->setDirectory(folder);
    return dialog;
}

std::unique_ptr<QFileDialog> CStandardDialogs::MakeSaveDialog(QWidget* parent, const QString& preset) {
    auto dialog = std::make_unique<QFileDialog>(parent, QStringLiteral("Name of the new version 5 file"));
    dialog->setObjectName(QStringLiteral("FileSaveDialog"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilters({VantrelFilter});
    dialog->setDefaultSuffix(QStringLiteral("vtr"));
    // The toolkit's question cannot say which backup keeps the replaced
    // file; AskFileToSave asks its own.
    dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!preset.isEmpty())
        dialog->selectFile(preset);
    return dialog;
}

std::unique_ptr<QFileDialog> CStandardDialogs::MakeFolderDialog(QWidget* parent) {
    auto dialog = std::make_unique<QFileDialog>(parent, QStringLiteral("Folder for the new version 5 files"));
    dialog->setObjectName(QStringLiteral("FolderDialog"));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly, true);
    const QString folder = RememberedOpenFolder();
    if (!folder.isEmpty())
        dialog->setDirectory(folder);
    return dialog;
}

std::unique_ptr<QMessageBox> CStandardDialogs::MakeQuestionBox(QWidget* parent, const QString& question) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Question, ApplicationTitle, question,
                                             QMessageBox::Yes | QMessageBox::No, parent);
    box->setWindowModality(Qt::ApplicationModal);
    box->setTextFormat(Qt::PlainText);
    // Replacing is the step that needs a deliberate answer.
    box->setDefaultButton(QMessageBox::No);
    return box;
}

std::unique_ptr<QMessageBox> CStandardDialogs::MakeMessageBox(QWidget* parent, const QString& text,
                                                              const QStringList& context) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, ApplicationTitle, text, QMessageBox::Ok, parent);
    box->setWindowModality(Qt::ApplicationModal);
    box->setTextFormat(Qt::PlainText);
    // The message stays one exact line; its file, place and cause go below.
    box->setInformativeText(context.join(QLatin1Char('\n')));
    // A file name is shown as it stands, even one that looks like markup.
    if (auto* informative = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        informative->setTextFormat(Qt::PlainText);
    return box;
}

std::unique_ptr<QMessageBox> CStandardDialogs::MakeMessageOfSeveralBox(QWidget* parent, const QString& text,
                                                                       const QStringList& context) {
    auto box = MakeMessageBox(parent, text, context);
    auto* check = new QCheckBox(NoMoreMessagesText);  // owned by the box
    check->setObjectName(QStringLiteral("NoMoreMessages"));
    box->setCheckBox(check);
    return box;
}

TSummaryDialog::TSummaryDialog(QWidget* parent, const QString& summary, const QString& details)
    : QDialog(parent), SummaryLabel(new QLabel(summary, this)), Details(new QPlainTextEdit(details, this)) {
    setObjectName(QStringLiteral("SummaryDialog"));
    setWindowTitle(ApplicationTitle);
    setWindowModality(Qt::ApplicationModal);
    setSizeGripEnabled(true);

    SummaryLabel->setObjectName(QStringLiteral("SummaryLabel"));
    SummaryLabel->setTextFormat(Qt::PlainText);
    SummaryLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Details->setObjectName(QStringLiteral("Details"));
    Details->setReadOnly(true);
    // Lines as they were reported: a place or a file name is not broken.
    Details->setLineWrapMode(QPlainTextEdit::NoWrap);
    Details->setMinimumWidth(MinimumDetailsWidth);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SummaryLabel);
    layout->addWidget(Details, 1);
    layout->addWidget(buttons);
    ok->setFocus();
}

std::unique_ptr<TSummaryDialog> CStandardDialogs::MakeSummaryBox(QWidget* parent, const QString& summary,
                                                                 const QString& details) {
    return std::make_unique<TSummaryDialog>(parent, summary, details);
}

QString ReplaceQuestion(const QString& target, const QString& keptAs) {
    return QStringLiteral("%1 already exists. Replace it? The current file will be kept as %2.")
        .arg(QFileInfo(target).fileName(), QFileInfo(keptAs).fileName());
}

QStringList CStandardDialogs::AskFilesToOpen(QWidget* parent) {
    const QStringList files = RunFileDialog(*MakeOpenDialog(parent));
    if (!files.isEmpty())
        RememberOpenFolder(files.front());
    return files;
}

std::optional<QString> CStandardDialogs::AskFileToSave(QWidget* parent, const QString& preset,
                                                       const CKeptAsName& keptAs) {
    // No to the question brings the dialog back with the same name, as the
    // toolkit's own question does.
    QString offered = preset;
    for (;;) {
        const std::optional<QString> file = RunOneFileDialog(*MakeSaveDialog(parent, offered));
        if (!file || !QFileInfo::exists(*file))
            return file;
        const QString kept = keptAs ? keptAs(*file) : QString();
        if (kept.isEmpty() || AskYesNo(parent, ReplaceQuestion(*file, kept)))
            return file;
        offered = *file;
    }
}

std::optional<QString> CStandardDialogs::AskOutputFolder(QWidget* parent) {
    return RunOneFileDialog(*MakeFolderDialog(parent));
}

bool CStandardDialogs::AskYesNo(QWidget* parent, const QString& question) {
    return MakeQuestionBox(parent, question)->exec() == QMessageBox::Yes;
}

void CStandardDialogs::ShowMessage(QWidget* parent, const QString& text, const QStringList& context) {
    MakeMessageBox(parent, text, context)->exec();
}

bool CStandardDialogs::ShowMessageOfSeveral(QWidget* parent, const QString& text, const QStringList& context) {
    const auto box = MakeMessageOfSeveralBox(parent, text, context);
    box->exec();
    return box->checkBox()->isChecked();
}

void CStandardDialogs::ShowSummary(QWidget* parent, const QString& summary, const QString& details) {
    MakeSummaryBox(parent, summary, details)->exec();
}

QString RememberedOpenFolder() {
    const QString folder = QSettings().value(OpenFolderKey).toString();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return {};
    return folder;
}

void RememberOpenFolder(const QString& fileName) {
    QSettings().setValue(OpenFolderKey, QFileInfo(fileName).absolutePath());
}

}  // namespace transvane
