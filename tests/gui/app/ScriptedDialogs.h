// Dialogs that answer from a script instead of a person, and record every
// question and message in order, with the state of the windows at the time.
#pragma once

#include <QApplication>
#include <QCursor>
#include <QFileInfo>
#include <QStringList>
#include <deque>
#include <optional>

#include "gui/app/Support_Dialogs.h"

namespace transvane {

class CScriptedDialogs final : public CDialogs {
public:
    QStringList AskFilesToOpen(QWidget*) override {
        Calls << QStringLiteral("open");
        if (OpenAnswers.empty())
            return {};
        QStringList answer = std::move(OpenAnswers.front());
        OpenAnswers.pop_front();
        return answer;
    }
    // An existing file is confirmed as the standard dialogs do: by the
    // question, which the script answers Yes.
    std::optional<QString> AskFileToSave(QWidget*, const QString& preset, const CKeptAsName& keptAs) override {
        Calls << QStringLiteral("save:") + preset;
        std::optional<QString> answer = Next(SaveAnswers);
        if (answer && QFileInfo::exists(*answer) && keptAs && !keptAs(*answer).isEmpty())
            Calls << QStringLiteral("question:") + ReplaceQuestion(*answer, keptAs(*answer));
        return answer;
    }
    std::optional<QString> AskOutputFolder(QWidget*) override {
        Calls << QStringLiteral("folder");
        return Next(FolderAnswers);
    }
    bool AskYesNo(QWidget*, const QString& question) override {
        Calls << QStringLiteral("question:") + question;
        return YesToQuestions;
    }
    void ShowMessage(QWidget* parent, const QString& text, const QStringList& context = {}) override {
        Calls << QStringLiteral("message:") + text;
        Messages << text;
        Contexts << context;
        Parents.push_back(parent);
        const QCursor* cursor = QApplication::overrideCursor();
        CursorsAtMessage.push_back(cursor != nullptr ? cursor->shape() : Qt::BitmapCursor);
    }

    bool ShowMessageOfSeveral(QWidget* parent, const QString& text, const QStringList& context) override {
        ShowMessage(parent, text, context);
        Calls.back() = QStringLiteral("message+check:") + text;
        return SilenceFromMessage > 0 && Messages.size() >= SilenceFromMessage;
    }
    void ShowSummary(QWidget*, const QString& summary, const QString& details) override {
        Calls << QStringLiteral("summary:") + summary;
        Summaries << details;
    }

    // From this message on (counted from 1) the user ticks "Don't show
    // more messages"; 0: never.
    qsizetype SilenceFromMessage = 0;
    QStringList Summaries;  // the details of each summary

    // Answers in order; when the script runs out, the user cancels.
    std::deque<QStringList> OpenAnswers;
    std::deque<std::optional<QString>> SaveAnswers;
    std::deque<std::optional<QString>> FolderAnswers;
    bool YesToQuestions = true;

    QStringList Calls;
    QStringList Messages;
    QList<QStringList> Contexts;  // the context lines of each message
    std::vector<QWidget*> Parents;
    // The override cursor while each message was shown (BitmapCursor: none).
    std::vector<Qt::CursorShape> CursorsAtMessage;

private:
    // GCC 12 takes the QString inside a moved std::optional for possibly
    // uninitialised once this is inlined; it is not (a false positive).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
    static std::optional<QString> Next(std::deque<std::optional<QString>>& answers) {
        if (answers.empty())
            return std::nullopt;
        std::optional<QString> answer = std::move(answers.front());
        answers.pop_front();
        return answer;
    }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
};

}  // namespace transvane
