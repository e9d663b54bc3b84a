// The standard file dialogs and message box, set up but not run, and the
// folder the open dialog remembers.
#include <QAbstractButton>
#include <QFileDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QMessageBox>
#include <QSettings>
#include <QtTest>
#include <functional>

#include "gui/app/Support_Dialogs.h"
#include "testkit/TestSupport.h"

namespace transvane {

class TStandardDialogsTest : public QObject {
    Q_OBJECT

private:
    CScratchFolder Settings;

private slots:
    void initTestCase() {
        // The user's own settings stay out of the tests.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(Settings.Path()));
        QCoreApplication::setOrganizationName(ApplicationTitle);
        QCoreApplication::setApplicationName(ApplicationTitle);
    }

    void init() { QSettings().clear(); }

    void openDialog() {
        const auto dialog = CStandardDialogs::MakeOpenDialog(nullptr);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Version 4 file to convert"));
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
        QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFiles);  // files that exist, one or several
        QCOMPARE(
            dialog->nameFilters(),
            (QStringList{"Vantrel files (*.vtr)",
                         "Backup Files (*.vk1 *.vk2 *.vk3 *.vk4 *.vk5 *.vk6 *.vk7 *.vk8 *.vk9)", "All files (*)"}));
        QCOMPARE(dialog->defaultSuffix(), QStringLiteral("vtr"));
    }

    void openDialogRemembersTheLastFolder() {
        CScratchFolder games;
        const QString folder = QString::fromStdString(games.Path());
        const QString picked = QString::fromStdString(games.File("old game.vtr"));
        WriteWholeFile(picked.toStdString(), Bytes({1}));
        QCOMPARE(RememberedOpenFolder(), QString());

        CStandardDialogs dialogs;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            dialog->selectFile(picked);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QCOMPARE(dialogs.AskFilesToOpen(nullptr), QStringList{picked});

        // Kept in the settings, so a later run starts there too.
        QSettings().sync();
        QCOMPARE(RememberedOpenFolder(), folder);
        QCOMPARE(CStandardDialogs::MakeOpenDialog(nullptr)->directory().absolutePath(), folder);

        // A folder that has gone since is forgotten rather than offered.
        RememberOpenFolder(folder + QStringLiteral("/gone/old.vtr"));
        QCOMPARE(RememberedOpenFolder(), QString());
    }

    // The toolkit's own overwrite question cannot name the backup: ours
    // does, and No brings the dialog back.
    void replacingAFileNamesItsBackup() {
        CScratchFolder games;
        const QString existing = QString::fromStdString(games.File("game.vtr"));
        WriteWholeFile(existing.toStdString(), Bytes({1}));
        QStringList questions;
        int dialogs = 0;
        std::function<void()> answer = [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                ++dialogs;
                dialog->selectFile(existing);
                QMetaObject::invokeMethod(dialog, "accept");
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                questions << box->text();
                box->button(questions.size() == 1 ? QMessageBox::No : QMessageBox::Yes)->click();
            }
            if (questions.size() < 2)
                QTimer::singleShot(0, answer);
        };
        QTimer::singleShot(0, answer);
        const auto keptAs = [](const QString& target) { return target.chopped(4) + ".vk1"; };
        QCOMPARE(CStandardDialogs().AskFileToSave(nullptr, existing, keptAs), std::optional<QString>(existing));
        QCOMPARE(dialogs, 2);
        QCOMPARE(questions, QStringList(2,
                                        "game.vtr already exists. Replace it? The current file will be kept as "
                                        "game.vk1."));
    }

    void saveDialog() {
        const QString preset = QDir::temp().absoluteFilePath(QStringLiteral("old game.vtr"));
        const auto dialog = CStandardDialogs::MakeSaveDialog(nullptr, preset);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Name of the new version 5 file"));
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
        QVERIFY(dialog->testOption(QFileDialog::DontConfirmOverwrite));  // asked by AskFileToSave
        QCOMPARE(dialog->nameFilters(), QStringList{"Vantrel files (*.vtr)"});
        QCOMPARE(dialog->defaultSuffix(), QStringLiteral("vtr"));
        // The source's full name is offered first.
        QCOMPARE(dialog->selectedFiles(), QStringList{preset});
    }

    void messageBox() {
        const auto box = CStandardDialogs::MakeMessageBox(nullptr, QStringLiteral("Error Loading: <b>x</b>"),
                                                          {"file: <i>old</i>.vtr", "cause: Is a directory"});
        QCOMPARE(box->windowTitle(), QStringLiteral("Transvane"));
        QCOMPARE(box->text(), QStringLiteral("Error Loading: <b>x</b>"));
        // The context below the message, as it stands.
        QCOMPARE(box->informativeText(), QStringLiteral("file: <i>old</i>.vtr\ncause: Is a directory"));
        const auto* informative = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
        QVERIFY(informative != nullptr);
        QCOMPARE(informative->textFormat(), Qt::PlainText);
        QCOMPARE(box->textFormat(), Qt::PlainText);  // texts are shown as they stand
        QCOMPARE(box->standardButtons(), QMessageBox::Ok);
        QCOMPARE(box->windowModality(), Qt::ApplicationModal);
    }

    // Wide and resizable enough to read places; Enter closes it even
    // from inside the details.
    void summaryBox() {
        const auto box =
            CStandardDialogs::MakeSummaryBox(nullptr, "Converting a.vtr gave 2 messages.", QString("x").repeated(300));
        box->show();
        QVERIFY(box->isSizeGripEnabled());
        QVERIFY(box->Details->width() >= 600);
        QVERIFY(box->maximumWidth() > box->width());
        box->resize(box->width() + 200, box->height() + 100);
        QCOMPARE(box->Details->isReadOnly(), true);
        box->Details->setFocus();
        QTest::keyClick(box->Details, Qt::Key_Return);
        QCOMPARE(box->result(), int(QDialog::Accepted));
        QVERIFY(!box->isVisible());
    }

    void messageBoxReturnsWhenClosed() {
        CStandardDialogs dialogs;
        QTimer::singleShot(0, [] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            box->button(QMessageBox::Ok)->click();
        });
        dialogs.ShowMessage(nullptr, QStringLiteral("Error Loading: File does not exist."));
    }
};

}  // namespace transvane

using namespace transvane;

QTEST_MAIN(TStandardDialogsTest)
#include "Support_Dialogs_gui.moc"
