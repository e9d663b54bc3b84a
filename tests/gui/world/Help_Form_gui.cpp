// The game-information editor and its Rich Text Format conversion.
#include <QAction>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextList>
#include <filesystem>
#include <string>

#include "gui/world/Help_Form.h"
#include "format/core/Support_CodePage.h"
#include "format/world/Help_Main.h"
#include "gui/world/Help_Rtf.h"
#include "project/Project_Main.h"
#include "format/world/Support_RichText.h"
#include "testkit/TestSupport.h"

namespace transvane {

namespace {

// The character format at a position of the document (of the character
// after it).
QTextCharFormat FormatAt(const QTextDocument& document, int position) {
    QTextCursor cursor(const_cast<QTextDocument*>(&document));
    cursor.setPosition(position + 1);
    return cursor.charFormat();
}

int Find(const QTextDocument& document, const QString& text) { return document.find(text).selectionStart(); }

QAction* Action(THelpForm& form, const char* name) { return form.findChild<QAction*>(name); }

// Closes the editor, answering Yes to its question.
void CloseSaving(THelpForm& form) {
    form.AskYesNoCancel = [](const QString&) { return QMessageBox::Yes; };
    form.close();
}

const char* const RichEditDocument =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
    "{\\f1\\froman\\fcharset0 Times New Roman;}{\\f2\\fnil\\fcharset2 Symbol;}}\r\n"
    "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\r\n"
    "{\\*\\generator Riched20 5.50.99.2050;}\\viewkind4\\uc1\\pard\\qc\\b\\f0\\fs32 Title\\b0\\par\r\n"
    "\\pard\\fs24 plain \\i italic\\i0  \\ul under\\ulnone  \\cf1 red\\cf0  \\f1 times\\f0  caf\\'e9 "
    "\\u8364? \\u937?\\tab end\\par\r\n"
    "{\\pntext\\f2\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf2\\pnindent0{\\pntxtb\\'B7}}\\fi-720\\li720 first\\par\r\n"
    "{\\pntext\\f2\\'B7\\tab}second\\par\r\n"
    "\\pard\\qr{\\pict\\wmetafile8 0102030405}{\\*\\unknown hidden}right\\par\r\n"
    "}\r\n";

// The formatting of RichEditDocument that every way through the editor
// keeps: the bold centred title, italic, colour, the list and the
// right-aligned last paragraph.
void ExpectRichEditFormatting(const QTextDocument& document) {
    QCOMPARE(document.blockCount(), 5);
    QCOMPARE(FormatAt(document, 0).fontWeight(), int(QFont::Bold));
    QCOMPARE(FormatAt(document, 0).fontPointSize(), 16.0);
    QVERIFY(document.findBlockByNumber(0).blockFormat().alignment() & Qt::AlignHCenter);
    QVERIFY(FormatAt(document, Find(document, "italic")).fontItalic());
    QCOMPARE(FormatAt(document, Find(document, "red")).foreground().color(), QColor(255, 0, 0));
    QVERIFY(document.findBlockByNumber(2).textList() != nullptr);
    QCOMPARE(document.findBlockByNumber(3).textList(), document.findBlockByNumber(2).textList());
    QVERIFY(document.findBlockByNumber(4).textList() == nullptr);
    QVERIFY(document.findBlockByNumber(4).blockFormat().alignment() & Qt::AlignRight);
}

}  // namespace

class HelpFormTest : public QObject {
    Q_OBJECT

    // The project whose game information the forms edit, new for each test.
    std::unique_ptr<CProject> Project;

private slots:
    void init() {
        Project = std::make_unique<CProject>();
        ClearGameInformation(Project->World);
    }

    void readsFormattingOfAStoredDocument() {
        QTextDocument document;
        QVERIFY(RtfToDocument(Bytes(RichEditDocument), document));
        ExpectRichEditFormatting(document);
        QCOMPARE(document.findBlockByNumber(0).text(), QStringLiteral("Title"));
        QCOMPARE(document.findBlockByNumber(1).text(),
                 QString::fromUtf8("plain italic under red times caf\u00e9 \u20ac \u03a9\tend"));
        QCOMPARE(document.findBlockByNumber(2).text(), QStringLiteral("first"));
        QCOMPARE(document.findBlockByNumber(3).text(), QStringLiteral("second"));
        QCOMPARE(document.findBlockByNumber(4).text(), QStringLiteral("right"));
        QCOMPARE(FormatAt(document, 0).fontFamilies().toStringList().value(0), QStringLiteral("Arial"));
        QVERIFY(!FormatAt(document, Find(document, "plain")).fontItalic());
        QVERIFY(FormatAt(document, Find(document, "under")).fontUnderline());
        QCOMPARE(FormatAt(document, Find(document, "times")).fontFamilies().toStringList().value(0),
                 QStringLiteral("Times New Roman"));
        QCOMPARE(FormatAt(document, Find(document, "plain")).fontPointSize(), 12.0);
    }

    void roundTripKeepsFormatting() {
        QTextDocument document;
        QVERIFY(RtfToDocument(Bytes(RichEditDocument), document));
        const CBlock written = DocumentToRtf(document);
        QVERIFY2(IsWellFormedRtf(written), Text(written).c_str());
        QTextDocument again;
        QVERIFY(RtfToDocument(written, again));
        QCOMPARE(again.toPlainText(), document.toPlainText());
        QCOMPARE(again.blockCount(), document.blockCount());
        for (int i = 0; i < document.characterCount() - 1; ++i) {
            const QTextCharFormat a = FormatAt(document, i);
            const QTextCharFormat b = FormatAt(again, i);
            QCOMPARE(b.fontWeight(), a.fontWeight());
            QCOMPARE(b.fontItalic(), a.fontItalic());
            QCOMPARE(b.fontUnderline(), a.fontUnderline());
            QCOMPARE(b.fontPointSize(), a.fontPointSize());
            QCOMPARE(b.fontFamilies(), a.fontFamilies());
            QCOMPARE(b.foreground().color(), a.foreground().color());
        }
        for (int i = 0; i < document.blockCount(); ++i) {
            QCOMPARE(again.findBlockByNumber(i).blockFormat().alignment(),
                     document.findBlockByNumber(i).blockFormat().alignment());
            QCOMPARE(again.findBlockByNumber(i).textList() != nullptr,
                     document.findBlockByNumber(i).textList() != nullptr);
        }
        // Written twice, the same document gives the same bytes.
        QCOMPARE(Text(DocumentToRtf(again)), Text(written));
    }

    void writesCharactersSafely_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("braces and backslash") << QStringLiteral("a{b}c\\d");
        QTest::newRow("Windows-1252") << QString::fromUtf8("\u20ac \u00e9\u00ff \u201chi\u201d");
        QTest::newRow("beyond Windows-1252") << QString::fromUtf8("\u03a9\u4e2d\U0001F600");
        QTest::newRow("tabs and line breaks") << QString::fromUtf8("a\tb\u2028c");
        QTest::newRow("leading spaces after a word") << QStringLiteral("  two spaces");
        QTest::newRow("control word look-alike") << QStringLiteral("\\par \\b not bold");
        QTest::newRow("several paragraphs with an empty one") << QStringLiteral("one\n\nthree\n");
    }

    void writesCharactersSafely() {
        QFETCH(QString, text);
        QTextDocument document;
        document.setPlainText(text);
        const CBlock written = DocumentToRtf(document);
        QVERIFY2(IsWellFormedRtf(written), Text(written).c_str());
        for (const std::uint8_t byte : written)
            QVERIFY(byte < 0x80);
        QTextDocument again;
        QVERIFY(RtfToDocument(written, again));
        QCOMPARE(again.toRawText(), document.toRawText());
    }

    // One table of documents that `info` (the plain text) and the editor
    // must read alike, hostile ones included.
    void readsLikeThePlainText_data() {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");
        const std::string deep = std::string(200000, '{') + "deep" + std::string(200000, '}');
        QTest::newRow("tables and information")
            << QByteArray(
                   "{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red1\\green2\\blue3;}{\\stylesheet{\\s0 Normal;}}"
                   "{\\info{\\title T}{\\author A}}{\\*\\generator G;}a\\par b}")
            << "a\nb";
        QTest::newRow("destinations one reader used to show")
            << QByteArray(
                   "{\\rtf1 a{\\fldinst HYPERLINK x}{\\filetbl f}{\\revtbl r}{\\pgdsctbl p}{\\annotation n}{\\atnid i}"
                   "{\\ftnsep s}{\\nonshppict q}{\\subject s}{\\pn\\pnlvlblt{\\pntxtb x}}b}")
            << "ab";
        QTest::newRow("ignorable, fields, escapes")
            << QByteArray(
                   "{\\rtf1{\\stylesheet{\\s0 Normal;}}{\\info{\\title secret}}{\\*\\foo{\\b nested} hidden}"
                   "{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt shown}}\\'41\\uc2\\u66 xyC\\line D}")
            << "shownABC\nD";
        QTest::newRow("named characters")
            << QByteArray(
                   "{\\rtf1 "
                   "\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote\\emspace\\enspace\\qmspace|}")
            << QString::fromUtf8("\u2014\u2013\u2022\u2018\u2019\u201c\u201d   |");
        QTest::newRow("symbols") << QByteArray("{\\rtf1 a\\\\b\\{c\\}d\\~e\\-f\\|g\\:h\\*i}")
                                 << QString::fromUtf8("a\\b{c}d\u00a0efghi");
        QTest::newRow("breaks") << QByteArray("{\\rtf1 a\\line b\\tab c\\cell d\\par e\\sect f\r\ng\\\nh\\par\\par}")
                                << "a\nb\tc\td\ne\nfg\nh\n\n";
        QTest::newRow("hex and unicode with fallbacks")
            << QByteArray(
                   "{\\rtf1\\uc1 caf\\u233 e \\u8364\\'80 \\'e9{\\uc2\\u8212--}\\u65 B\\uc0\\u66 C\\uc2\\u67\\b x y}")
            << QString::fromUtf8("caf\u00e9 \u20ac \u00e9\u2014ABCC y");
        QTest::newRow("binary data") << QByteArray("{\\rtf1 a\\bin3 {x}b{\\pict\\bin3 }}}}c}") << "abc";
        QTest::newRow("after the document") << QByteArray("{\\rtf1 y}}} z") << "y";
        QTest::newRow("deep nesting") << QByteArray::fromStdString("{\\rtf1 before" + deep + " after}")
                                      << "before after";
        QTest::newRow("binary past the end") << QByteArray("{\\rtf1 text\\bin999999 x}") << "text";
        QTest::newRow("number too long") << QByteArray("{\\rtf1 a\\bin999999999999 b}") << "a";
        QTest::newRow("huge fallback count") << QByteArray("{\\rtf1\\uc2147483647\\u65 BCDEFGHIJKLMNOPQRS}") << "ARS";
        QTest::newRow("absurd unicode") << QByteArray("{\\rtf1 a\\u-999999999999999999999? x}") << "a";
        QTest::newRow("cut-off escape") << QByteArray("{\\rtf1 a\\'") << "a";
        QTest::newRow("invalid hex digits") << QByteArray("{\\rtf1 a\\'zz ok}") << "a";
        QTest::newRow("odd colour table") << QByteArray("{\\rtf1{\\colortbl;\\red999\\green-4;;}\\cf1 c}") << "c";
        QTest::newRow("cut short") << QByteArray("{\\rtf1{\\fonttbl\\f0 Unterminated") << "";
    }

    void readsLikeThePlainText() {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        const CBlock bytes(rtf.begin(), rtf.end());
        QTextDocument document;
        QVERIFY(RtfToDocument(bytes, document));
        // The last paragraph mark ends the editor's last block.
        QString shown = document.toRawText().replace(QChar(u'\u2029'), u'\n').replace(QChar(u'\u2028'), u'\n');
        QCOMPARE(shown, text.endsWith(u'\n') ? text.chopped(1) : text);
        QCOMPARE(QString::fromStdString(Windows1252ToUtf8(RtfPlainText(bytes))), text);
    }

    void readsHostileSizesWithinBounds() {
        QTextDocument small;
        RtfToDocument(Bytes("{\\rtf1 \\fs-5 \\fs999999999 \\cf99999 \\f-3 small}"), small);
        QCOMPARE(small.toPlainText(), QStringLiteral("small"));
        QCOMPARE(FormatAt(small, 0).fontPointSize(), 1638.0);

        QTextDocument notRtf;
        QVERIFY(!RtfToDocument(Bytes("plain text"), notRtf));
        QVERIFY(notRtf.isEmpty());
    }

    void editorShowsTheModelAndKeepsUneditedBytes() {
        SetGameInformationText(Project->World, Project->Core, Bytes(RichEditDocument));
        GameInformation(Project->World).Changed = false;
        const CBlock stored = GameInformation(Project->World).Text;
        THelpForm form(Project->World);
        QCOMPARE(form.windowTitle(), QStringLiteral("Game Information"));
        QCOMPARE(form.Editor()->objectName(), QStringLiteral("Editor"));
        form.show();
        QVERIFY(form.Editor()->toPlainText().startsWith("Title"));
        form.GotoLine(3);
        QCOMPARE(form.CurrentLine(), 3);
        QVERIFY(form.close());
        QCOMPARE(GameInformation(Project->World).Text, stored);
        QVERIFY(!GameInformation(Project->World).Changed);
    }

    void editsReachTheModelAsRichText() {
        THelpForm form(Project->World);
        form.show();
        QTest::keyClicks(form.Editor(), "Hello");
        Action(form, "SelectAllItem")->trigger();
        Action(form, "BoldItem")->trigger();
        QVERIFY(GameInformation(Project->World).Changed);
        QVERIFY(IsWellFormedRtf(GameInformation(Project->World).Text));
        QCOMPARE(QString::fromStdString(GameInformationPlainText(Project->World)).trimmed(), QStringLiteral("Hello"));
        QTextDocument document;
        QVERIFY(RtfToDocument(GameInformation(Project->World).Text, document));
        QCOMPARE(FormatAt(document, 0).fontWeight(), int(QFont::Bold));
        QCOMPARE(FormatAt(document, 0).fontFamilies().toStringList().value(0), QStringLiteral("Arial"));
        QCOMPARE(FormatAt(document, 0).fontPointSize(), 12.0);
        CloseSaving(form);
        QVERIFY(!form.isVisible());
    }

    void formattingSurvivesAnEditInTheEditor() {
        SetGameInformationText(Project->World, Project->Core, Bytes(RichEditDocument));
        THelpForm form(Project->World);
        form.show();
        form.GotoLine(5);
        QTest::keyClick(form.Editor(), Qt::Key_End);
        QTest::keyClicks(form.Editor(), " edge");
        form.GotoLine(2);
        QTest::keyClicks(form.Editor(), "new ");
        QVERIFY(IsWellFormedRtf(GameInformation(Project->World).Text));

        QTextDocument saved;
        QVERIFY(RtfToDocument(GameInformation(Project->World).Text, saved));
        ExpectRichEditFormatting(saved);
        QCOMPARE(saved.findBlockByNumber(4).text(), QStringLiteral("right edge"));
        QVERIFY(saved.findBlockByNumber(1).text().startsWith("new plain italic"));
        QVERIFY(saved.toPlainText().contains(QString::fromUtf8("caf\u00e9 \u20ac \u03a9\tend")));
        CloseSaving(form);
    }

    void controlsFollowTheSelection() {
        THelpForm form(Project->World);
        form.show();
        QTest::keyClicks(form.Editor(), "abc");
        QVERIFY(!Action(form, "CopyItem")->isEnabled());
        QVERIFY(!Action(form, "CutItem")->isEnabled());
        QVERIFY(Action(form, "UndoItem")->isEnabled());
        QTest::keyClick(form.Editor(), Qt::Key_Left, Qt::ShiftModifier);
        QVERIFY(Action(form, "CopyItem")->isEnabled());
        Action(form, "BoldItem")->trigger();
        QVERIFY(Action(form, "BoldItem")->isChecked());
        Action(form, "CenterAlignItem")->trigger();
        Action(form, "BulletItem")->trigger();
        QTest::keyClick(form.Editor(), Qt::Key_Home);
        QVERIFY(!Action(form, "BoldItem")->isChecked());
        QVERIFY(Action(form, "CenterAlignItem")->isChecked());
        QVERIFY(Action(form, "BulletItem")->isChecked());
        Action(form, "BulletItem")->trigger();
        QVERIFY(!Action(form, "BulletItem")->isChecked());
        QVERIFY(form.Editor()->textCursor().currentList() == nullptr);
        CloseSaving(form);
    }

    void gotoLine_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("line");
        QTest::newRow("a line") << "3" << 3;
        QTest::newRow("spaces around") << " 2 " << 2;
        QTest::newRow("not a number is ignored") << "two" << 4;
        QTest::newRow("beyond the end") << "99" << 5;
        QTest::newRow("below the start") << "0" << 1;
    }

    void gotoLine() {
        QFETCH(QString, answer);
        QFETCH(int, line);
        SetGameInformationText(Project->World, Project->Core,
                               Bytes("{\\rtf1 one\\par two\\par three\\par four\\par five}"));
        THelpForm form(Project->World);
        form.show();
        form.GotoLine(4);
        QString title, prompt, proposed;
        form.AskText = [&](const QString& t, const QString& p, const QString& v) -> std::optional<QString> {
            title = t;
            prompt = p;
            proposed = v;
            return answer;
        };
        Action(form, "GotoLineItem")->trigger();
        QCOMPARE(title, QStringLiteral("Goto Line"));
        QCOMPARE(prompt, QStringLiteral("line number:"));
        QCOMPARE(proposed, QStringLiteral("4"));
        QCOMPARE(form.CurrentLine(), line);
        QCOMPARE(form.Editor()->textCursor().positionInBlock(), 0);
    }

    void closeQuestion() {
        SetGameInformationText(Project->World, Project->Core, Bytes("{\\rtf1 original}"));
        GameInformation(Project->World).Changed = false;
        const CBlock stored = GameInformation(Project->World).Text;
        THelpForm form(Project->World);
        form.show();
        QStringList asked;
        QMessageBox::StandardButton answer = QMessageBox::Cancel;
        form.AskYesNoCancel = [&](const QString& text) {
            asked << text;
            return answer;
        };
        // Nothing changed: no question.
        QVERIFY(form.close());
        QVERIFY(asked.isEmpty());

        form.show();
        QTest::keyClicks(form.Editor(), "new ");
        form.ChooseColor = [](const QColor&, const QString&) { return QColor(0x10, 0x20, 0x30); };
        Action(form, "BackgroundColorItem")->trigger();
        QCOMPARE(GameInformation(Project->World).BackgroundColor, 0x302010);
        QCOMPARE(form.Editor()->palette().color(QPalette::Base), QColor(0x10, 0x20, 0x30));

        answer = QMessageBox::Cancel;
        QVERIFY(!form.close());
        QCOMPARE(asked, QStringList{"Save changes in game information?"});
        QVERIFY(form.isVisible());
        QVERIFY(GameInformation(Project->World).Changed);

        answer = QMessageBox::No;
        QVERIFY(form.close());
        QCOMPARE(GameInformation(Project->World).Text, stored);
        QCOMPARE(GameInformation(Project->World).BackgroundColor, DefaultInformationColor);
        QVERIFY(!GameInformation(Project->World).Changed);
        QCOMPARE(form.Editor()->toPlainText(), QStringLiteral("original"));

        form.show();
        QTest::keyClicks(form.Editor(), "kept ");
        answer = QMessageBox::Yes;
        QVERIFY(form.close());
        QVERIFY(QString::fromStdString(GameInformationPlainText(Project->World)).startsWith("kept original"));
        QVERIFY(GameInformation(Project->World).Changed);

        form.show();
        asked.clear();
        QTest::keyClicks(form.Editor(), "more ");
        Action(form, "CloseSavingItem")->trigger();
        QVERIFY(!form.isVisible());
        QVERIFY(asked.isEmpty());
        QVERIFY(QString::fromStdString(GameInformationPlainText(Project->World)).startsWith("more kept"));
    }

    void mimicMainFormAndColours() {
        THelpForm form(Project->World);
        form.show();
        QAction* mimic = Action(form, "MimicMainForm1");
        QVERIFY(mimic);
        QCOMPARE(mimic->text(), QStringLiteral("Mimic Main Form"));
        QVERIFY(!mimic->isChecked());
        mimic->trigger();
        QVERIFY(GameInformation(Project->World).MimicMainForm);
        QVERIFY(GameInformation(Project->World).Changed);
        // The stored system colour shows as the tool-tip background.
        QCOMPARE(form.Editor()->palette().color(QPalette::Base), QApplication::palette().color(QPalette::ToolTipBase));
        QCOMPARE(THelpForm::ShownColor(0x0000FF), QColor(255, 0, 0));
        QCOMPARE(THelpForm::StoredColor(QColor(1, 2, 3)), 0x030201);
        QCOMPARE(form.Editor()->font().family(), QStringLiteral("Arial"));
        QCOMPARE(form.Editor()->font().pointSize(), 12);
        CloseSaving(form);
    }

    void loadAndSaveFiles() {
        THelpForm form(Project->World);
        form.show();
        QStringList titles;
        const CScratchFolder folder;
        const std::string name = folder.File("help.rtf");
        form.ChooseSaveFile = [&](const QString& title, const QString& filter, const QString& suffix) {
            titles << title << filter << suffix;
            return QString::fromStdString(name);
        };
        form.ChooseOpenFile = [&](const QString& title, const QString&, const QString&) {
            titles << title;
            return QString::fromStdString(name);
        };
        WriteWholeFile(name, Bytes(RichEditDocument));
        Action(form, "LoadItem")->trigger();
        QVERIFY(form.Editor()->toPlainText().startsWith("Title"));
        QCOMPARE(Text(GameInformation(Project->World).Text), std::string(RichEditDocument));
        QVERIFY(GameInformation(Project->World).Changed);
        std::filesystem::remove(name);
        Action(form, "SaveItem")->trigger();
        QCOMPARE(Text(ReadWholeFile(name)), std::string(RichEditDocument));
        QCOMPARE(titles, (QStringList{"File to load information from", "File to write information to",
                                      "Rich Text Files (*.rtf);;All Files (*)", "rtf"}));
        CloseSaving(form);
    }
};

}  // namespace transvane

using namespace transvane;

QTEST_MAIN(HelpFormTest)
#include "Help_Form_gui.moc"
