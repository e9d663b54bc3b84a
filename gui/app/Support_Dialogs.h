// The questions and boxes the converter window puts to the user.
//
// The main window asks through this small interface rather than opening
// dialogs itself, so that a test can answer in place of a person and drive
// whole conversions without a modal dialog blocking it.
#pragma once

#include <QString>
#include <memory>
#include <optional>

class QFileDialog;
class QMessageBox;
class QWidget;

// The application title: the caption of every message box.
inline const QString ApplicationTitle = QStringLiteral("Transvane");
// The check box of a message after the first of one conversion.
inline const QString NoMoreMessagesText = QStringLiteral("Don't show more messages for this file");

class CDialogs {
public:
    virtual ~CDialogs() = default;
    // The version-4 file to convert, or nothing when the user cancels.
    virtual std::optional<QString> AskFileToOpen(QWidget* parent) = 0;
    // The name of the new file, with preset offered first, or nothing when
    // the user cancels.  An existing file has already been confirmed.
    virtual std::optional<QString> AskFileToSave(QWidget* parent, const QString& preset) = 0;
    // A modal box with the text and one OK button; returns once closed.
    virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
    // The same box for a message after the first of one conversion, with
    // the check box "Don't show more messages for this file"; true when the
    // user ticked it.
    virtual bool ShowMessageOfSeveral(QWidget* parent, const QString& text) = 0;
    // The end of a conversion that gave several messages: one box with the
    // summary, and every message with its place, and what the conversion
    // changed, as copyable text in its details section.
    virtual void ShowSummary(QWidget* parent, const QString& summary, const QString& details) = 0;
};

// The toolkit's own file dialogs and message boxes.
class CStandardDialogs final : public CDialogs {
public:
    std::optional<QString> AskFileToOpen(QWidget* parent) override;
    std::optional<QString> AskFileToSave(QWidget* parent, const QString& preset) override;
    void ShowMessage(QWidget* parent, const QString& text) override;
    bool ShowMessageOfSeveral(QWidget* parent, const QString& text) override;
    void ShowSummary(QWidget* parent, const QString& summary, const QString& details) override;

    // The dialogs and the boxes, fully set up but not yet run.  The open
    // dialog starts in the remembered folder.
    static std::unique_ptr<QFileDialog> MakeOpenDialog(QWidget* parent);
    static std::unique_ptr<QFileDialog> MakeSaveDialog(QWidget* parent, const QString& preset);
    static std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const QString& text);
    static std::unique_ptr<QMessageBox> MakeMessageOfSeveralBox(QWidget* parent, const QString& text);
    static std::unique_ptr<QMessageBox> MakeSummaryBox(QWidget* parent, const QString& summary,
                                                       const QString& details);
};

// The folder of the file last picked in the open dialog, kept in the user's
// settings between runs (the application and organisation names must be
// set); empty when none is kept or it no longer exists.  Qt's dialogs do not
// return to it by themselves.
QString RememberedOpenFolder();
void RememberOpenFolder(const QString& fileName);
