// The questions and boxes the converter window puts to the user.
//
// The main window asks through this small interface rather than opening
// dialogs itself, so that a test can answer in place of a person and drive
// whole conversions without a modal dialog blocking it.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QFileDialog;
class QLabel;
class QMessageBox;
class QPlainTextEdit;
class QWidget;

namespace transvane {

// The application title: the caption of every message box.
inline const QString ApplicationTitle = QStringLiteral("Transvane");
// The check box of a message after the first of one conversion.
inline const QString NoMoreMessagesText = QStringLiteral("Don't show more messages for this file");

// For an existing file the user chose to save over: the name of the backup
// that will hold what the file holds now, or empty when saving there
// replaces nothing.
using CKeptAsName = std::function<QString(const QString& target)>;

class CDialogs {
public:
    virtual ~CDialogs() = default;
    // The version-4 files to convert (one or several), or none when the
    // user cancels.
    virtual QStringList AskFilesToOpen(QWidget* parent) = 0;
    // The name of the new file, with preset offered first, or nothing when
    // the user cancels.  An existing file has already been confirmed, by a
    // question that names the backup keptAs gives for it.
    virtual std::optional<QString> AskFileToSave(QWidget* parent, const QString& preset, const CKeptAsName& keptAs) = 0;
    // The folder the new files of several conversions go to, or nothing
    // when the user cancels.
    virtual std::optional<QString> AskOutputFolder(QWidget* parent) = 0;
    // A question answered Yes (true) or No.
    virtual bool AskYesNo(QWidget* parent, const QString& question) = 0;
    // A modal box with the text, the lines of context below it (file,
    // place, cause ...; none for an empty list) and one OK button; returns
    // once closed.
    virtual void ShowMessage(QWidget* parent, const QString& text, const QStringList& context = {}) = 0;
    // The same box for a message after the first of one conversion, with
    // the check box "Don't show more messages for this file"; true when the
    // user ticked it.
    virtual bool ShowMessageOfSeveral(QWidget* parent, const QString& text, const QStringList& context) = 0;
    // The end of a conversion that gave several messages, or of several
    // conversions: one box with the summary, and every message with its
    // place, and what the conversions changed, as copyable text below it.
    virtual void ShowSummary(QWidget* parent, const QString& summary, const QString& details) = 0;
};

// The box that ends a conversion with several messages: the summary above,
// the details below in a read-only text the user can select and copy and
// the box can be resized for.  OK is the default button, so Enter closes it
// wherever the focus is.
class TSummaryDialog final : public QDialog {
    Q_OBJECT

public:
    static constexpr int MinimumDetailsWidth = 600;

    TSummaryDialog(QWidget* parent, const QString& summary, const QString& details);

    QLabel* SummaryLabel;
    QPlainTextEdit* Details;
};

// The toolkit's own file dialogs and message boxes.
class CStandardDialogs final : public CDialogs {
public:
    QStringList AskFilesToOpen(QWidget* parent) override;
    std::optional<QString> AskFileToSave(QWidget* parent, const QString& preset, const CKeptAsName& keptAs) override;
    std::optional<QString> AskOutputFolder(QWidget* parent) override;
    bool AskYesNo(QWidget* parent, const QString& question) override;
    void ShowMessage(QWidget* parent, const QString& text, const QStringList& context = {}) override;
    bool ShowMessageOfSeveral(QWidget* parent, const QString& text, const QStringList& context) override;
    void ShowSummary(QWidget* parent, const QString& summary, const QString& details) override;

    // The dialogs and the boxes, fully set up but not yet run.  The open
    // dialog starts in the remembered folder.
    static std::unique_ptr<QFileDialog> MakeOpenDialog(QWidget* parent);
    static std::unique_ptr<QFileDialog> MakeSaveDialog(QWidget* parent, const QString& preset);
    static std::unique_ptr<QFileDialog> MakeFolderDialog(QWidget* parent);
    static std::unique_ptr<QMessageBox> MakeQuestionBox(QWidget* parent, const QString& question);
    static std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const QString& text,
                                                       const QStringList& context = {});
    static std::unique_ptr<QMessageBox> MakeMessageOfSeveralBox(QWidget* parent, const QString& text,
                                                                const QStringList& context);
    static std::unique_ptr<TSummaryDialog> MakeSummaryBox(QWidget* parent, const QString& summary,
                                                          const QString& details);
};

// The question asked before target is replaced, naming the backup that
// will keep its present content.
QString ReplaceQuestion(const QString& target, const QString& keptAs);

// The folder of the file last picked in the open dialog, kept in the user's
// settings between runs (the application and organisation names must be
// set); empty when none is kept or it no longer exists.  Qt's dialogs do not
// return to it by themselves.
QString RememberedOpenFolder();
void RememberOpenFolder(const QString& fileName);

}  // namespace transvane
