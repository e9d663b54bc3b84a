// The windows of start-up, the image-list holders, and the program's
// answer on a machine without a display.
#include <QListWidget>
#include <QProcess>
#include <QtTest>

#include "gui/app/Converter_Windows.h"
#include "tests/gui/app/ScriptedDialogs.h"
#include "project/Resource_Tree.h"

class TConverterWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void everyWindowExistsAndNoneIsShown() {
        CScriptedDialogs dialogs;
        CConverterWindows windows(dialogs);
        const QList<QWidget*> all{
            windows.MainForm.get(),   windows.ImagesForm.get(),      windows.HelpForm.get(),
            windows.ResourceIconForm.get(), windows.OptionForm.get(), windows.PreferencesForm.get(),
            windows.ValuesDialog.get(), windows.ProgressForm.get()};
        QStringList names;
        for (QWidget* window : all) {
            QVERIFY(window->isWindow());
            QVERIFY(!window->isVisible());
            names << window->objectName();
        }
        QCOMPARE(names, (QStringList{"MainForm", "ImagesForm", "HelpForm", "ResourceIconForm",
                                     "OptionForm", "PreferencesForm", "ValuesDialog", "ProgressForm"}));
        QCOMPARE(windows.PreferencesForm->children().size(), 0);
    }

    void buildingATreeResetsItsIcons() {
        CScriptedDialogs dialogs;
        {
            CConverterWindows windows(dialogs);
            QVERIFY(windows.ResourceIconForm->TheIcons.isEmpty());
            BuildTree();
            QCOMPARE(windows.ResourceIconForm->TheIcons.size(), int(ResourceImageCount));
            windows.ResourceIconForm->TheIcons.clear();
            BuildTree();
            QCOMPARE(windows.ResourceIconForm->TheIcons.size(), int(ResourceImageCount));
        }
        BuildTree();  // the windows are gone, and so is the hook
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
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(program, {});
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 1);
        const QString error = QString::fromLocal8Bit(process.readAllStandardError());
        QVERIFY2(error.contains(QStringLiteral("needs a graphical display")), qPrintable(error));
        QVERIFY2(error.contains(QStringLiteral("transvane-cli convert")), qPrintable(error));
        QVERIFY(process.readAllStandardOutput().isEmpty());
    }
};

QTEST_MAIN(TConverterWindowsTest)
#include "Converter_Windows_gui.moc"
