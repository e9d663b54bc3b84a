// The value edit and the values dialog, driven through the keyboard.
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <limits>

#include "gui/world/Support_ValueEdit.h"
#include "gui/world/Support_ValuesDialog.h"

namespace transvane {

namespace {
QColor Background(const TValueEdit& edit) { return edit.palette().color(QPalette::Base); }

// Replaces the whole text by typing, as a user would.
void Type(TValueEdit& edit, const QString& text) {
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_Delete);
    QTest::keyClicks(&edit, text);
}
}  // namespace

class ValueEditTest : public QObject {
    Q_OBJECT

private slots:
    void startsAtZeroWithoutRange() {
        TValueEdit edit;
        QCOMPARE(edit.text(), QStringLiteral("0"));
        QCOMPARE(edit.Value(), 0);
        QCOMPARE(edit.MinValue(), 0);
        QCOMPARE(edit.MaxValue(), 0);
        QVERIFY(!edit.HasError());
        QCOMPARE(edit.NormalColor(), QColor(Qt::white));
        QCOMPARE(edit.ErrorColor(), QColor(Qt::red));
        QCOMPARE(Background(edit), QColor(Qt::white));
    }

    void typedText_data() {
        QTest::addColumn<int>("minValue");
        QTest::addColumn<int>("maxValue");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("error");
        QTest::newRow("empty") << 0 << 0 << "" << 0 << false;
        QTest::newRow("minus only") << 0 << 0 << "-" << 0 << false;
        QTest::newRow("letter inside") << 0 << 0 << "12a3" << 123 << true;
        QTest::newRow("second minus") << 0 << 0 << "-1-2" << -12 << true;
        QTest::newRow("space") << 0 << 0 << " 7" << 7 << true;
        QTest::newRow("no range negative") << 0 << 0 << "-40" << -40 << false;
        QTest::newRow("min above max is no range") << 10 << 5 << "-40" << -40 << false;
        QTest::newRow("below range") << 1 << 999 << "-5" << 1 << true;
        QTest::newRow("above range") << 1 << 999 << "1500" << 999 << true;
        QTest::newRow("inside range") << 1 << 999 << "250" << 250 << false;
        QTest::newRow("range ends") << 0 << 999 << "0" << 0 << false;
        QTest::newRow("int32 max") << 0 << 0 << "2147483647" << std::numeric_limits<int>::max() << false;
        QTest::newRow("int32 min") << 0 << 0 << "-2147483648" << std::numeric_limits<int>::min() << false;
        QTest::newRow("just over max") << 0 << 0 << "2147483648" << std::numeric_limits<int>::max() << true;
        QTest::newRow("far over max") << 0 << 0 << "99999999999999999999999" << std::numeric_limits<int>::max() << true;
        QTest::newRow("far under min") << 0 << 0 << "-99999999999999999999999" << std::numeric_limits<int>::min()
                                       << true;
        QTest::newRow("overflow then clamp") << 1 << 999 << "99999999999999" << 999 << true;
    }

    void typedText() {
        QFETCH(int, minValue);
        QFETCH(int, maxValue);
        QFETCH(QString, text);
        QFETCH(int, value);
        QFETCH(bool, error);
        TValueEdit edit;
        edit.SetRange(minValue, maxValue);
        Type(edit, text);
        QCOMPARE(edit.text(), text);  // never rewritten
        QCOMPARE(edit.Value(), value);
        QCOMPARE(edit.HasError(), error);
        QCOMPARE(Background(edit), error ? QColor(Qt::red) : QColor(Qt::white));
    }

    void listenersSeeTheValidatedValue() {
        TValueEdit edit;
        QList<int> seen;
        connect(&edit, &QLineEdit::textChanged, &edit, [&] { seen << edit.Value(); });
        QTest::keyClicks(&edit, "45");  // "0" + "45"
        QCOMPARE(seen, (QList<int>{4, 45}));
    }

    void propertyChangesValidate() {
        TValueEdit edit;
        edit.SetValue(1500);
        QVERIFY(!edit.HasError());
        edit.SetMaxValue(999);  // range 0..999 now in force
        QCOMPARE(edit.Value(), 999);
        QVERIFY(edit.HasError());
        QCOMPARE(edit.text(), QStringLiteral("1500"));
        edit.SetErrorColor(QColor(Qt::yellow));
        QCOMPARE(Background(edit), QColor(Qt::yellow));
        edit.SetMaxValue(0);  // range gone again
        QCOMPARE(edit.Value(), 1500);
        QVERIFY(!edit.HasError());
        edit.SetNormalColor(QColor(Qt::cyan));
        QCOMPARE(Background(edit), QColor(Qt::cyan));
    }

    void setValueShowsDecimal() {
        TValueEdit edit;
        edit.SetValue(-2147483647 - 1);
        QCOMPARE(edit.text(), QStringLiteral("-2147483648"));
        QCOMPARE(edit.Value(), std::numeric_limits<int>::min());
        QVERIFY(!edit.HasError());
        edit.setProperty("Value", 42);
        QCOMPARE(edit.text(), QStringLiteral("42"));
    }

    void dialogDefaults() {
        TValuesDialog dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Provide Values"));
        QCOMPARE(dialog.Count(), 3);
        for (int i = 0; i < 3; ++i) {
            const QString n = QString::number(i + 1);
            auto* label = dialog.findChild<QLabel*>("CaptionLabel" + n);
            QVERIFY(label);
            QCOMPARE(label->text(), "Value " + n + ":");
            QVERIFY(label->alignment() & Qt::AlignRight);
            auto* edit = dialog.findChild<TValueEdit*>("ValueEdit" + n);
            QVERIFY(edit);
            QCOMPARE(edit->Value(), 0);
            QCOMPARE(dialog.Value(i), 0);
        }
        auto* ok = dialog.findChild<QPushButton*>("BitBtn1");
        auto* cancel = dialog.findChild<QPushButton*>("BitBtn2");
        QVERIFY(ok && cancel);
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
        QVERIFY(ok->isDefault());
    }

    void dialogOkTakesTypedValues() {
        TValuesDialog dialog;
        dialog.SetCount(2);
        dialog.SetCaption(0, "Width:");
        dialog.SetValue(0, 5);
        QWidget* focused = nullptr;
        bool secondShown = false, thirdShown = true;
        QTimer::singleShot(0, &dialog, [&] {
            focused = dialog.focusWidget();
            secondShown = dialog.ValueEdit(1)->isVisible();
            thirdShown = dialog.ValueEdit(2)->isVisible();
            QTest::keyClicks(dialog.ValueEdit(0), "77");  // replaces the selected "5"
            QTest::keyClick(dialog.ValueEdit(0), Qt::Key_Return);
        });
        QVERIFY(dialog.Execute());
        QCOMPARE(focused, dialog.ValueEdit(0));
        QVERIFY(secondShown);
        QVERIFY(!thirdShown);
        QCOMPARE(dialog.CaptionLabel(0)->text(), QStringLiteral("Width:"));
        QCOMPARE(dialog.Value(0), 77);
    }

    void dialogCancelKeepsValues() {
        TValuesDialog dialog;
        dialog.SetValue(1, 9);
        QTimer::singleShot(0, &dialog, [&] {
            QTest::keyClicks(dialog.ValueEdit(1), "3");
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        QVERIFY(!dialog.Execute());
        QCOMPARE(dialog.Value(1), 9);
    }
};

}  // namespace transvane

using namespace transvane;

QTEST_MAIN(ValueEditTest)
#include "Support_ValueEdit_gui.moc"
