// A single-line edit for whole numbers.
//
// The control keeps an int32 Value that it parses from its text on every
// change, clamps to an optional range and shows by its background whether
// the text is a valid number within range.  The text itself is never
// rewritten by the validation, so the user sees what they typed.
//
// Parsing walks the text once: a leading minus makes the number negative,
// every digit counts, and any other character (a minus further on included)
// marks the text as wrong but is skipped.  A number whose digits exceed the
// int32 range saturates at the nearest end of that range and marks the text
// as wrong, whatever the range of the control.
#pragma once

#include <QColor>
#include <QLineEdit>
#include <cstdint>

namespace transvane {

class TValueEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(int Value READ Value WRITE SetValue)
    Q_PROPERTY(int MinValue READ MinValue WRITE SetMinValue)
    Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue)
    Q_PROPERTY(QColor NormalColor READ NormalColor WRITE SetNormalColor)
    Q_PROPERTY(QColor ErrorColor READ ErrorColor WRITE SetErrorColor)

public:
    explicit TValueEdit(QWidget* parent = nullptr);

    std::int32_t Value() const { return FValue; }
    // Stores the number, shows it in decimal and validates.
    void SetValue(std::int32_t value);

    // A range is in force only while MinValue < MaxValue.
    std::int32_t MinValue() const { return FMinValue; }
    void SetMinValue(std::int32_t value);
    std::int32_t MaxValue() const { return FMaxValue; }
    void SetMaxValue(std::int32_t value);
    void SetRange(std::int32_t minValue, std::int32_t maxValue);

    QColor NormalColor() const { return FNormalColor; }
    void SetNormalColor(const QColor& color);
    QColor ErrorColor() const { return FErrorColor; }
    void SetErrorColor(const QColor& color);

    // True when the text is not a plain number, or its number lay outside
    // the range and was clamped.
    bool HasError() const { return FError; }

    // The parse of one text, without any range: the number and whether the
    // text held anything but an optional leading minus and digits, or a
    // number beyond int32.
    struct CParse {
        std::int32_t Value = 0;
        bool Error = false;
    };
    static CParse Parse(const QString& text);

signals:
    // After every validation in which Value or the error flag may have
    // changed; textChanged follows the validation for typed text.
    void Validated();

private:
    void Validate();

    std::int32_t FValue = 0;
    std::int32_t FMinValue = 0;
    std::int32_t FMaxValue = 0;
    QColor FNormalColor = QColor(0xFF, 0xFF, 0xFF);
    QColor FErrorColor = QColor(0xFF, 0x00, 0x00);
    bool FError = false;
};

}  // namespace transvane
