// The game options form: its pages, its rules and its binding to the record.
#include <QCheckBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "project/Project_Main.h"
#include "project/Resource_Main.h"
#include "gui/world/Option_Form.h"
#include "format/world/Option_Icon.h"
#include "format/world/Option_Main.h"
#include "gui/world/Support_ValueEdit.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

template <class T>
T* Child(TOptionForm& form, const char* name) {
    T* child = form.findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr)
        qFatal("no control %s", name);
    return child;
}

QCheckBox* Check(TOptionForm& form, const char* name) { return Child<QCheckBox>(form, name); }

// Presses a button with the space bar, as a keyboard user does.  (Mouse
// clicks at one spot of successive windows would count as double clicks.)
void Click(QAbstractButton* button) { QTest::keyClick(button, Qt::Key_Space); }

// The twelve boxes and the flag each stands for.
struct CFlagBox {
    const char* Box;
    bool CGameOptions::*Flag;
};
const CFlagBox FlagBoxes[] = {
    {"FullscreenCheck", &CGameOptions::OptionFlag1},    {"WaitCheck", &CGameOptions::OptionFlag2},
    {"ScaleHardwareCheck", &CGameOptions::OptionFlag4}, {"NoBorderCheck", &CGameOptions::OptionFlag5},
    {"ShowcursorCheck", &CGameOptions::OptionFlag6},    {"NoCloseCheck", &CGameOptions::OptionFlag7},
    {"CaptionCheck", &CGameOptions::OptionFlag8},       {"QuitkeyCheck", &CGameOptions::OptionFlag9},
    {"HelpkeyCheck", &CGameOptions::OptionFlag10},      {"ScreenkeyCheck", &CGameOptions::OptionFlag11},
    {"SaveKeyCheck", &CGameOptions::OptionFlag12},      {"FreezeCheck", &CGameOptions::OptionFlag14},
};

}  // namespace

class OptionFormTest : public QObject {
    Q_OBJECT

    // The project whose options the forms edit, new for each test.
    std::unique_ptr<CProject> Project;

private slots:
    void init() {
        Project = std::make_unique<CProject>();
        ClearOptions(Project->World);
    }

    void pagesAndControls() {
        TOptionForm form(*Project);
        QCOMPARE(form.windowTitle(), QStringLiteral("Game Options"));
        auto* pages = form.findChild<QTabWidget*>();
        QVERIFY(pages);
        QStringList titles;
        for (int i = 0; i < pages->count(); ++i)
            titles << pages->tabText(i);
        QCOMPARE(titles, (QStringList{"&Graphics", "&Resolution", "&Keys", "&Loading", "&Errors", "&Info"}));

        QCOMPARE(Check(form, "FreezeCheck")->text(), QStringLiteral("&Freeze the game when the form looses focus"));
        QCOMPARE(Check(form, "SaveKeyCheck")->text(), QStringLiteral("Let <F5> and <F6> s&ave and load the game"));
        QCOMPARE(Check(form, "VariableErrorsCheck")->text(),
                 QStringLiteral("&Treat uninitialized variables as value 0"));
        QCOMPARE(Child<QPushButton>(form, "ChangeIconBtn")->text(), QStringLiteral("C&hange Icon"));
        QCOMPARE(Child<QLabel>(form, "GameIcon")->size(), QSize(32, 32));
        QVERIFY(Child<QRadioButton>(form, "DefaultBarBtn")->isChecked());
        QVERIFY(!Child<QLineEdit>(form, "Edit_LastChanged")->isEnabled());
        Child<QPlainTextEdit>(form, "Memo_Information");
        Child<QLineEdit>(form, "Edit_Author");
        Child<TValueEdit>(form, "Edit_Version");
        QCOMPARE(Child<TRadioGroup>(form, "ResolutionGroup")->Count(), 7);
        QCOMPARE(Child<TRadioGroup>(form, "FrequencyGroup")->Count(), 5);
        QCOMPARE(Child<TRadioGroup>(form, "ColorGroup")->title(), QStringLiteral(" Color Depth "));

        struct {
            const char* Name;
            int Min, Max;
        } const ranges[] = {{"WinScaleValue", 1, 999}, {"FullScaleValue", 0, 999}, {"GameIdEdit", 0, 100000000}};
        for (const auto& range : ranges) {
            auto* edit = Child<TValueEdit>(form, range.Name);
            QCOMPARE(edit->MinValue(), range.Min);
            QCOMPARE(edit->MaxValue(), range.Max);
        }
    }

    void resolutionCheckShowsPanel() {
        TOptionForm form(*Project);
        form.show();
        auto* check = Check(form, "ResolutionCheck");
        auto* panel = Child<QWidget>(form, "ResolutionPanel");
        QVERIFY(panel->isHidden());  // SetResolution is false in a cleared record
        Click(check);
        QVERIFY(!panel->isHidden());
        Click(check);
        QVERIFY(panel->isHidden());
    }

    void exclusiveModeWarning() {
        TOptionForm form(*Project);
        QStringList messages;
        form.ShowMessageBox = [&](const QString& text) { messages << text; };
        auto* check = Check(form, "ExclusiveCheck");
        Check(form, "ResolutionCheck")->setChecked(true);
        form.show();
        Click(check);
        QCOMPARE(messages, QStringList{"Please realize that in exclusive mode no dialogs, highscore table, or "
                                       "debug information can be shown!"});
        Click(check);  // unchecking says nothing
        QCOMPARE(messages.size(), 1);

        GameOptions(Project->World).ExclusiveMode = true;
        GameOptions(Project->World).SetResolution = true;
        form.LoadFromOptions();
        QVERIFY(check->isChecked());
        Click(check);
        Click(check);  // on again, but the record already was in exclusive mode
        QCOMPARE(messages.size(), 1);
    }

    void barButtonsShowImageButtons() {
        TOptionForm form(*Project);
        form.show();
        auto* back = Child<QPushButton>(form, "BackImage");
        auto* front = Child<QPushButton>(form, "FrontImage");
        QVERIFY(back->isHidden() && front->isHidden());
        Click(Child<QRadioButton>(form, "OwnBarBtn"));
        QVERIFY(!back->isHidden() && !front->isHidden());
        Click(Child<QRadioButton>(form, "NoBarBtn"));
        QVERIFY(back->isHidden() && front->isHidden());
        Click(Child<QRadioButton>(form, "OwnBarBtn"));
        Click(Child<QRadioButton>(form, "DefaultBarBtn"));
        QVERIFY(back->isHidden() && front->isHidden());
    }

    void pictureDialogsRememberExistingFiles() {
        QTemporaryDir folder;
        const QString picture = folder.filePath("loading.png");
        QImage image(3, 2, QImage::Format_RGB32);
        image.fill(QColor(10, 20, 30));
        QVERIFY(image.save(picture));

        TOptionForm form(*Project);
        form.show();
        QString answer = picture;
        form.ChooseFile = [&](const QString&, const QString&, const QString&) { return answer; };
        Click(Child<QPushButton>(form, "LoadImage"));
        QCOMPARE(form.LoadImageFile(), picture);
        answer.clear();  // cancelled: the name stays
        Click(Child<QPushButton>(form, "LoadImage"));
        QCOMPARE(form.LoadImageFile(), picture);
        answer = folder.filePath("gone.png");  // confirmed, but no such file: forgotten
        Click(Child<QPushButton>(form, "LoadImage"));
        QCOMPARE(form.LoadImageFile(), QString());

        Click(Child<QRadioButton>(form, "OwnBarBtn"));
        answer = picture;
        Click(Child<QPushButton>(form, "BackImage"));
        QCOMPARE(form.BackImageFile(), picture);
        QCOMPARE(form.FrontImageFile(), QString());

        // OK stores the picture as a 24-bit bitmap.
        form.accept();
        QCOMPARE(GameOptions(Project->World).ProgressBarKind, 2);
        QVERIFY(GameOptions(Project->World).BarBackImage.has_value());
        QVERIFY(!GameOptions(Project->World).BarFrontImage.has_value());
        QVERIFY(!GameOptions(Project->World).LoadingImage.has_value());
        const CBlock& bmp = *GameOptions(Project->World).BarBackImage;
        QVERIFY(bmp.size() > 54);
        QCOMPARE(bmp[0], std::uint8_t('B'));
        QCOMPARE(bmp[1], std::uint8_t('M'));
        QCOMPARE(bmp[28], std::uint8_t(24));
        QImage stored;
        QVERIFY(stored.loadFromData(bmp.data(), static_cast<int>(bmp.size()), "BMP"));
        QCOMPARE(stored.size(), QSize(3, 2));
        QCOMPARE(stored.pixelColor(1, 1), QColor(10, 20, 30));
    }

    void iconSizes_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("icon");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("4 bits") << 766 << true << true;
        QTest::newRow("8 bits") << 2238 << true << true;
        QTest::newRow("24 bits") << 3262 << true << true;
        QTest::newRow("32 bits") << 4286 << true << true;
        QTest::newRow("one byte short") << 2237 << true << false;
        QTest::newRow("one byte over") << 767 << true << false;
        QTest::newRow("empty") << 0 << false << false;
        QTest::newRow("right size, no icon") << 2238 << false << false;
    }

    void iconSizes() {
        QFETCH(int, size);
        QFETCH(bool, icon);
        QFETCH(bool, accepted);
        QTemporaryDir folder;
        const QString name = folder.filePath("game.ico");
        QByteArray bytes(size, '\x7f');
        if (icon && size >= 6)
            bytes.replace(0, 6, QByteArray("\0\0\1\0\1\0", 6));
        WriteWholeFile(name.toStdString(), CBlock(bytes.begin(), bytes.end()));

        TOptionForm form(*Project);
        QStringList messages;
        QStringList filters;
        form.ShowMessageBox = [&](const QString& text) { messages << text; };
        form.ChooseFile = [&](const QString&, const QString& filter, const QString& suffix) {
            filters << filter << suffix;
            return name;
        };
        form.show();
        Click(Child<QPushButton>(form, "ChangeIconBtn"));
        QCOMPARE(filters, (QStringList{"Icon Files (*.ico)", "ico"}));
        if (accepted) {
            QVERIFY(messages.isEmpty());
            QCOMPARE(form.IconBytes(), CBlock(bytes.begin(), bytes.end()));
            form.accept();
            QCOMPARE(GameOptions(Project->World).Icon, CBlock(bytes.begin(), bytes.end()));
        } else {
            QCOMPARE(messages, QStringList{"Only 32x32, single icons are supported."});
            QCOMPARE(form.IconBytes(), DefaultGameIcon());
        }
    }

    void showsTheDefaultIcon() {
        TOptionForm form(*Project);
        form.show();
        QCOMPARE(form.IconBytes(), DefaultGameIcon());
        QVERIFY(!Child<QLabel>(form, "GameIcon")->pixmap().isNull());
        QVERIFY(!Child<QLabel>(form, "DefaultGameIcon")->pixmap().isNull());
    }

    void fillsAndWritesTheRecord() {
        GameOptions(Project->World).WindowScale = 250;
        GameOptions(Project->World).FullScale = 0;
        GameOptions(Project->World).SetResolution = true;
        GameOptions(Project->World).ColorDepth = 1;
        GameOptions(Project->World).Resolution = 4;
        GameOptions(Project->World).Frequency = 2;
        GameOptions(Project->World).ProgressBarKind = 0;
        GameOptions(Project->World).ShowLoadImage = true;
        GameOptions(Project->World).WriteErrors = true;
        GameOptions(Project->World).Author = "Ann\x81\xe9";  // a byte Windows-1252 leaves unassigned
        GameOptions(Project->World).GameVersion = 321;
        GameOptions(Project->World).Information = "line one\r\nline two";
        GameOptions(Project->World).LastChanged = 45000.5;  // 15 March 2023, noon
        GameId(Project->Model) = 4242;

        TOptionForm form(*Project);
        form.show();
        QCOMPARE(Child<TValueEdit>(form, "WinScaleValue")->text(), QStringLiteral("250"));
        QCOMPARE(Child<TValueEdit>(form, "FullScaleValue")->Value(), 0);
        QVERIFY(!Child<QWidget>(form, "ResolutionPanel")->isHidden());
        QCOMPARE(Child<TRadioGroup>(form, "ColorGroup")->ItemIndex(), 1);
        QCOMPARE(Child<TRadioGroup>(form, "ResolutionGroup")->ItemIndex(), 4);
        QCOMPARE(Child<TRadioGroup>(form, "FrequencyGroup")->ItemIndex(), 2);
        QVERIFY(Child<QRadioButton>(form, "NoBarBtn")->isChecked());
        QVERIFY(Check(form, "ShowLoadImageCheck")->isChecked());
        QVERIFY(Check(form, "WriteErrorsCheck")->isChecked());
        QVERIFY(Check(form, "DisplayErrorsCheck")->isChecked());
        QCOMPARE(Child<TValueEdit>(form, "GameIdEdit")->Value(), 4242);
        QCOMPARE(Child<TValueEdit>(form, "Edit_Version")->Value(), 321);
        QCOMPARE(Child<QPlainTextEdit>(form, "Memo_Information")->toPlainText(), QStringLiteral("line one\nline two"));
        QVERIFY(Child<QLineEdit>(form, "Edit_LastChanged")->text().contains("23"));

        // Accepted unchanged, the record keeps every value, texts byte for byte.
        const CGameOptions before = GameOptions(Project->World);
        form.accept();
        QCOMPARE(GameOptions(Project->World).Author, before.Author);
        QCOMPARE(GameOptions(Project->World).Information, before.Information);
        QCOMPARE(GameOptions(Project->World).WindowScale, 250);
        QCOMPARE(GameOptions(Project->World).Resolution, 4);
        QCOMPARE(GameOptions(Project->World).ProgressBarKind, 0);
        QCOMPARE(GameOptions(Project->World).Icon, before.Icon);
        QCOMPARE(GameId(Project->Model), 4242);
        QVERIFY(GameOptions(Project->World).Changed);

        // Edited, the record takes the edits.
        GameOptions(Project->World).Changed = false;
        form.show();
        auto* scale = Child<TValueEdit>(form, "WinScaleValue");
        scale->selectAll();
        QTest::keyClicks(scale, "1500");
        Child<TRadioGroup>(form, "ResolutionGroup")->SetItemIndex(6);
        auto* memo = Child<QPlainTextEdit>(form, "Memo_Information");
        memo->selectAll();
        QTest::keyClicks(memo, "a");
        QTest::keyClick(memo, Qt::Key_Return);
        QTest::keyClicks(memo, "b");
        auto* author = Child<QLineEdit>(form, "Edit_Author");
        author->selectAll();
        for (const QChar c : QString::fromUtf8("Zo\u00eb \u20ac")) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(author, &press);
        }
        form.accept();
        QCOMPARE(GameOptions(Project->World).WindowScale, 999);
        QCOMPARE(GameOptions(Project->World).Resolution, 6);
        QCOMPARE(GameOptions(Project->World).Information, std::string("a\r\nb"));
        QCOMPARE(GameOptions(Project->World).Author, std::string("Zo\xeb \x80"));
    }

    void cancelLeavesTheRecord() {
        TOptionForm form(*Project);
        form.show();
        Click(Check(form, "FullscreenCheck"));
        Click(Child<QRadioButton>(form, "OwnBarBtn"));
        form.reject();
        QVERIFY(!GameOptions(Project->World).OptionFlag1);
        QCOMPARE(GameOptions(Project->World).ProgressBarKind, 1);
        QVERIFY(!GameOptions(Project->World).Changed);
    }

    void flagsMapToBoxes() {
        for (const CFlagBox& mapping : FlagBoxes) {
            ClearOptions(Project->World);
            const CGameOptions cleared = GameOptions(Project->World);
            TOptionForm form(*Project);
            form.show();
            // Each box starts at its flag's default and writes only its own flag.
            QCOMPARE(Check(form, mapping.Box)->isChecked(), cleared.*mapping.Flag);
            Click(Check(form, mapping.Box));
            form.accept();
            for (const CFlagBox& other : FlagBoxes)
                QVERIFY2((GameOptions(Project->World).*other.Flag) ==
                             (other.Flag == mapping.Flag ? !(cleared.*other.Flag) : cleared.*other.Flag),
                         mapping.Box);
            QCOMPARE(GameOptions(Project->World).OptionFlag3, cleared.OptionFlag3);
            QCOMPARE(GameOptions(Project->World).OptionFlag13, cleared.OptionFlag13);
        }
    }

    void unknownChoicesAreKept() {
        GameOptions(Project->World).ProgressBarKind = 7;
        GameOptions(Project->World).Resolution = 12;
        TOptionForm form(*Project);
        form.show();
        QVERIFY(!Child<QRadioButton>(form, "NoBarBtn")->isChecked());
        QVERIFY(!Child<QRadioButton>(form, "DefaultBarBtn")->isChecked());
        QVERIFY(!Child<QRadioButton>(form, "OwnBarBtn")->isChecked());
        QCOMPARE(Child<TRadioGroup>(form, "ResolutionGroup")->ItemIndex(), -1);
        form.accept();
        QCOMPARE(GameOptions(Project->World).ProgressBarKind, 7);
        QCOMPARE(GameOptions(Project->World).Resolution, 12);
    }
};

}  // namespace transvane

using namespace transvane;

QTEST_MAIN(OptionFormTest)
#include "Option_Form_gui.moc"
