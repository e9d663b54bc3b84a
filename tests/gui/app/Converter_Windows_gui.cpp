// The windows of start-up, the image-list holders, the program's arguments
// and its answer on a machine without a display.
#include <QListWidget>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>
#include <csignal>

#include "gui/app/Converter_Windows.h"
#include "gui/app/Support_CommandLine.h"
#include "format/core/Support_File.h"
#include "testkit/ProjectFiles.h"
#include "testkit/TestSupport.h"
#include "tests/gui/app/ScriptedDialogs.h"

namespace transvane {

namespace {

struct CFinished {
    int Code = -1;
    QString Out;
    QString Err;
};

// Runs the window program to its end with these changes to the environment
// (a value of null removes the variable).
CFinished RunWindowProgram(const QString& program, const QStringList& arguments,
                           const QList<std::pair<QString, QString>>& changes, int seconds = 20) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : changes)
        if (value.isNull())
            environment.remove(name);
        else
            environment.insert(name, value);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    CFinished finished;
    if (!process.waitForFinished(seconds * 1000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        return finished;
    }
    finished.Code = process.exitCode();
    finished.Out = QString::fromLocal8Bit(process.readAllStandardOutput());
    finished.Err = QString::fromLocal8Bit(process.readAllStandardError());
    return finished;
}

const QList<std::pair<QString, QString>> NoDisplay{
    {"DISPLAY", QString()}, {"WAYLAND_DISPLAY", QString()}, {"QT_QPA_PLATFORM", QString()}};

}  // namespace

class TConverterWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void everyWindowExistsAndNoneIsShown() {
        CScriptedDialogs dialogs;
        CConverterWindows windows(dialogs);
        const QList<QWidget*> all{windows.MainForm.get(),     windows.ImagesForm.get(),
                                  windows.HelpForm.get(),     windows.ResourceIconForm.get(),
                                  windows.OptionForm.get(),   windows.PreferencesForm.get(),
                                  windows.ValuesDialog.get(), windows.ProgressForm.get()};
        QStringList names;
        for (QWidget* window : all) {
            QVERIFY(window->isWindow());
            QVERIFY(!window->isVisible());
            names << window->objectName();
        }
        QCOMPARE(names, (QStringList{"MainForm", "ImagesForm", "HelpForm", "ResourceIconForm", "OptionForm",
                                     "PreferencesForm", "ValuesDialog", "ProgressForm"}));
        QCOMPARE(windows.PreferencesForm->children().size(), 0);
    }

    // The hook the windows give the main window runs in its conversions:
    // the project each one loads rebuilds the tree, and the icons with it.
    void aConversionResetsTheTreeIcons() {
        CScriptedDialogs dialogs;
        CScratchFolder folder;
        const QString source = QString::fromStdString(folder.File("old.vtr"));
        WriteWholeFile(source.toStdString(), project::WriteProject(project::SampleProject(430)));
        dialogs.SaveAnswers = {QString::fromStdString(folder.File("new.vtr"))};
        CConverterWindows windows(dialogs);
        QVERIFY(windows.ResourceIconForm->TheIcons.isEmpty());
        windows.MainForm->ConvertFile(source);
        QVERIFY(FileExists(folder.File("new.vtr")));
        QCOMPARE(windows.ResourceIconForm->TheIcons.size(), int(ResourceImageCount));
    }

    void standardResourceImages() {
        TImagesForm form;
        QCOMPARE(form.ResourceImages.size(), int(ResourceImageCount));
        QList<QImage> seen;
        for (const QPixmap& image : form.ResourceImages) {
            QCOMPARE(image.size(), QSize(ResourceImageSize, ResourceImageSize));
            const QImage pixels = image.toImage();
            QVERIFY(pixels.hasAlphaChannel());
            QVERIFY2(!seen.contains(pixels), "every kind has an image of its own");
            seen << pixels;
        }
        QCOMPARE(form.ImageView->count(), int(ResourceImageCount));
    }

    void treeIconsAreResetFromTheStandardImages() {
        TImagesForm images;
        TResourceIconForm icons;
        QVERIFY(icons.TheIcons.isEmpty());
        icons.TheIcons.append(QPixmap(4, 4));
        ResetTreeIcons(icons, images);
        QCOMPARE(icons.TheIcons.size(), images.ResourceImages.size());
        for (int index = 0; index < icons.TheIcons.size(); ++index)
            QCOMPARE(icons.TheIcons[index].toImage(), images.ResourceImages[index].toImage());
        // A copy: changing the tree's icons leaves the standard ones alone.
        icons.TheIcons.clear();
        QCOMPARE(images.ResourceImages.size(), int(ResourceImageCount));
        icons.show();
        QCOMPARE(icons.IconView->count(), 0);
    }

    void withoutADisplayPointsToTheCommandLineTool() {
        const QString program = qEnvironmentVariable("TRANSVANE_GUI");
        if (program.isEmpty())
            QSKIP("TRANSVANE_GUI names no program");
        const CFinished finished = RunWindowProgram(program, {}, NoDisplay);
        QCOMPARE(finished.Code, 1);
        QVERIFY2(finished.Err.contains(QStringLiteral("needs a graphical display")), qPrintable(finished.Err));
        QVERIFY2(finished.Err.contains(QStringLiteral("transvane-cli convert")), qPrintable(finished.Err));
        QVERIFY(finished.Out.isEmpty());
    }

    // Ended by a signal, the window quits as if closed: its temporary folder
    // is gone and the status says which signal it was, also while a modal
    // dialog runs its own loop (the load's error box, the save dialog).
    void endedBySignalRemovesItsTemporaryFolder() {
        const QString program = qEnvironmentVariable("TRANSVANE_GUI");
        if (program.isEmpty())
            QSKIP("TRANSVANE_GUI names no program");
        CScratchFolder files;
        WriteWholeFile(files.File("bad.vtr"), Bytes("not a project"));
        WriteWholeFile(files.File("good.vtr"), project::WriteProject(project::TProject{}));
        const std::pair<int, QString> cases[] = {{SIGTERM, QString()},
                                                 {SIGINT, QString()},
                                                 {SIGHUP, QString::fromStdString(files.File("bad.vtr"))},
                                                 {SIGTERM, QString::fromStdString(files.File("good.vtr"))}};
        for (const auto& [signal, file] : cases) {
            CScratchFolder temp;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            for (const QString& name : environment.keys())
                if (name.compare("temp", Qt::CaseInsensitive) == 0 || name.compare("tmp", Qt::CaseInsensitive) == 0)
                    environment.remove(name);
            environment.insert("TMP", QString::fromStdString(temp.Path()));
            environment.insert("QT_QPA_PLATFORM", "offscreen");
            QProcess process;
            process.setProcessEnvironment(environment);
            process.start(program, file.isEmpty() ? QStringList() : QStringList{file});
            // The folder exists once the window is almost up; a file given
            // loads at once, and its box or dialog is open well within the
            // pause.
            QTRY_VERIFY_WITH_TIMEOUT(!FolderContents(temp.Path()).empty(), 30000);
            QVERIFY(QString::fromStdString(FolderContents(temp.Path()).front()).startsWith("vt_ttt_"));
            if (!file.isEmpty())
                QTest::qWait(1500);
            ::kill(static_cast<pid_t>(process.processId()), signal);
            const bool finished = process.waitForFinished(30000);
            if (!finished)
                process.kill();
            QVERIFY2(finished,
                     qPrintable(QStringLiteral("still running after signal %1 with '%2'").arg(signal).arg(file)));
            QCOMPARE(process.exitStatus(), QProcess::NormalExit);
            QCOMPARE(process.exitCode(), 128 + signal);
            QCOMPARE(FolderContents(temp.Path()), std::vector<std::string>{});
        }
    }

    void arguments_data() {
        using EWhat = CWindowArguments::EWhat;
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<EWhat>("what");
        QTest::addColumn<QString>("fileOrProblem");
        QTest::newRow("none") << QStringList{} << EWhat::Run << QString();
        QTest::newRow("a file") << QStringList{"games/old.vtr"} << EWhat::Run << "games/old.vtr";
        QTest::newRow("a file: address") << QStringList{"file:///home/me/my%20game.vk1"} << EWhat::Run
                                         << "/home/me/my game.vk1";
        QTest::newRow("a file named like an option") << QStringList{"--", "-old.vtr"} << EWhat::Run << "-old.vtr";
        QTest::newRow("help wins") << QStringList{"old.vtr", "--bogus", "-h"} << EWhat::Help << QString();
        QTest::newRow("version") << QStringList{"--version"} << EWhat::Version << QString();
        QTest::newRow("after --, no option") << QStringList{"--", "--help"} << EWhat::Run << "--help";
        QTest::newRow("unknown option") << QStringList{"old.vtr", "--bogus"} << EWhat::UsageError
                                        << "unknown option '--bogus'";
        QTest::newRow("two files") << QStringList{"a.vtr", "b.vtr"} << EWhat::UsageError << "one file at a time, not 2";
        QTest::newRow("standard input") << QStringList{"-"} << EWhat::UsageError
                                        << "'-' is not a file the window can convert";
    }

    void arguments() {
        QFETCH(QStringList, arguments);
        QFETCH(CWindowArguments::EWhat, what);
        QFETCH(QString, fileOrProblem);
        const CWindowArguments parsed = ParseWindowArguments(arguments);
        QCOMPARE(int(parsed.What), int(what));
        QCOMPARE(what == CWindowArguments::EWhat::UsageError ? parsed.Problem : parsed.File, fileOrProblem);
    }

    void helpVersionAndUsageErrors() {
        const QString program = qEnvironmentVariable("TRANSVANE_GUI");
        if (program.isEmpty())
            QSKIP("TRANSVANE_GUI names no program");
        // Help and version need no display.
        const CFinished help = RunWindowProgram(program, {"--help"}, NoDisplay);
        QCOMPARE(help.Code, 0);
        QCOMPARE(help.Out, WindowUsage());
        QCOMPARE(help.Err, QString());
        const CFinished version = RunWindowProgram(program, {"--version"}, NoDisplay);
        QCOMPARE(version.Code, 0);
        QCOMPARE(version.Out, QStringLiteral("transvane " TRANSVANE_VERSION "\n"));
        // The toolkit's own options are not the window's usage errors.
        const CFinished wrong =
            RunWindowProgram(program, {"-style", "fusion", "a.vtr", "--bogus"}, {{"QT_QPA_PLATFORM", "offscreen"}});
        QCOMPARE(wrong.Code, 2);
        // (after whatever the toolkit has to say about the machine)
        QVERIFY2(
            wrong.Err.endsWith(QStringLiteral("\ntransvane: unknown option '--bogus'\nTry 'transvane --help'.\n")) ||
                wrong.Err == QStringLiteral("transvane: unknown option '--bogus'\nTry 'transvane --help'.\n"),
            qPrintable(wrong.Err));
    }

    // The real program under a real (virtual) X server, as a file manager
    // starts it: "transvane FILE" loads FILE at once and asks only for the
    // new name, which xdotool types as a person would.
    void convertsTheFileItIsGivenUnderX() {
        const QString program = qEnvironmentVariable("TRANSVANE_GUI");
        if (program.isEmpty())
            QSKIP("TRANSVANE_GUI names no program");
        for (const char* tool : {"xvfb-run", "xdotool", "xauth"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(tool)));
        CScratchFolder folder;
        const std::string source = folder.File("old game.vtr");
        const std::string target = folder.File("new game.vtr");
        const CBlock original = project::WriteProject(project::EmptyProject(420));
        WriteWholeFile(source, original);

        const QString script = QStringLiteral(
            "\"$0\" \"$1\" & app=$!\n"
            "dialog=$(timeout 30 xdotool search --sync --name '^Name of the new version 5 file$' | head -n 1)\n"
            "if [ -n \"$dialog\" ]; then\n"
            "  xdotool windowfocus --sync \"$dialog\" key --clearmodifiers ctrl+a\n"
            "  xdotool type --delay 10 \"$2\"\n"
            "  xdotool key Return\n"
            "  for i in $(seq 200); do [ -e \"$2\" ] && break; sleep 0.1; done\n"
            "fi\n"
            "main=$(xdotool search --name '^Vantrel 4 to 5 Converter$' | head -n 1)\n"
            "[ -n \"$main\" ] && xdotool windowfocus --sync \"$main\" key Escape\n"
            "wait $app\n");
        // The X libraries keep memory to the end of the process, which a leak
        // check under the sanitizers would count against the window; its own
        // leaks are found by the tests that run it in this process.
        const QString sanitizer = qEnvironmentVariable("ASAN_OPTIONS") + QStringLiteral(":detect_leaks=0");
        const CFinished finished = RunWindowProgram(
            QStringLiteral("xvfb-run"),
            {"-a", "sh", "-c", script, program, QString::fromStdString(source), QString::fromStdString(target)},
            {{"QT_QPA_PLATFORM", QString()}, {"ASAN_OPTIONS", sanitizer}}, 90);
        QVERIFY2(finished.Code == 0, qPrintable(finished.Err));
        const CBlock written = ReadWholeFile(target);
        QVERIFY(written.size() > 8);
        QCOMPARE(int(written.at(4)), 0xF4);  // version 500
        QCOMPARE(ReadWholeFile(source), original);
    }
};

}  // namespace transvane

using namespace transvane;

QTEST_MAIN(TConverterWindowsTest)
#include "Converter_Windows_gui.moc"
