// The standard file dialogs and message box, set up but not run.
#include <QAbstractButton>
#include <QFileDialog>
#include <QMessageBox>
#include <QtTest>

#include "gui/app/Support_Dialogs.h"

class TStandardDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void openDialog() {
        const auto dialog = CStandardDialogs::MakeOpenDialog(nullptr);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Version 4 file to convert"));
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
        QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);  // the file must exist
        QCOMPARE(dialog->nameFilters(),
                 (QStringList{"Vantrel files (*.vtr)",
                              "Backup Files (*.vk1 *.vk2 *.vk3 *.vk4 *.vk5 *.vk6 *.vk7 *.vk8 *.vk9)"}));
        QCOMPARE(dialog->defaultSuffix(), QStringLiteral("vtr"));
    }

    void saveDialog() {
        const QString preset = QDir::temp().absoluteFilePath(QStringLiteral("old game.vtr"));
        const auto dialog = CStandardDialogs::MakeSaveDialog(nullptr, preset);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Name of the new version 5 file"));
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
        QVERIFY(!dialog->testOption(QFileDialog::DontConfirmOverwrite));
        QCOMPARE(dialog->nameFilters(), QStringList{"Vantrel files (*.vtr)"});
        QCOMPARE(dialog->defaultSuffix(), QStringLiteral("vtr"));
        // The source's full name is offered first.
        QCOMPARE(dialog->selectedFiles(), QStringList{preset});
    }

    void messageBox() {
        const auto box = CStandardDialogs::MakeMessageBox(nullptr, QStringLiteral("Error Loading: <b>x</b>"));
        QCOMPARE(box->windowTitle(), QStringLiteral("Transvane"));
        QCOMPARE(box->text(), QStringLiteral("Error Loading: <b>x</b>"));
        QCOMPARE(box->textFormat(), Qt::PlainText);  // texts are shown as they stand
        QCOMPARE(box->standardButtons(), QMessageBox::Ok);
        QCOMPARE(box->windowModality(), Qt::ApplicationModal);
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

QTEST_MAIN(TStandardDialogsTest)
#include "Support_Dialogs_gui.moc"
