// A whole successful conversion in the window: Convert, pick a complete
// version-4 project, name the new file over an existing one, and the new
// project is written with no message, the old file kept as its backup.
#include <QProcess>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "gui/app/Main_Form.h"
#include "gui/app/Progress_Form.h"
#include "tests/gui/app/ScriptedDialogs.h"
#include "gui/app/Support_Feedback.h"
#include "testkit/TestSupport.h"

namespace {

// Passes everything on to the window feedback and keeps the percentages.
class CProgressLog final : public CFeedback {
public:
    explicit CProgressLog(CFeedback& inner) : FInner(inner) {}
    void ShowMessage(const std::string& text) override { FInner.ShowMessage(text); }
    void NoteChange(EChange kind, std::int64_t count, const std::string& detail) override {
        FInner.NoteChange(kind, count, detail);
    }
    void ProgressStart(const std::string& text) override {
        FInner.ProgressStart(text);
        Steps << QString::fromStdString("start:" + text);
    }
    void ProgressSet(int percent) override {
        FInner.ProgressSet(percent);
        Steps << QString::number(percent);
    }
    void ProgressEnd() override {
        FInner.ProgressEnd();
        Steps << QStringLiteral("end");
    }
    QStringList Steps;

private:
    CFeedback& FInner;
};

// A complete version-400 project: every section such a file holds, one
// sprite with a run-length picture, a translated action, a plain-text game
// information and a tree without the groups that version lacks.
CBlock Version400Project() {
    CStream s;
    WriteHeader(s, 400, 31337);
    // game options, version 400
    s.WriteInt(400);
    for (int flag : {1, 0, 1, 0})  // OptionFlag1, OptionFlag3, full-screen switch, ExclusiveMode
        s.WriteBool(flag != 0);
    s.WriteInt(1);  // ColorDepth
    s.WriteInt(2);  // Resolution
    for (int i = 0; i < 6; ++i)  // OptionFlag5, 6, 8 .. 11
        s.WriteBool(true);
    s.WriteBool(false);  // the version-4 block: a bool, no image, three ints, a string, an int, a bool
    s.WriteBool(false);
    for (int i = 0; i < 3; ++i)
        s.WriteInt(i);
    s.WriteString("old");
    s.WriteInt(4);
    s.WriteBool(true);
    for (int i = 0; i < 3; ++i)  // OptionFlag12 .. 14
        s.WriteBool(false);
    s.WriteBool(true);   // a default progress bar
    s.WriteBool(false);  // no loading image
    // sounds
    s.WriteInt(400);
    s.WriteInt(0);
    // sprites: one sprite of one 2 x 1 subimage, two runs of one pixel
    s.WriteInt(400);
    s.WriteInt(1);
    s.WriteBool(true);
    s.WriteString("ball");
    for (int value : {400, 2, 1, 0, 2, 1, 0, 1, 0, 1, 1, 0, 0, 0})
        s.WriteInt(value);
    s.WriteInt(1);   // subimages
    s.WriteInt(1);   // scheme 1: colour runs
    s.WriteInt(2);   // width
    s.WriteInt(1);   // height
    s.WriteInt(2);   // runs in the row
    s.Write(Bytes({1, 1, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00}));  // lengths, then red and blue
    // backgrounds, scripts
    for (int i = 0; i < 2; ++i) {
        s.WriteInt(400);
        s.WriteInt(0);
    }
    // objects: one object with one old action in row 0
    s.WriteInt(400);
    s.WriteInt(1);
    s.WriteBool(true);
    s.WriteString("player");
    for (int value : {400, 0, 0, 1, 0, 0, -100, -1})
        s.WriteInt(value);
    s.WriteInt(0);    // event 0
    s.WriteInt(400);  // event tag
    s.WriteInt(1);    // one action
    s.WriteInt(400);  // old action layout
    s.WriteInt(1);    // old number 1
    s.WriteInt(-1);   // selector
    s.WriteBool(false);
    s.WriteInt(0);    // no arguments
    s.WriteInt(-1);   // end of row 0
    for (int row = 1; row <= 8; ++row)
        s.WriteInt(-1);
    // rooms: list version 400, no rooms, the instance id counter
    s.WriteInt(400);
    s.WriteInt(0);
    s.WriteInt(100000);
    // game information, version 400: colour and plain text
    s.WriteInt(400);
    s.WriteInt(0x00FFFFFF);
    s.WriteBlock(Bytes({'H', 'i', '!'}));
    // the tree, version 400: no room order, eight top-level groups
    s.WriteInt(400);
    s.WriteInt(0);
    const struct {
        const char* name;
        int nodeKind, resourceKind;
    } entries[] = {{"Sprites", 1, 2}, {"Sounds", 1, 3},  {"Backgrounds", 1, 6},       {"Scripts", 1, 7},
                   {"Objects", 1, 1}, {"Rooms", 1, 4},   {"Game Information", 3, 10}, {"Game Options", 3, 11}};
    for (const auto& entry : entries) {
        s.WriteInt(entry.nodeKind);
        s.WriteInt(entry.resourceKind);
        s.WriteInt(0);
        s.WriteString(entry.name);
        s.WriteInt(0);
    }
    return s.TakeBytes();
}

}  // namespace

class TConversionTest : public QObject {
    Q_OBJECT

private slots:
    void wholeConversionSucceeds() {
        CScratchFolder folder;
        CScriptedDialogs dialogs;
        TMainForm mainForm(dialogs);
        TProgressForm progressForm;
        CWindowFeedback feedback(dialogs);
        feedback.AttachWindows(&mainForm, &progressForm);
        CProgressLog log(feedback);
        CFeedbackGuard guard(log);
        mainForm.show();

        const std::string source = folder.File("game.vtr");
        const std::string target = folder.File("new.vtr");
        WriteWholeFile(source, Version400Project());
        WriteWholeFile(target, Bytes({1, 2, 3}));
        dialogs.OpenAnswers = {QString::fromStdString(source)};
        dialogs.SaveAnswers = {QString::fromStdString(target)};

        QTest::mouseClick(mainForm.ConvertButton, Qt::LeftButton);

        QCOMPARE(dialogs.Calls.size(), 2);
        QCOMPARE(dialogs.Calls[0], QStringLiteral("open"));
        QVERIFY(dialogs.Calls[1].startsWith(QStringLiteral("save:")));
        QVERIFY(dialogs.Messages.isEmpty());
        const QStringList steps = {"5", "20", "50", "60", "65", "70", "75", "80", "85", "95", "100"};
        QCOMPARE(log.Steps, QStringList{"start:Loading Game Data ..."} + steps + QStringList{"end"} +
                                QStringList{"start:Saving Game Data ..."} + steps + QStringList{"end"});
        QVERIFY(mainForm.isEnabled());
        QVERIFY(!progressForm.isVisible());
        QCOMPARE(QApplication::overrideCursor(), nullptr);

        // The overwritten file is the backup; the source is untouched.
        QCOMPARE(ReadWholeFile(folder.File("new.vk1")), Bytes({1, 2, 3}));
        QCOMPARE(ReadWholeFile(source), Version400Project());
        const CBlock written = ReadWholeFile(target);
        QVERIFY(written.size() > 32);
        QCOMPARE(CBlock(written.begin(), written.begin() + 16),
                 Bytes({0x91, 0xD5, 0x12, 0, 0xF4, 0x01, 0, 0, 0, 0, 0, 0, 0x69, 0x7A, 0, 0}));

        // The command-line tool reads the new file back as a whole project.
        QProcess info;
        info.start(qEnvironmentVariable("TRANSVANE_CLI"), {"info", QString::fromStdString(target), "--layout"});
        QVERIFY(info.waitForFinished(30000));
        QCOMPARE(info.exitCode(), 0);
        const QString report = QString::fromLatin1(info.readAllStandardOutput());
        QVERIFY2(report.contains("header version: 500"), qPrintable(report));
        QVERIFY2(report.contains("name: ball"), qPrintable(report));
        QVERIFY2(report.contains("name: player"), qPrintable(report));
        QVERIFY2(report.contains("  - section: Time lines\n    offset: "), qPrintable(report));
        QVERIFY2(report.contains("    text: Hi!\n"), qPrintable(report));
    }
};

QTEST_MAIN(TConversionTest)
#include "Conversion_gui.moc"
