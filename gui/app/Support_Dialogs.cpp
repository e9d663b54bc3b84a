#include "gui/app/Support_Dialogs.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>

namespace {

const QString VantrelFilter = QStringLiteral("Vantrel files (*.vtr)");
const QString BackupFilter =
    QStringLiteral("Backup Files (*.vk1 *.vk2 *.vk3 *.vk4 *.vk5 *.vk6 *.vk7 *.vk8 *.vk9)");
// A project renamed by hand (or a backup of an older tool) is still a project.
const QString AllFilesFilter = QStringLiteral("All files (*)");

const QString OpenFolderKey = QStringLiteral("FileOpenDialog/Folder");

std::optional<QString> RunFileDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return std::nullopt;
    return files.front();
}

}  // namespace

std::unique_ptr<QFileDialog> CStandardDialogs::MakeOpenDialog(QWidget* parent) {
    auto dialog = std::make_unique<QFileDialog>(parent, QStringLiteral("Version 4 file to convert"));
    dialog->setObjectName(QStringLiteral("FileOpenDialog"));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilters({VantrelFilter, BackupFilter, AllFilesFilter});
    dialog->setDefaultSuffix(QStringLiteral("vtr"));
    // Without a remembered folder the platform's own choice applies.
    const QString folder = RememberedOpenFolder();
    if (!folder.isEmpty())
        dialog->setDirectory(folder);
    return dialog;
}

std::unique_ptr<QFileDialog> CStandardDialogs::MakeSaveDialog(QWidget* parent, const QString& preset) {
    auto dialog =
        std::make_unique<QFileDialog>(parent, QStringLiteral("Name of the new version 5 file"));
    dialog->setObjectName(QStringLiteral("FileSaveDialog"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilters({VantrelFilter});
    dialog->setDefaultSuffix(QStringLiteral("vtr"));
    // The dialog itself asks before an existing file is replaced.
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    if (!preset.isEmpty())
        dialog->selectFile(preset);
    return dialog;
}

std::unique_ptr<QMessageBox> CStandardDialogs::MakeMessageBox(QWidget* parent, const QString& text) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, ApplicationTitle, text,
                                             QMessageBox::Ok, parent);
    box->setWindowModality(Qt::ApplicationModal);
    box->setTextFormat(Qt::PlainText);
    return box;
}

std::unique_ptr<QMessageBox> CStandardDialogs::MakeMessageOfSeveralBox(QWidget* parent, const QString& text) {
    auto box = MakeMessageBox(parent, text);
    auto* check = new QCheckBox(NoMoreMessagesText);  // owned by the box
    check->setObjectName(QStringLiteral("NoMoreMessages"));
    box->setCheckBox(check);
    return box;
}

std::unique_ptr<QMessageBox> CStandardDialogs::MakeSummaryBox(QWidget* parent, const QString& summary,
                                                              const QString& details) {
    auto box = MakeMessageBox(parent, summary);
    // The details section is a read-only text the user can select and copy.
    box->setDetailedText(details);
    return box;
}

std::optional<QString> CStandardDialogs::AskFileToOpen(QWidget* parent) {
    std::optional<QString> file = RunFileDialog(*MakeOpenDialog(parent));
    if (file)
        RememberOpenFolder(*file);
    return file;
}

std::optional<QString> CStandardDialogs::AskFileToSave(QWidget* parent, const QString& preset) {
    return RunFileDialog(*MakeSaveDialog(parent, preset));
}

void CStandardDialogs::ShowMessage(QWidget* parent, const QString& text) {
    MakeMessageBox(parent, text)->exec();
}

bool CStandardDialogs::ShowMessageOfSeveral(QWidget* parent, const QString& text) {
    const auto box = MakeMessageOfSeveralBox(parent, text);
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
