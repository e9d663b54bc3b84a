// "Game Options": the dialog on which a user edits the project's options
// record.
//
// Showing the form fills its controls from the record; OK writes them back
// and marks the options as changed; Cancel leaves the record alone.  The
// converter itself never shows the form.
//
// The record's fourteen on/off flags back twelve check boxes and two
// settings the form does not show.  Each box's default matches the flag's:
//
//   OptionFlag1  FullscreenCheck      OptionFlag8   CaptionCheck
//   OptionFlag2  WaitCheck            OptionFlag9   QuitkeyCheck
//   OptionFlag3  (not shown)          OptionFlag10  HelpkeyCheck
//   OptionFlag4  ScaleHardwareCheck   OptionFlag11  ScreenkeyCheck
//   OptionFlag5  NoBorderCheck        OptionFlag12  SaveKeyCheck
//   OptionFlag6  ShowcursorCheck      OptionFlag13  (not shown)
//   OptionFlag7  NoCloseCheck         OptionFlag14  FreezeCheck
#pragma once

#include <QByteArray>
#include <QDialog>
#include <QGroupBox>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace transvane {

struct CProject;

class TValueEdit;

// A titled group of mutually exclusive choices, addressed by item index.
class TRadioGroup : public QGroupBox {
    Q_OBJECT

public:
    TRadioGroup(const QString& title, const QStringList& items, int columns, QWidget* parent = nullptr);
    // -1 when nothing is chosen.
    int ItemIndex() const;
    // An index outside the items clears the choice.
    void SetItemIndex(int index);
    int Count() const;

private:
    QButtonGroup* FButtons;
};

class TOptionForm : public QDialog {
    Q_OBJECT

public:
    // The sizes of an icon file holding one 32 x 32 image of 4, 8, 24 or 32
    // bits per pixel, the only icons the form accepts.
    static bool IsSingleIconSize(std::int64_t size);
    // Whether the bytes begin as an icon file of one image.  A file of the
    // right size that is no icon is refused as well: a project holding it
    // could not be read again.
    static bool IsSingleIcon(const QByteArray& bytes);

    // The form edits the options and game id of project, which must outlive
    // it.
    explicit TOptionForm(CProject& project, QWidget* parent = nullptr);
    ~TOptionForm() override;

    // Fills the controls from the project's options record.
    void LoadFromOptions();
    // Writes the controls back into the record and marks it changed.  The
    // pictures chosen since the form was filled replace the record's (read
    // and kept as 24-bit bitmaps); the game identifier goes to GameId.
    void SaveToOptions();

    // The icon the form shows and that OK stores: the bytes of an icon file.
    const std::vector<std::uint8_t>& IconBytes() const { return FIcon; }
    // The file names the picture dialogs chose; empty when none was chosen
    // or the chosen file does not exist.
    QString LoadImageFile() const { return FLoadImageFile; }
    QString BackImageFile() const { return FBackImageFile; }
    QString FrontImageFile() const { return FFrontImageFile; }

    // The modal dialogs the form opens.  Tests replace them to answer.
    // Each file chooser gets the dialog's title, filter and default suffix
    // and returns the chosen name, or an empty string when cancelled.
    std::function<QString(const QString& title, const QString& filter, const QString& suffix)> ChooseFile;
    std::function<void(const QString& text)> ShowMessageBox;

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* BuildGraphicsPage();
    QWidget* BuildResolutionPage();
    QWidget* BuildKeysPage();
    QWidget* BuildLoadingPage();
    QWidget* BuildErrorsPage();
    QWidget* BuildInfoPage();
    QCheckBox* AddCheck(QWidget* page, const char* name, const QString& caption);
    QPushButton* AddButton(QWidget* page, const char* name, const QString& caption);

    void UpdateResolutionPanel();
    void UpdateBarButtons();
    void ExclusiveClicked(bool checked);
    void ChoosePicture(QString& fileName);
    void ChangeIcon();
    void ShowIcon();

    QTabWidget* FPages = nullptr;
    // Graphics
    QCheckBox* FFullscreenCheck = nullptr;
    TValueEdit* FWinScaleValue = nullptr;
    TValueEdit* FFullScaleValue = nullptr;
    QCheckBox* FScaleHardwareCheck = nullptr;
    QCheckBox* FNoBorderCheck = nullptr;
    QCheckBox* FNoCloseCheck = nullptr;
    QCheckBox* FWaitCheck = nullptr;
    QCheckBox* FShowcursorCheck = nullptr;
    QCheckBox* FCaptionCheck = nullptr;
    QCheckBox* FFreezeCheck = nullptr;
    // Resolution
    QCheckBox* FResolutionCheck = nullptr;
    QWidget* FResolutionPanel = nullptr;
    TRadioGroup* FColorGroup = nullptr;
    TRadioGroup* FResolutionGroup = nullptr;
    TRadioGroup* FFrequencyGroup = nullptr;
    QCheckBox* FExclusiveCheck = nullptr;
    // Keys
    QCheckBox* FQuitkeyCheck = nullptr;
    QCheckBox* FHelpkeyCheck = nullptr;
    QCheckBox* FScreenkeyCheck = nullptr;
    QCheckBox* FSaveKeyCheck = nullptr;
    // Loading
    QCheckBox* FShowLoadImageCheck = nullptr;
    QPushButton* FLoadImage = nullptr;
    QRadioButton* FNoBarBtn = nullptr;
    QRadioButton* FDefaultBarBtn = nullptr;
    QRadioButton* FOwnBarBtn = nullptr;
    QPushButton* FBackImage = nullptr;
    QPushButton* FFrontImage = nullptr;
    QLabel* FGameIcon = nullptr;
    QPushButton* FChangeIconBtn = nullptr;
    TValueEdit* FGameIdEdit = nullptr;
    // Errors
    QCheckBox* FDisplayErrorsCheck = nullptr;
    QCheckBox* FWriteErrorsCheck = nullptr;
    QCheckBox* FAbortErrorsCheck = nullptr;
    QCheckBox* FVariableErrorsCheck = nullptr;
    // Info
    QLineEdit* FEdit_Author = nullptr;
    TValueEdit* FEdit_Version = nullptr;
    QLineEdit* FEdit_LastChanged = nullptr;
    QPlainTextEdit* FMemo_Information = nullptr;

    std::vector<std::uint8_t> FIcon;
    QString FLoadImageFile;
    QString FBackImageFile;
    QString FFrontImageFile;
    CProject& FProject;
};

}  // namespace transvane
