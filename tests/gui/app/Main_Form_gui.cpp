// The converter window driven as a person would: whole Convert clicks with
// scripted answers to the dialogs, files dropped on it, the keys, and the
// progress window.
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>
#include <utility>

#include "gui/app/Main_Form.h"
#include "gui/app/Progress_Form.h"
#include "tests/gui/app/ScriptedDialogs.h"
#include "gui/app/Support_Feedback.h"
#include "project/Conversion.h"
#include "testkit/ProjectFiles.h"
#include "testkit/ProjectReader.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

const QString NotAProject = QStringLiteral("Error Loading: This is not a vantrel file.");
const QString Corrupted = QStringLiteral("Error Loading: File seems to be corrupted.");

// Passes everything on to the window feedback and notes the state of the
// windows and the cursor just after each progress report.
class CProgressSpy final : public CFeedback {
public:
    CProgressSpy(CFeedback& inner, TMainForm& mainForm, TProgressForm& progressForm)
        : FInner(inner), FMainForm(mainForm), FProgressForm(progressForm) {}

    void ShowMessage(const std::string& text, const std::vector<std::string>& context) override {
        FInner.ShowMessage(text, context);
    }
    void NoteChange(EChange kind, std::int64_t count, const std::string& detail, const std::string& place) override {
        FInner.NoteChange(kind, count, detail, place);
    }
    void ProgressStart(const std::string& text) override {
        FInner.ProgressStart(text);
        Note(QStringLiteral("start"));
    }
    void ProgressSet(int percent) override {
        FInner.ProgressSet(percent);
        Note(QStringLiteral("set"));
        if (OnSet)
            std::exchange(OnSet, nullptr)(FProgressForm.ProgressLabel->text());
    }
    void ProgressEnd() override {
        FInner.ProgressEnd();
        Note(QStringLiteral("end"));
    }

    // One line per report: what, label, bar, progress window visible, main
    // window enabled, override cursor.
    QStringList Notes;
    // Called once, at the next report of the bar, with the label's text.
    std::function<void(const QString&)> OnSet;

private:
    void Note(const QString& what) {
        const QCursor* cursor = QApplication::overrideCursor();
        Notes << QStringLiteral("%1|%2|%3|%4|%5|%6")
                     .arg(what, FProgressForm.ProgressLabel->text())
                     .arg(FProgressForm.ProgressBar->value())
                     .arg(FProgressForm.isVisible() ? "shown" : "hidden")
                     .arg(FMainForm.isEnabled() ? "enabled" : "disabled")
                     .arg(cursor != nullptr && cursor->shape() == Qt::WaitCursor ? "wait" : "normal");
    }

    CFeedback& FInner;
    TMainForm& FMainForm;
    TProgressForm& FProgressForm;
};

// The bar values a report sequence set, in order.
QList<int> BarValues(const QStringList& notes) {
    QList<int> values;
    for (const QString& note : notes)
        if (note.startsWith(QStringLiteral("set|")))
            values << note.section(QLatin1Char('|'), 2, 2).toInt();
    return values;
}

const QList<int> SectionProgress{5, 20, 50, 60, 65, 70, 75, 80, 85, 95, 100};

// Drags data over the window and drops it there, as a file manager would;
// true when the window took the drag.
bool DragAndDrop(QWidget& window, const QMimeData& data) {
    const QPoint centre = window.rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    QCoreApplication::processEvents();  // the conversion starts once the drop is over
    return drop.isAccepted();
}

// A project of the given version that converts without a message: a sprite
// with a picture of colour runs and an object with an old action that has
// a translation.
CBlock SmallProject(std::int32_t version) {
    project::TProject p = project::EmptyProject(version);
    p.Sprites.Add("ball", {.Width = 2, .Height = 1, .Images = {project::MakePicture(1, 2, 1, 1)}});
    project::TObject player{.Version = 400, .Rows = std::vector<std::vector<project::TNumberedEvent>>(9)};
    player.Rows[0] = {{0, {400, {project::OldAction(1)}}}};
    p.Objects.Add("player", player);
    return project::WriteProject(p);
}

std::unique_ptr<QMimeData> Urls(const QList<QUrl>& urls) {
    auto data = std::make_unique<QMimeData>();
    data->setUrls(urls);
    return data;
}

}  // namespace

class TMainFormTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CScratchFolder> Folder;
    std::unique_ptr<CScriptedDialogs> Dialogs;
    std::unique_ptr<TMainForm> MainForm;
    std::unique_ptr<TProgressForm> ProgressForm;
    std::unique_ptr<CWindowFeedback> Feedback;
    std::unique_ptr<CProgressSpy> Spy;

    QString FileNamed(const char* leaf) const { return QString::fromStdString(Folder->File(leaf)); }

    void ExpectIdle() {
        QVERIFY(MainForm->isEnabled());
        QVERIFY(!ProgressForm->isVisible());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

private slots:
    void init() {
        Folder = std::make_unique<CScratchFolder>();
        Dialogs = std::make_unique<CScriptedDialogs>();
        MainForm = std::make_unique<TMainForm>(*Dialogs);
        ProgressForm = std::make_unique<TProgressForm>();
        Feedback = std::make_unique<CWindowFeedback>(*Dialogs);
        Feedback->AttachWindows(MainForm.get(), ProgressForm.get());
        Spy = std::make_unique<CProgressSpy>(*Feedback, *MainForm, *ProgressForm);
        MainForm->SetFeedback(Spy.get());
        MainForm->show();
    }

    void cleanup() {
        MainForm->SetFeedback(nullptr);
        Spy.reset();
        Feedback.reset();
        ProgressForm.reset();
        MainForm.reset();
        Dialogs.reset();
        Folder.reset();
    }

    void looksAsDesigned() {
        QCOMPARE(MainForm->windowTitle(), QStringLiteral("Vantrel 4 to 5 Converter"));
        QCOMPARE(MainForm->size(), QSize(316, 113));
        QCOMPARE(MainForm->minimumSize(), MainForm->maximumSize());
        QVERIFY(!(MainForm->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(MainForm->windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(MainForm->windowFlags() & Qt::WindowSystemMenuHint);

        QCOMPARE(MainForm->Label1->objectName(), QStringLiteral("Label1"));
        QCOMPARE(MainForm->Label1->geometry(), QRect(8, 16, 297, 52));
        QCOMPARE(MainForm->Label1->text(),
                 QStringLiteral("This program converts Vantrel 4.x files into version 5 files.\n"
                                "To convert a file click on the Convert button. Give the name of\n"
                                "the file to be converted and next the name of the new file in\n"
                                "which to save it."));
        // Whatever face the machine supplies, every line fits the label.
        const QFontMetrics metrics(MainForm->Label1->font());
        for (const QString& line : TMainForm::Explanation())
            QVERIFY2(metrics.horizontalAdvance(line) <= 297, qPrintable(line));
        QVERIFY(metrics.height() * 4 <= 52 + 4);

        QCOMPARE(MainForm->ConvertButton->text(), QStringLiteral("Convert"));
        QCOMPARE(MainForm->ConvertButton->geometry(), QRect(40, 80, 75, 25));
        QVERIFY(MainForm->ConvertButton->isDefault());
        QCOMPARE(MainForm->QuitButton->text(), QStringLiteral("Quit"));
        QCOMPARE(MainForm->QuitButton->geometry(), QRect(208, 80, 75, 25));
        QVERIFY(!MainForm->QuitButton->isDefault());
    }

    void aboutTextCarriesTheVersion() {
        MainForm->AboutAction->trigger();
        QCOMPARE(Dialogs->Messages.size(), 1);
        QVERIFY(Dialogs->Messages.front().contains(QStringLiteral(TRANSVANE_VERSION)));
        QVERIFY(Dialogs->Messages.front().startsWith(QStringLiteral("Transvane ")));
        QVERIFY(MainForm->actions().contains(MainForm->AboutAction));
    }

    void cancelledOpenChangesNothing() {
        Dialogs->OpenAnswers = {QStringList()};
        QTest::mouseClick(MainForm->ConvertButton, Qt::LeftButton);
        QCOMPARE(Dialogs->Calls, QStringList{"open"});
        QVERIFY(Spy->Notes.isEmpty());
        ExpectIdle();
    }

    // The messages of every refused header are checked with the command
    // line; here the boxes that show one message and several.
    void failedLoad_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<bool>("recoverable");  // its header was read
        const auto bytes = [](const CBlock& block) {
            return QByteArray(reinterpret_cast<const char*>(block.data()), static_cast<qsizetype>(block.size()));
        };
        QTest::newRow("not a project") << QByteArray("PK\x03\x04", 4) + " certainly not a project"
                                       << QStringList{NotAProject, Corrupted} << false;
        QTest::newRow("cut short after the header") << bytes(HeaderOnly(500)) << QStringList{Corrupted} << true;
        QTest::newRow("empty file") << QByteArray() << QStringList{Corrupted} << false;
    }

    void failedLoad() {
        QFETCH(QByteArray, contents);
        QFETCH(QStringList, messages);
        QFETCH(bool, recoverable);
        const QString source = FileNamed("old.vtr");
        WriteWholeFile(source.toStdString(), CBlock(contents.begin(), contents.end()));
        Dialogs->OpenAnswers = {{source}};
        Dialogs->YesToQuestions = false;

        QTest::mouseClick(MainForm->ConvertButton, Qt::LeftButton);

        // The first message is a plain box, later ones offer to show no
        // more, and several end in one summary.
        QStringList expected{"open"};
        for (const QString& message : messages)
            expected << (expected.size() == 1 ? "message:" : "message+check:") + message;
        if (messages.size() > 1)
            expected << "summary:Converting old.vtr gave 2 messages.\nThe details list each with its place.";
        if (recoverable)
            expected << "question:Recover what can be read from this file?";
        QCOMPARE(Dialogs->Calls, expected);  // and no save dialog
        QVERIFY(!Spy->Notes.isEmpty());
        QCOMPARE(Spy->Notes.front(), QStringLiteral("start|Loading Game Data ...|0|shown|disabled|wait"));
        QCOMPARE(Spy->Notes.back(), QStringLiteral("end|Loading Game Data ...|0|hidden|enabled|wait"));
        // A box never shows the hourglass, and it sits above the progress
        // window while that is up.
        for (Qt::CursorShape shape : Dialogs->CursorsAtMessage)
            QCOMPARE(shape, Qt::ArrowCursor);
        if (messages.size() == 2)
            QCOMPARE(Dialogs->Parents.front(), static_cast<QWidget*>(ProgressForm.get()));
        QCOMPARE(Dialogs->Parents.back(), static_cast<QWidget*>(MainForm.get()));
        // Below each message, the file it is about, as the command line has it.
        for (const QStringList& context : Dialogs->Contexts)
            QVERIFY2(context.contains("file: " + source), qPrintable(context.join('|')));
        ExpectIdle();
        // The chosen file is never touched.
        QCOMPARE(ReadWholeFile(source.toStdString()), CBlock(contents.begin(), contents.end()));
    }

    // Yes to the question: the recovered project goes where the user says,
    // "NAME (recovered).vtr" offered, and the summary tells what was kept.
    void recoveryOfADamagedFile() {
        const QString source = FileNamed("old.vtr");
        project::TProject damaged = project::EmptyProject(500);
        damaged.Sprites.Add("ship", project::TSprite{});
        const CBlock whole = project::WriteProject(damaged);
        const CBlock cut(whole.begin(), whole.end() - 1);
        WriteWholeFile(source.toStdString(), cut);
        const QString target = FileNamed("rescued.vtr");
        Dialogs->OpenAnswers = {{source}};
        Dialogs->SaveAnswers = {source, target};

        QTest::mouseClick(MainForm->ConvertButton, Qt::LeftButton);

        QCOMPARE(Dialogs->Calls.mid(0, 4),
                 (QStringList{"open", "message:" + Corrupted, "question:Recover what can be read from this file?",
                              "save:" + FileNamed("old (recovered).vtr")}));
        // The damaged file itself is refused, and the dialog comes back.
        QCOMPARE(Dialogs->Calls.value(4), QStringLiteral("message:") + QString::fromUtf8(RecoveryOntoSource));
        QCOMPARE(Dialogs->Calls.value(5), "save:" + FileNamed("old (recovered).vtr"));
        QVERIFY2(Dialogs->Calls.value(6).startsWith("summary:recovered ") &&
                     Dialogs->Calls.value(6).endsWith(" resources into " + target),
                 qPrintable(Dialogs->Calls.join('|')));
        QVERIFY(Dialogs->Summaries.back().contains("reading stopped in"));
        QCOMPARE(project::ReadProject(ReadWholeFile(target.toStdString())).Version, 500);
        QCOMPARE(ReadWholeFile(source.toStdString()), cut);
        ExpectIdle();
    }

    void cancelledSaveWritesNothing() {
        const QString source = FileNamed("old.vtr");
        const CBlock original = project::WriteProject(project::EmptyProject(400));
        WriteWholeFile(source.toStdString(), original);
        Dialogs->OpenAnswers = {{source}};
        Dialogs->SaveAnswers = {std::nullopt};

        QTest::mouseClick(MainForm->ConvertButton, Qt::LeftButton);

        QCOMPARE(Dialogs->Calls, (QStringList{"open", "save:" + source}));
        QCOMPARE(Spy->Notes.front(), QStringLiteral("start|Loading Game Data ...|0|shown|disabled|wait"));
        QCOMPARE(BarValues(Spy->Notes), SectionProgress);
        QVERIFY(Spy->Notes.back().startsWith(QStringLiteral("end|Loading")));
        ExpectIdle();
        QCOMPARE(QDir(Folder->Path().c_str()).entryList(QDir::Files), QStringList{"old.vtr"});
        QCOMPARE(ReadWholeFile(source.toStdString()), original);
    }

    // Started by Convert, by a file given at start-up or by one dropped on
    // the window (these skip the open dialog).
    void successfulConversion_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("targetLeaf");
        QTest::addColumn<QString>("start");
        QTest::newRow("version 400 over itself") << 400 << "old.vtr"
                                                 << "click";
        QTest::newRow("version 430 to a new name") << 430 << "new.vtr"
                                                   << "click";
        QTest::newRow("version 400 over another file") << 400 << "other.vtr"
                                                       << "click";
        QTest::newRow("version 410 given at start-up") << 410 << "new.vtr"
                                                       << "given";
        QTest::newRow("version 410 dropped on the window") << 410 << "new.vtr"
                                                           << "drop";
    }

    void successfulConversion() {
        QFETCH(int, version);
        QFETCH(QString, targetLeaf);
        QFETCH(QString, start);
        const QString source = FileNamed("old.vtr");
        const QString target = FileNamed(qPrintable(targetLeaf));
        const CBlock original = SmallProject(version);
        WriteWholeFile(source.toStdString(), original);
        const bool otherFile = targetLeaf == QStringLiteral("other.vtr");
        if (otherFile)
            WriteWholeFile(target.toStdString(), Bytes({1, 2, 3}));
        Dialogs->OpenAnswers = {{source}};
        Dialogs->SaveAnswers = {target};

        if (start == QStringLiteral("drop"))
            QVERIFY(DragAndDrop(*MainForm, *Urls({QUrl::fromLocalFile(source)})));
        else if (start == QStringLiteral("given"))
            MainForm->ConvertFile(source);
        else
            QTest::mouseClick(MainForm->ConvertButton, Qt::LeftButton);

        // No message: only the progress window came and went, twice.  A
        // file that exists is replaced after a question naming its backup.
        const QString backup = targetLeaf.chopped(4) + ".vk1";
        const bool replaced = otherFile || target == source;
        QStringList calls{"save:" + source};
        if (start == QStringLiteral("click"))
            calls.prepend("open");
        if (replaced)
            calls << "question:" + targetLeaf + " already exists. Replace it? The current file will be kept as " +
                         backup + ".";
        QCOMPARE(Dialogs->Calls, calls);
        QCOMPARE(Spy->Notes.count(QStringLiteral("end|Loading Game Data ...|100|hidden|enabled|wait")), 1);
        QCOMPARE(Spy->Notes.count(QStringLiteral("start|Saving Game Data ...|0|shown|disabled|wait")), 1);
        QCOMPARE(Spy->Notes.back(), QStringLiteral("end|Saving Game Data ...|100|hidden|enabled|wait"));
        QCOMPARE(BarValues(Spy->Notes), SectionProgress + SectionProgress);
        ExpectIdle();
        // The window says it instead: the new file, and the backup when
        // there is one.
        QVERIFY(MainForm->Label1->text().startsWith(QStringLiteral("Converted, no warnings.")));
        QVERIFY(MainForm->Label1->text().contains(target));
        QCOMPARE(MainForm->Label1->text().contains(backup), replaced);

        // The new file is a whole project; the file it replaced is its
        // backup, and the source is untouched unless it was the target.
        const CBlock written = ReadWholeFile(target.toStdString());
        project::TProject read;
        QVERIFY_THROWS_NO_EXCEPTION(read = project::ReadProject(written));
        QCOMPARE(read.Version, 500);
        QVERIFY(read.Sprites.Slots.at(0) && read.Sprites.Slots[0]->Name == "ball");
        QVERIFY(read.Objects.Slots.at(0) && read.Objects.Slots[0]->Name == "player");
        if (replaced)
            QCOMPARE(ReadWholeFile(FileNamed(qPrintable(backup)).toStdString()),
                     otherFile ? Bytes({1, 2, 3}) : original);
        if (target != source)
            QCOMPARE(ReadWholeFile(source.toStdString()), original);
        QStringList expectedFiles{"old.vtr", targetLeaf};
        if (replaced)
            expectedFiles << backup;
        expectedFiles.removeDuplicates();
        expectedFiles.sort();
        QCOMPARE(QDir(Folder->Path().c_str()).entryList(QDir::Files, QDir::Name), expectedFiles);
    }

    // A backup converts to its project's name; a save that fails offers
    // the dialog again, the project still loaded, until one succeeds.
    void failedSaveOffersTheDialogAgain() {
        const QString source = FileNamed("game.vk3");
        WriteWholeFile(source.toStdString(), SmallProject(400));
        const QString unwritable = FileNamed("missing/game.vtr");
        Dialogs->OpenAnswers = {{source}};
        Dialogs->SaveAnswers = {unwritable, FileNamed("game.vtr")};

        QTest::mouseClick(MainForm->ConvertButton, Qt::LeftButton);

        const QString proposed = "save:" + FileNamed("game.vtr");
        QCOMPARE(Dialogs->Calls.size(), 4);
        QCOMPARE(Dialogs->Calls[1], proposed);
        QVERIFY2(Dialogs->Calls[2].startsWith("message:Error Saving: "), qPrintable(Dialogs->Calls[2]));
        QVERIFY(Dialogs->Contexts.front().contains("file: " + unwritable));
        QCOMPARE(Dialogs->Calls[3], proposed);
        QVERIFY(project::ReadProject(ReadWholeFile(Folder->File("game.vtr"))).Version == 500);
        QVERIFY(MainForm->Label1->text().startsWith(QStringLiteral("Converted, no warnings.")));
        ExpectIdle();
    }

    // The outcome stays until the next conversion, which replaces it: a
    // second conversion in place finds version 5 and leaves it alone.
    void outcomeStaysUntilTheNextConversion() {
        const QString source = FileNamed("old.vtr");
        const CBlock original = SmallProject(400);
        WriteWholeFile(source.toStdString(), original);
        Dialogs->SaveAnswers = {source, source};

        MainForm->ConvertFile(source);
        QCOMPARE(MainForm->Label1->text().split('\n').value(2), QStringLiteral("The earlier file was kept as"));
        QVERIFY(MainForm->Label1->text().endsWith(FileNamed("old.vk1")));

        const CBlock converted = ReadWholeFile(source.toStdString());
        MainForm->ConvertFile(source);
        QCOMPARE(MainForm->Label1->text().split('\n').front(),
                 QStringLiteral("old.vtr was already version 5; left unchanged"));
        QCOMPARE(Dialogs->Calls.count(), 3);  // nothing to replace, so no question
        QCOMPARE(ReadWholeFile(source.toStdString()), converted);
        QCOMPARE(ReadWholeFile(Folder->File("old.vk1")), original);
    }

    // Dropped together: a folder (its .vtr files, sub-folders too, and a
    // backup beside its project, skipped in the folder too) and a damaged
    // file.  One folder question,
    // no box per file, one progress window naming each file, one summary.
    void severalFilesEndInOneSummary() {
        CScratchFolder output;
        const QString games = FileNamed("games");
        QVERIFY(QDir().mkpath(games + "/sub"));
        WriteWholeFile(Folder->File("games/a.vtr"), SmallProject(400));
        WriteWholeFile(Folder->File("games/a.vk1"), SmallProject(400));
        WriteWholeFile(Folder->File("games/sub/b.vtr"), SmallProject(410));
        WriteWholeFile(Folder->File("broken.vtr"), Bytes({1, 2, 3}));
        Dialogs->FolderAnswers = {QString::fromStdString(output.Path())};
        QStringList files;
        const std::function<void(const QString&)> noteFile = [&](const QString&) {
            files << ProgressForm->FileLabel->text();
            Spy->OnSet = noteFile;
        };
        Spy->OnSet = noteFile;

        QVERIFY(DragAndDrop(*MainForm, *Urls({QUrl::fromLocalFile(games), QUrl::fromLocalFile(games + "/a.vk1"),
                                              QUrl::fromLocalFile(FileNamed("broken.vtr"))})));

        QCOMPARE(Dialogs->Calls.size(), 2);
        QCOMPARE(Dialogs->Calls.front(), QStringLiteral("folder"));
        QCOMPARE(Dialogs->Calls.back(), "summary:2 converted, 2 skipped, 1 failed\n" + FileNamed("broken.vtr"));
        QVERIFY(Dialogs->Summaries.front().contains(games + "/a.vk1: skipped: backup of " + games + "/a.vtr"));
        QVERIFY(Dialogs->Summaries.front().contains("  Error Loading: "));
        files.removeDuplicates();
        QCOMPARE(files, (QStringList{"a.vtr (1 of 3)", "b.vtr (2 of 3)"}));
        for (const QString& note : Spy->Notes)
            QVERIFY2(note.contains("|shown|disabled|"), qPrintable(note));
        ExpectIdle();
        QCOMPARE(project::ReadProject(ReadWholeFile(output.File("a.vtr"))).Version, 500);
        QCOMPARE(project::ReadProject(ReadWholeFile(output.File("sub/b.vtr"))).Version, 500);
        QVERIFY(!QFileInfo::exists(QString::fromStdString(output.File("broken.vtr"))));
        QCOMPARE(MainForm->Label1->text().split('\n').front(), QStringLiteral("2 converted, 2 skipped, 1 failed"));

        // Again into the same folder: one question for the outputs that
        // exist, and No leaves them alone.
        const CBlock first = ReadWholeFile(output.File("a.vtr"));
        Dialogs->Calls.clear();
        Dialogs->FolderAnswers = {QString::fromStdString(output.Path())};
        Dialogs->YesToQuestions = false;
        MainForm->ConvertFiles({games, FileNamed("broken.vtr")});
        QCOMPARE(Dialogs->Calls.at(1), "question:2 of the new files already exist in " +
                                           QString::fromStdString(output.Path()) +
                                           ". Replace them? Each file replaced is kept as its backup.");
        QCOMPARE(Dialogs->Calls.back(), "summary:3 skipped, 1 failed\n" + FileNamed("broken.vtr"));
        QCOMPARE(ReadWholeFile(output.File("a.vtr")), first);
    }

    // Files with one output name: one that fails writes nothing and
    // leaves the name to the next, and the one after that is refused.
    // The progress counts the files tried: the refused one never is.
    void aFileThatFailsLeavesItsOutputToTheNext() {
        CScratchFolder output;
        for (const char* sub : {"x", "y", "z"})
            QVERIFY(QDir().mkpath(FileNamed(sub)));
        WriteWholeFile(Folder->File("x/g.vtr"), Bytes({1, 2, 3}));
        WriteWholeFile(Folder->File("y/g.vtr"), SmallProject(400));
        WriteWholeFile(Folder->File("z/g.vtr"), SmallProject(410));
        Dialogs->FolderAnswers = {QString::fromStdString(output.Path())};
        QStringList files;
        const std::function<void(const QString&)> noteFile = [&](const QString&) {
            files << ProgressForm->FileLabel->text();
            Spy->OnSet = noteFile;
        };
        Spy->OnSet = noteFile;
        MainForm->ConvertFiles({FileNamed("x/g.vtr"), FileNamed("y/g.vtr"), FileNamed("z/g.vtr")});
        QCOMPARE(Dialogs->Calls.back(),
                 "summary:1 converted, 2 failed\n" + FileNamed("x/g.vtr") + "\n" + FileNamed("z/g.vtr"));
        QVERIFY(Dialogs->Summaries.back().contains("is already the output of " + FileNamed("y/g.vtr") + "."));
        QCOMPARE(project::ReadProject(ReadWholeFile(output.File("g.vtr"))).Version, 500);
        // x/g.vtr fails before any progress; y/g.vtr is the last file
        // tried, since z/g.vtr is refused once y/g.vtr has written.
        files.removeDuplicates();
        QCOMPARE(files, (QStringList{"g.vtr (2 of 2)"}));
    }

    // A name holding a line break or an escape is one line of the list
    // and of the summary, escaped as the command line escapes it.
    void aNameWithALineBreakStaysOneLine() {
        CScratchFolder output;
        WriteWholeFile(Folder->File("bro\nken\x1b.vtr"), Bytes({1, 2, 3}));
        Dialogs->FolderAnswers = {QString::fromStdString(output.Path())};
        MainForm->ConvertFiles({FileNamed("bro\nken\x1b.vtr")});
        QCOMPARE(Dialogs->Calls.back(), "summary:1 failed\n" + FileNamed("bro\\nken\\x1b.vtr"));
        for (const QString& line : Dialogs->Summaries.back().split('\n'))
            QVERIFY2(!line.startsWith("ken") && !line.contains('\x1b'), qPrintable(line));
        QVERIFY(Dialogs->Summaries.back().startsWith(FileNamed("bro\\nken\\x1b.vtr: failed\n")));
    }

    void dropRefusesWhatIsNotALocalFile() {
        const QString file = FileNamed("old.vtr");
        WriteWholeFile(file.toStdString(), Bytes({1}));
        std::vector<std::unique_ptr<QMimeData>> refused;
        refused.push_back(Urls({QUrl::fromLocalFile(file), QUrl(QStringLiteral("https://example.org/new.vtr"))}));
        refused.push_back(Urls({QUrl(QStringLiteral("https://example.org/old.vtr"))}));
        refused.push_back(std::make_unique<QMimeData>());
        refused.back()->setText(file);
        for (const auto& data : refused)
            QVERIFY(!DragAndDrop(*MainForm, *data));
        // Nor does a window that is busy converting take one.
        Feedback->ProgressStart("Loading Game Data ...");
        QVERIFY(!DragAndDrop(*MainForm, *Urls({QUrl::fromLocalFile(file)})));
        Feedback->ProgressEnd();
        QVERIFY(Dialogs->Calls.isEmpty());
    }

    // Twenty actions without translation: the first box, one that offers
    // to show no more, and one summary with every message and its place.
    void manyMessagesEndInOneSummary() {
        project::TProject project = project::EmptyProject(400);
        project::TObject player;
        player.Version = 400;
        player.Rows.resize(9);
        project::TEvent event;
        for (int i = 0; i < 20; ++i)
            event.Actions.push_back(project::OldAction(70));
        player.Rows[0] = {{0, event}};
        project.Objects.Add("player", player);
        const QString source = FileNamed("many.vtr");
        WriteWholeFile(source.toStdString(), project::WriteProject(project));
        Dialogs->OpenAnswers = {{source}};
        Dialogs->SaveAnswers = {FileNamed("new.vtr")};
        Dialogs->SilenceFromMessage = 2;

        QTest::mouseClick(MainForm->ConvertButton, Qt::LeftButton);

        QCOMPARE(Dialogs->Messages.size(), 2);
        QCOMPARE(Dialogs->Summaries.size(), 1);
        QCOMPARE(
            Dialogs->Calls.back(),
            QStringLiteral("summary:Converting many.vtr gave 20 messages.\nThe details list each with its place."));
        const QString details = Dialogs->Summaries.front();
        QCOMPARE(details.count(QStringLiteral("Failed to convert old action number: 70\n")), 20);
        QVERIFY(details.contains(QStringLiteral("  place: object 0 \"player\", row 0, event 0, action 20\n")));
        QVERIFY(details.contains(QStringLiteral("old action without translation, kept as it was (number 70): 1")));
        QVERIFY(Dialogs->Contexts.back().contains("place: object 0 \"player\", row 0, event 0, action 2"));
        // The conversion went on and says how it went.
        QVERIFY(MainForm->Label1->text().startsWith(QStringLiteral("Converted with 20 warnings.")));
        ExpectIdle();
    }

    // A missing file: one message and no progress; the next click asks
    // for a file again.
    void missingFileShowsOneMessageAndConvertsAgain() {
        Dialogs->OpenAnswers = {{FileNamed("nowhere.vtr")}, {}};
        QTest::mouseClick(MainForm->ConvertButton, Qt::LeftButton);
        QVERIFY(Spy->Notes.isEmpty());
        ExpectIdle();
        QTest::mouseClick(MainForm->ConvertButton, Qt::LeftButton);
        QCOMPARE(Dialogs->Calls, (QStringList{"open", "message:Error Loading: File does not exist.", "open"}));
    }

    void enterConverts() {
        Dialogs->OpenAnswers = {{}, {}};
        QTest::keyClick(MainForm.get(), Qt::Key_Return);
        QTest::keyClick(MainForm->ConvertButton, Qt::Key_Enter);
        QCOMPARE(Dialogs->Calls, (QStringList{"open", "open"}));
        QVERIFY(MainForm->isVisible());
    }

    // Quit clicked, Enter on Quit and Escape anywhere close the window
    // without a question.
    void quitAndEscapeClose() {
        QTest::mouseClick(MainForm->QuitButton, Qt::LeftButton);
        QVERIFY(!MainForm->isVisible());
        MainForm->show();
        QTest::keyClick(MainForm->QuitButton, Qt::Key_Return);
        QVERIFY(!MainForm->isVisible());
        MainForm->show();
        QTest::keyClick(MainForm->ConvertButton, Qt::Key_Escape);
        QVERIFY(!MainForm->isVisible());
        QVERIFY(Dialogs->Calls.isEmpty());
    }

    // Closing the window while a load or a save runs lets it finish, asks
    // nothing further and then closes: a save is never left half done.
    void closingWaitsWhileAConversionRuns_data() {
        QTest::addColumn<QString>("during");
        QTest::newRow("load") << QStringLiteral("Loading Game Data ...");
        QTest::newRow("save") << QStringLiteral("Saving Game Data ...");
    }

    void closingWaitsWhileAConversionRuns() {
        QFETCH(QString, during);
        const QString source = FileNamed("old.vtr");
        const CBlock original = project::WriteProject(project::EmptyProject(430));
        WriteWholeFile(source.toStdString(), original);
        Dialogs->OpenAnswers = {{source}};
        Dialogs->SaveAnswers = {source};
        bool refused = false;
        const std::function<void(const QString&)> closeNow = [&](const QString& label) {
            if (label != during) {
                Spy->OnSet = closeNow;  // not yet
                return;
            }
            refused = !MainForm->close();
            QVERIFY(MainForm->isVisible());
        };
        Spy->OnSet = closeNow;

        QTest::mouseClick(MainForm->ConvertButton, Qt::LeftButton);

        QVERIFY(refused);
        QVERIFY(!MainForm->isVisible());
        const bool saving = during.startsWith(QStringLiteral("Saving"));
        const QStringList calls = saving ? QStringList{"open", "save:" + source,
                                                       "question:old.vtr already exists. Replace it? "
                                                       "The current file will be kept as old.vk1."}
                                         : QStringList{"open"};
        QCOMPARE(Dialogs->Calls, calls);
        QStringList expectedFiles{"old.vtr"};
        if (saving)
            expectedFiles.prepend("old.vk1");
        QCOMPARE(QDir(Folder->Path().c_str()).entryList(QDir::Files | QDir::Hidden, QDir::Name), expectedFiles);
        QCOMPARE(ReadWholeFile(source.toStdString()) == original, !saving);
    }

    void progressWindowLooksAsDesigned() {
        QCOMPARE(ProgressForm->size(), QSize(299, 69));
        QCOMPARE(ProgressForm->minimumSize(), ProgressForm->maximumSize());
        QVERIFY(ProgressForm->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(ProgressForm->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(ProgressForm->Panel->geometry(), QRect(0, 0, 299, 69));
        QCOMPARE(ProgressForm->Panel->frameShadow(), QFrame::Raised);
        QCOMPARE(ProgressForm->ProgressLabel->objectName(), QStringLiteral("ProgressLabel"));
        QCOMPARE(ProgressForm->ProgressLabel->geometry(), QRect(8, 8, 281, 25));
        QVERIFY(ProgressForm->ProgressLabel->font().bold());
        QVERIFY(ProgressForm->ProgressLabel->alignment() & Qt::AlignVCenter);
        QCOMPARE(ProgressForm->ProgressBar->geometry(), QRect(8, 40, 281, 17));
        QCOMPARE(ProgressForm->ProgressBar->minimum(), 0);
        QCOMPARE(ProgressForm->ProgressBar->maximum(), 100);
    }

    void progressOperations() {
        Spy->ProgressStart("Saving Game Data ...");
        // Centred on the screen.
        const QPoint offCentre =
            ProgressForm->frameGeometry().center() - ProgressForm->screen()->availableGeometry().center();
        QVERIFY(qAbs(offCentre.x()) <= 1 && qAbs(offCentre.y()) <= 1);
        Spy->ProgressSet(50);
        Spy->ProgressSet(100);
        // A second start while the window is up only resets it.
        Spy->ProgressStart("Loading Game Data ...");
        Spy->ProgressEnd();
        QCOMPARE(Spy->Notes, (QStringList{
                                 "start|Saving Game Data ...|0|shown|disabled|normal",
                                 "set|Saving Game Data ...|50|shown|disabled|normal",
                                 "set|Saving Game Data ...|100|shown|disabled|normal",
                                 "start|Loading Game Data ...|0|shown|disabled|normal",
                                 "end|Loading Game Data ...|0|hidden|enabled|normal",
                             }));
    }

    void messagesBeforeAnyWindowStillShow() {
        CWindowFeedback early(*Dialogs);
        early.ProgressStart("ignored");
        early.ProgressSet(10);
        early.ProgressEnd();
        early.ShowMessage("Failed to create temp dir. This can create serious problems with sounds, etc.", {});
        QCOMPARE(Dialogs->Calls,
                 QStringList{"message:Failed to create temp dir. This can create serious problems with sounds, etc."});
        QCOMPARE(Dialogs->Parents.front(), nullptr);
    }
};

}  // namespace transvane

using namespace transvane;

QTEST_MAIN(TMainFormTest)
#include "Main_Form_gui.moc"
