// "Provide Values": asks for up to three whole numbers, each with a caption.
//
// A caller sets Count, the captions and the starting values, runs Execute
// and, when it reports true, reads the values back.  Rows beyond Count are
// hidden.
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>

class QLabel;
class QPushButton;

namespace transvane {

class TValueEdit;

class TValuesDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int MaxCount = 3;

    explicit TValuesDialog(QWidget* parent = nullptr);

    int Count() const { return FCount; }
    // Clamped to 0..3.
    void SetCount(int count);
    // index 0..2; an index outside that range is ignored or gives 0 / "".
    std::int32_t Value(int index) const;
    void SetValue(int index, std::int32_t value);
    QString Caption(int index) const;
    void SetCaption(int index, const QString& caption);

    // Fills the rows, runs the dialog modally and, on OK, takes the values
    // of the edits.  True on OK.
    bool Execute();

    TValueEdit* ValueEdit(int index) const;
    QLabel* CaptionLabel(int index) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FillControls();

    int FCount = MaxCount;
    std::array<std::int32_t, MaxCount> FValues{};
    std::array<QString, MaxCount> FCaptions;
    std::array<QLabel*, MaxCount> FLabels{};
    std::array<TValueEdit*, MaxCount> FEdits{};
    QPushButton* FOkButton = nullptr;
    QPushButton* FCancelButton = nullptr;
};

}  // namespace transvane
