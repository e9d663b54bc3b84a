#include "gui/world/Option_Form.h"

#include "project/Project_Main.h"

#include <QBuffer>
#include <QButtonGroup>
#include <QDateTime>
#include <QImage>
#include <QLocale>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <iterator>

#include "project/Resource_Main.h"
#include "format/media/Support_Bitmap24.h"
#include "gui/world/Support_QtCodePage.h"
#include "format/world/Option_Icon.h"
#include "format/world/Option_Main.h"
#include "gui/world/Support_ValueEdit.h"

namespace transvane {

namespace {

const char* const PictureFilter = "All pictures (*.bmp *.png *.jpg *.jpeg *.gif *.ico);;Bitmaps (*.bmp);;All Files (*)";
const char* const IconFilter = "Icon Files (*.ico)";

QString DefaultChooseFile(QWidget* parent, const QString& title, const QString& filter, const QString& suffix) {
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

}  // namespace

TRadioGroup::TRadioGroup(const QString& title, const QStringList& items, int columns, QWidget* parent)
    : QGroupBox(title, parent), FButtons(new QButtonGroup(this)) {
    auto* grid = new QGridLayout(this);
    const int rows = (static_cast<int>(items.size()) + columns - 1) / columns;
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items.at(i), this);
        FButtons->addButton(button, i);
        grid->addWidget(button, i % rows, i / rows);
    }
}

int TRadioGroup::ItemIndex() const { return FButtons->checkedId(); }

int TRadioGroup::Count() const { return static_cast<int>(FButtons->buttons().size()); }

void TRadioGroup::SetItemIndex(int index) {
    if (QAbstractButton* button = FButtons->button(index)) {
        button->setChecked(true);
        return;
    }
    // Unchecking the last button of an exclusive group needs the group's
    // exclusiveness lifted for the moment.
    FButtons->setExclusive(false);
    for (QAbstractButton* button : FButtons->buttons())
        button->setChecked(false);
    FButtons->setExclusive(true);
}

bool TOptionForm::IsSingleIcon(const QByteArray& bytes) {
    // The icon file header: reserved word 0, type word 1 (icon), one image.
    static constexpr char Header[] = {0, 0, 1, 0, 1, 0};
    return bytes.size() >= 6 && std::equal(std::begin(Header), std::end(Header), bytes.begin());
}

bool TOptionForm::IsSingleIconSize(std::int64_t size) {
    return size == 766 || size == 2238 || size == 3262 || size == 4286;
}

TOptionForm::TOptionForm(CProject& project, QWidget* parent) : QDialog(parent), FProject(project) {
    setObjectName(QStringLiteral("OptionForm"));
    setWindowTitle(QStringLiteral("Game Options"));
    ChooseFile = [this](const QString& title, const QString& filter, const QString& suffix) {
        return DefaultChooseFile(this, title, filter, suffix);
    };
    ShowMessageBox = [this](const QString& text) { QMessageBox::information(this, QStringLiteral("Transvane"), text); };

    FPages = new QTabWidget(this);
    FPages->setObjectName(QStringLiteral("PageControl"));
    FPages->addTab(BuildGraphicsPage(), QStringLiteral("&Graphics"));
    FPages->addTab(BuildResolutionPage(), QStringLiteral("&Resolution"));
    FPages->addTab(BuildKeysPage(), QStringLiteral("&Keys"));
    FPages->addTab(BuildLoadingPage(), QStringLiteral("&Loading"));
    FPages->addTab(BuildErrorsPage(), QStringLiteral("&Errors"));
    FPages->addTab(BuildInfoPage(), QStringLiteral("&Info"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("Buttons"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OKBtn"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelBtn"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FPages);
    layout->addWidget(buttons);
    setMinimumWidth(480);

    LoadFromOptions();
}

TOptionForm::~TOptionForm() = default;

QCheckBox* TOptionForm::AddCheck(QWidget* page, const char* name, const QString& caption) {
    auto* check = new QCheckBox(caption, page);
    check->setObjectName(QString::fromLatin1(name));
    return check;
}

QPushButton* TOptionForm::AddButton(QWidget* page, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, page);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QWidget* TOptionForm::BuildGraphicsPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("GraphicsSheet"));
    FFullscreenCheck = AddCheck(page, "FullscreenCheck", QStringLiteral("Start in &full-screen mode"));
    FWinScaleValue = new TValueEdit(page);
    FWinScaleValue->setObjectName(QStringLiteral("WinScaleValue"));
    FWinScaleValue->SetRange(1, 999);
    FFullScaleValue = new TValueEdit(page);
    FFullScaleValue->setObjectName(QStringLiteral("FullScaleValue"));
    FFullScaleValue->SetRange(0, 999);
    FScaleHardwareCheck =
        AddCheck(page, "ScaleHardwareCheck", QStringLiteral("Only scale when there is &hardware support"));
    FNoBorderCheck = AddCheck(page, "NoBorderCheck", QStringLiteral("Don't draw a &border in windowed mode"));
    FNoCloseCheck = AddCheck(page, "NoCloseCheck", QStringLiteral("Don't show the buttons in the window caption"));
    FWaitCheck = AddCheck(page, "WaitCheck", QStringLiteral("&Wait for a vertical blank before drawing"));
    FShowcursorCheck = AddCheck(page, "ShowcursorCheck", QStringLiteral("Display the c&ursor"));
    FCaptionCheck = AddCheck(page, "CaptionCheck", QStringLiteral("&Display the caption in full-screen mode"));
    FFreezeCheck = AddCheck(page, "FreezeCheck", QStringLiteral("&Freeze the game when the form looses focus"));

    auto* scales = new QFormLayout;
    auto* winLabel = new QLabel(QStringLiteral("Scale percentage in windowed mode:"), page);
    winLabel->setObjectName(QStringLiteral("WinScaleLabel"));
    winLabel->setBuddy(FWinScaleValue);
    auto* fullLabel = new QLabel(QStringLiteral("Scale percentage in fullscreen mode (0=max):"), page);
    fullLabel->setObjectName(QStringLiteral("FullScaleLabel"));
    fullLabel->setBuddy(FFullScaleValue);
    FWinScaleValue->setMaximumWidth(60);
    FFullScaleValue->setMaximumWidth(60);
    scales->addRow(winLabel, FWinScaleValue);
    scales->addRow(fullLabel, FFullScaleValue);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(FFullscreenCheck);
    layout->addLayout(scales);
    for (QCheckBox* check : {FScaleHardwareCheck, FNoBorderCheck, FNoCloseCheck, FWaitCheck, FShowcursorCheck,
                             FCaptionCheck, FFreezeCheck})
        layout->addWidget(check);
    layout->addStretch();
    return page;
}

QWidget* TOptionForm::BuildResolutionPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("ResolutionSheet"));
    FResolutionCheck = AddCheck(page, "ResolutionCheck", QStringLiteral("Set the &resolution of the screen"));
    FResolutionPanel = new QWidget(page);
    FResolutionPanel->setObjectName(QStringLiteral("ResolutionPanel"));
    FColorGroup = new TRadioGroup(QStringLiteral(" Color Depth "), {QStringLiteral("16-bit"), QStringLiteral("32-bit")},
                                  1, FResolutionPanel);
    FColorGroup->setObjectName(QStringLiteral("ColorGroup"));
    FResolutionGroup = new TRadioGroup(
        QStringLiteral(" Resolution "),
        {QStringLiteral("320x240"), QStringLiteral("640x480"), QStringLiteral("800x600"), QStringLiteral("1024x768"),
         QStringLiteral("1280x1024"), QStringLiteral("1600x1200"), QStringLiteral("No change")},
        1, FResolutionPanel);
    FResolutionGroup->setObjectName(QStringLiteral("ResolutionGroup"));
    FFrequencyGroup = new TRadioGroup(QStringLiteral(" Frequency "),
                                      {QStringLiteral("60"), QStringLiteral("70"), QStringLiteral("85"),
                                       QStringLiteral("100"), QStringLiteral("Default")},
                                      1, FResolutionPanel);
    FFrequencyGroup->setObjectName(QStringLiteral("FrequencyGroup"));
    FExclusiveCheck = AddCheck(FResolutionPanel, "ExclusiveCheck", QStringLiteral("Use e&xclusive graphics mode"));

    auto* groups = new QHBoxLayout;
    groups->addWidget(FColorGroup, 0, Qt::AlignTop);
    groups->addWidget(FResolutionGroup, 0, Qt::AlignTop);
    groups->addWidget(FFrequencyGroup, 0, Qt::AlignTop);
    auto* panel = new QVBoxLayout(FResolutionPanel);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->addLayout(groups);
    panel->addWidget(FExclusiveCheck);
    panel->addStretch();

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(FResolutionCheck);
    layout->addWidget(FResolutionPanel);
    layout->addStretch(1);

    connect(FResolutionCheck, &QCheckBox::clicked, this, [this] { UpdateResolutionPanel(); });
    connect(FExclusiveCheck, &QCheckBox::clicked, this, &TOptionForm::ExclusiveClicked);
    return page;
}

QWidget* TOptionForm::BuildKeysPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("KeysSheet"));
    FQuitkeyCheck = AddCheck(page, "QuitkeyCheck", QStringLiteral("Let <Esc> en&d the game"));
    FHelpkeyCheck = AddCheck(page, "HelpkeyCheck", QStringLiteral("Let <F1> show the game i&nformation"));
    FScreenkeyCheck = AddCheck(page, "ScreenkeyCheck", QStringLiteral("Let <F4> s&witch between screen modes"));
    FSaveKeyCheck = AddCheck(page, "SaveKeyCheck", QStringLiteral("Let <F5> and <F6> s&ave and load the game"));
    auto* layout = new QVBoxLayout(page);
    for (QCheckBox* check : {FQuitkeyCheck, FHelpkeyCheck, FScreenkeyCheck, FSaveKeyCheck})
        layout->addWidget(check);
    layout->addStretch();
    return page;
}

QWidget* TOptionForm::BuildLoadingPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("LoadingSheet"));
    FShowLoadImageCheck = AddCheck(page, "ShowLoadImageCheck", QStringLiteral("Show i&mage while loading"));
    FLoadImage = AddButton(page, "LoadImage", QStringLiteral("Ch&ange Image"));

    auto* barGroup = new QWidget(page);
    barGroup->setObjectName(QStringLiteral("BarPanel"));
    FNoBarBtn = new QRadioButton(QStringLiteral("No loading progress bar"), barGroup);
    FNoBarBtn->setObjectName(QStringLiteral("NoBarBtn"));
    FDefaultBarBtn = new QRadioButton(QStringLiteral("Default loading progress bar"), barGroup);
    FDefaultBarBtn->setObjectName(QStringLiteral("DefaultBarBtn"));
    FOwnBarBtn = new QRadioButton(QStringLiteral("Own loading progress bar"), barGroup);
    FOwnBarBtn->setObjectName(QStringLiteral("OwnBarBtn"));
    FDefaultBarBtn->setChecked(true);
    FBackImage = AddButton(barGroup, "BackImage", QStringLiteral("&Back Image"));
    FFrontImage = AddButton(barGroup, "FrontImage", QStringLiteral("&Front Image"));

    FGameIcon = new QLabel(page);
    FGameIcon->setObjectName(QStringLiteral("GameIcon"));
    FGameIcon->setFixedSize(32, 32);
    // The icon a new project starts with, kept for show as the form's own.
    auto* defaultIcon = new QLabel(page);
    defaultIcon->setObjectName(QStringLiteral("DefaultGameIcon"));
    QPixmap defaultPicture;
    defaultPicture.loadFromData(DefaultGameIcon().data(), static_cast<uint>(DefaultGameIcon().size()), "ICO");
    defaultIcon->setPixmap(defaultPicture);
    defaultIcon->hide();
    FChangeIconBtn = AddButton(page, "ChangeIconBtn", QStringLiteral("C&hange Icon"));

    FGameIdEdit = new TValueEdit(page);
    FGameIdEdit->setObjectName(QStringLiteral("GameIdEdit"));
    FGameIdEdit->SetRange(0, 100000000);
    FGameIdEdit->setMaximumWidth(100);
    auto* gameIdLabel = new QLabel(QStringLiteral("Ga&me Identifier:"), page);
    gameIdLabel->setObjectName(QStringLiteral("GameIdLabel"));
    gameIdLabel->setBuddy(FGameIdEdit);

    auto* imageRow = new QHBoxLayout;
    imageRow->addWidget(FShowLoadImageCheck);
    imageRow->addWidget(FLoadImage);
    imageRow->addStretch();

    auto* barImages = new QHBoxLayout;
    barImages->addSpacing(20);
    barImages->addWidget(FBackImage);
    barImages->addWidget(FFrontImage);
    barImages->addStretch();
    auto* bars = new QVBoxLayout(barGroup);
    bars->setContentsMargins(0, 0, 0, 0);
    bars->addWidget(FNoBarBtn);
    bars->addWidget(FDefaultBarBtn);
    bars->addWidget(FOwnBarBtn);
    bars->addLayout(barImages);

    auto* iconRow = new QHBoxLayout;
    iconRow->addWidget(FGameIcon);
    iconRow->addWidget(FChangeIconBtn);
    iconRow->addStretch();
    iconRow->addWidget(gameIdLabel);
    iconRow->addWidget(FGameIdEdit);

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(imageRow);
    layout->addWidget(barGroup);
    layout->addStretch();
    layout->addLayout(iconRow);

    for (QRadioButton* button : {FNoBarBtn, FDefaultBarBtn, FOwnBarBtn})
        connect(button, &QRadioButton::toggled, this, [this] { UpdateBarButtons(); });
    connect(FLoadImage, &QPushButton::clicked, this, [this] { ChoosePicture(FLoadImageFile); });
    connect(FBackImage, &QPushButton::clicked, this, [this] { ChoosePicture(FBackImageFile); });
    connect(FFrontImage, &QPushButton::clicked, this, [this] { ChoosePicture(FFrontImageFile); });
    connect(FChangeIconBtn, &QPushButton::clicked, this, &TOptionForm::ChangeIcon);
    UpdateBarButtons();
    return page;
}

QWidget* TOptionForm::BuildErrorsPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("ErrorsSheet"));
    FDisplayErrorsCheck = AddCheck(page, "DisplayErrorsCheck", QStringLiteral("&Display error messages"));
    FWriteErrorsCheck =
        AddCheck(page, "WriteErrorsCheck", QStringLiteral("&Write error messages to file game_errors.log"));
    FAbortErrorsCheck = AddCheck(page, "AbortErrorsCheck", QStringLiteral("&Abort on all error messages"));
    FVariableErrorsCheck =
        AddCheck(page, "VariableErrorsCheck", QStringLiteral("&Treat uninitialized variables as value 0"));
    auto* layout = new QVBoxLayout(page);
    for (QCheckBox* check : {FDisplayErrorsCheck, FWriteErrorsCheck, FAbortErrorsCheck, FVariableErrorsCheck})
        layout->addWidget(check);
    layout->addStretch();
    return page;
}

QWidget* TOptionForm::BuildInfoPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("InfoSheet"));
    FEdit_Author = new QLineEdit(page);
    FEdit_Author->setObjectName(QStringLiteral("Edit_Author"));
    FEdit_Version = new TValueEdit(page);
    FEdit_Version->setObjectName(QStringLiteral("Edit_Version"));
    FEdit_LastChanged = new QLineEdit(page);
    FEdit_LastChanged->setObjectName(QStringLiteral("Edit_LastChanged"));
    FEdit_LastChanged->setEnabled(false);
    FMemo_Information = new QPlainTextEdit(page);
    FMemo_Information->setObjectName(QStringLiteral("Memo_Information"));

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("&Author:"), FEdit_Author);
    fields->addRow(QStringLiteral("&Version:"), FEdit_Version);
    fields->addRow(QStringLiteral("Last changed:"), FEdit_LastChanged);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(fields);
    auto* infoLabel = new QLabel(QStringLiteral("&Information:"), page);
    infoLabel->setBuddy(FMemo_Information);
    layout->addWidget(infoLabel);
    layout->addWidget(FMemo_Information, 1);
    return page;
}

void TOptionForm::UpdateResolutionPanel() { FResolutionPanel->setVisible(FResolutionCheck->isChecked()); }

void TOptionForm::UpdateBarButtons() {
    const bool own = FOwnBarBtn->isChecked();
    FBackImage->setVisible(own);
    FFrontImage->setVisible(own);
}

void TOptionForm::ExclusiveClicked(bool checked) {
    if (checked && !GameOptions(FProject.World).ExclusiveMode)
        ShowMessageBox(QStringLiteral(
            "Please realize that in exclusive mode no dialogs, highscore table, or debug information can be shown!"));
}

void TOptionForm::ChoosePicture(QString& fileName) {
    const QString chosen =
        ChooseFile(QStringLiteral("Open Picture"), QString::fromLatin1(PictureFilter), QStringLiteral("bmp"));
    if (chosen.isEmpty())
        return;
    fileName = QFileInfo::exists(chosen) ? chosen : QString();
}

void TOptionForm::ChangeIcon() {
    const QString chosen =
        ChooseFile(QStringLiteral("Open Icon"), QString::fromLatin1(IconFilter), QStringLiteral("ico"));
    if (chosen.isEmpty())
        return;
    QFile file(chosen);
    if (!file.exists() || !IsSingleIconSize(file.size()) || !file.open(QIODevice::ReadOnly)) {
        ShowMessageBox(QStringLiteral("Only 32x32, single icons are supported."));
        return;
    }
    const QByteArray bytes = file.readAll();
    if (!IsSingleIconSize(bytes.size()) || !IsSingleIcon(bytes)) {
        ShowMessageBox(QStringLiteral("Only 32x32, single icons are supported."));
        return;
    }
    FIcon.assign(bytes.begin(), bytes.end());
    ShowIcon();
}

void TOptionForm::ShowIcon() {
    QPixmap picture;
    if (!FIcon.empty())
        picture.loadFromData(FIcon.data(), static_cast<uint>(FIcon.size()), "ICO");
    FGameIcon->setPixmap(picture.isNull() ? QPixmap() : picture.scaled(32, 32));
}

namespace {

// A stored date-time (days since 30 December 1899, the fraction the time
// of day) as the user reads it; empty for a value no calendar holds.
QString DateTimeText(double days) {
    if (!std::isfinite(days) || std::abs(days) > 3'000'000)
        return {};
    const double whole = std::floor(days);
    const auto milliseconds = static_cast<qint64>(std::llround((days - whole) * 86'400'000.0));
    const QDateTime time(QDate(1899, 12, 30).addDays(static_cast<qint64>(whole)), QTime(0, 0));
    return QLocale().toString(time.addMSecs(milliseconds), QLocale::ShortFormat);
}

// A memo's lines as stored (CR LF between lines) and as shown.
QString StoredToShown(const std::string& text) {
    QString shown = FromWindows1252(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

std::string ShownToStored(QString text) {
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return ToWindows1252(text);
}

// Reads a picture file of any format the toolkit knows into the bytes of a
// 24-bit BMP, the form in which the project holds pictures.  Nothing when
// the file is no picture.
std::optional<CBlock> PictureAsBitmap(const QString& fileName) {
    QImage picture(fileName);
    if (picture.isNull() || static_cast<std::int64_t>(picture.width()) * picture.height() > MaxBitmapPixels)
        return std::nullopt;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.convertToFormat(QImage::Format_RGB888).save(&buffer, "BMP"))
        return std::nullopt;
    return CBlock(bytes.begin(), bytes.end());
}

// Replaces a picture of the record by the chosen file, when one was chosen
// and it is a picture; otherwise the record keeps what it holds.
void TakePicture(const QString& fileName, std::optional<CBlock>& image) {
    if (fileName.isEmpty())
        return;
    if (std::optional<CBlock> bitmap = PictureAsBitmap(fileName))
        image = std::move(bitmap);
}

}  // namespace

void TOptionForm::LoadFromOptions() {
    const CGameOptions& o = GameOptions(FProject.World);
    FFullscreenCheck->setChecked(o.OptionFlag1);
    FWaitCheck->setChecked(o.OptionFlag2);
    FScaleHardwareCheck->setChecked(o.OptionFlag4);
    FNoBorderCheck->setChecked(o.OptionFlag5);
    FShowcursorCheck->setChecked(o.OptionFlag6);
    FNoCloseCheck->setChecked(o.OptionFlag7);
    FCaptionCheck->setChecked(o.OptionFlag8);
    FQuitkeyCheck->setChecked(o.OptionFlag9);
    FHelpkeyCheck->setChecked(o.OptionFlag10);
    FScreenkeyCheck->setChecked(o.OptionFlag11);
    FSaveKeyCheck->setChecked(o.OptionFlag12);
    FFreezeCheck->setChecked(o.OptionFlag14);
    FWinScaleValue->SetValue(o.WindowScale);
    FFullScaleValue->SetValue(o.FullScale);

    FResolutionCheck->setChecked(o.SetResolution);
    FExclusiveCheck->setChecked(o.ExclusiveMode);
    FColorGroup->SetItemIndex(o.ColorDepth);
    FResolutionGroup->SetItemIndex(o.Resolution);
    FFrequencyGroup->SetItemIndex(o.Frequency);

    FShowLoadImageCheck->setChecked(o.ShowLoadImage);
    // A kind no form offers (only a damaged file holds one) checks no button
    // and is kept unless the user picks one.
    FNoBarBtn->setAutoExclusive(false);
    FDefaultBarBtn->setAutoExclusive(false);
    FOwnBarBtn->setAutoExclusive(false);
    FNoBarBtn->setChecked(o.ProgressBarKind == 0);
    FDefaultBarBtn->setChecked(o.ProgressBarKind == 1);
    FOwnBarBtn->setChecked(o.ProgressBarKind == 2);
    FNoBarBtn->setAutoExclusive(true);
    FDefaultBarBtn->setAutoExclusive(true);
    FOwnBarBtn->setAutoExclusive(true);
    FLoadImageFile.clear();
    FBackImageFile.clear();
    FFrontImageFile.clear();
    FIcon = o.Icon.empty() ? DefaultGameIcon() : o.Icon;
    FGameIdEdit->SetValue(GameId(FProject.Model));

    FDisplayErrorsCheck->setChecked(o.DisplayErrors);
    FWriteErrorsCheck->setChecked(o.WriteErrors);
    FAbortErrorsCheck->setChecked(o.AbortErrors);
    FVariableErrorsCheck->setChecked(o.VariableErrors);

    FEdit_Author->setText(FromWindows1252(o.Author));
    FEdit_Author->setModified(false);
    FEdit_Version->SetValue(o.GameVersion);
    FEdit_LastChanged->setText(DateTimeText(o.LastChanged));
    FMemo_Information->setPlainText(StoredToShown(o.Information));
    FMemo_Information->document()->setModified(false);

    UpdateResolutionPanel();
    UpdateBarButtons();
    ShowIcon();
}

void TOptionForm::SaveToOptions() {
    CGameOptions& o = GameOptions(FProject.World);
    o.OptionFlag1 = FFullscreenCheck->isChecked();
    o.OptionFlag2 = FWaitCheck->isChecked();
    o.OptionFlag4 = FScaleHardwareCheck->isChecked();
    o.OptionFlag5 = FNoBorderCheck->isChecked();
    o.OptionFlag6 = FShowcursorCheck->isChecked();
    o.OptionFlag7 = FNoCloseCheck->isChecked();
    o.OptionFlag8 = FCaptionCheck->isChecked();
    o.OptionFlag9 = FQuitkeyCheck->isChecked();
    o.OptionFlag10 = FHelpkeyCheck->isChecked();
    o.OptionFlag11 = FScreenkeyCheck->isChecked();
    o.OptionFlag12 = FSaveKeyCheck->isChecked();
    o.OptionFlag14 = FFreezeCheck->isChecked();
    o.WindowScale = FWinScaleValue->Value();
    o.FullScale = FFullScaleValue->Value();

    o.SetResolution = FResolutionCheck->isChecked();
    o.ExclusiveMode = FExclusiveCheck->isChecked();
    if (FColorGroup->ItemIndex() >= 0)
        o.ColorDepth = FColorGroup->ItemIndex();
    if (FResolutionGroup->ItemIndex() >= 0)
        o.Resolution = FResolutionGroup->ItemIndex();
    if (FFrequencyGroup->ItemIndex() >= 0)
        o.Frequency = FFrequencyGroup->ItemIndex();

    o.ShowLoadImage = FShowLoadImageCheck->isChecked();
    if (FNoBarBtn->isChecked())
        o.ProgressBarKind = 0;
    else if (FDefaultBarBtn->isChecked())
        o.ProgressBarKind = 1;
    else if (FOwnBarBtn->isChecked())
        o.ProgressBarKind = 2;
    TakePicture(FLoadImageFile, o.LoadingImage);
    TakePicture(FBackImageFile, o.BarBackImage);
    TakePicture(FFrontImageFile, o.BarFrontImage);
    o.Icon = FIcon;
    GameId(FProject.Model) = FGameIdEdit->Value();

    o.DisplayErrors = FDisplayErrorsCheck->isChecked();
    o.WriteErrors = FWriteErrorsCheck->isChecked();
    o.AbortErrors = FAbortErrorsCheck->isChecked();
    o.VariableErrors = FVariableErrorsCheck->isChecked();

    // Texts are written back only when edited, so that stored bytes the
    // code page cannot show survive an unchanged form.
    if (FEdit_Author->isModified())
        o.Author = ToWindows1252(FEdit_Author->text());
    o.GameVersion = FEdit_Version->Value();
    if (FMemo_Information->document()->isModified())
        o.Information = ShownToStored(FMemo_Information->toPlainText());
    o.Changed = true;
}

void TOptionForm::showEvent(QShowEvent* event) {
    // Opening the form, not restoring it from the task bar, reads the record.
    if (!event->spontaneous())
        LoadFromOptions();
    QDialog::showEvent(event);
}

void TOptionForm::accept() {
    SaveToOptions();
    QDialog::accept();
}

}  // namespace transvane

// The meta-object code of the header, generated by the build.
#include "moc_Option_Form.cpp"
