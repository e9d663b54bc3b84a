// "Game Information": the rich-text editor of the project's game information.
//
// The editor is a view of the game-information model: showing it reads the
// stored document, its background colour and the "Mimic Main Form" switch;
// every edit writes the document back at once as Rich Text Format and sets
// the modified flag.  A document that is never edited keeps its stored
// bytes.  Closing the window after a change asks whether to keep it; "No"
// returns the model to the snapshot taken when the window was shown.
#pragma once

#include <QColor>
#include <QMainWindow>
#include <QMessageBox>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QAction;
class QComboBox;
class QTextCharFormat;
class QTextEdit;
class QToolBar;

namespace transvane {

struct CWorldModel;

class THelpForm : public QMainWindow {
    Q_OBJECT

public:
    // The form edits the game information of world, which must outlive it.
    explicit THelpForm(CWorldModel& world, QWidget* parent = nullptr);
    ~THelpForm() override;

    // Reads the model into the editor and takes the snapshot.
    void LoadFromModel();
    // Line numbers count the editor's paragraphs from 1.
    int CurrentLine() const;
    void GotoLine(int line);

    // Colours as the project stores them (0x00BBGGRR, or a system-colour
    // reference with the top bit set) and as shown.
    static QColor ShownColor(std::int32_t stored);
    static std::int32_t StoredColor(const QColor& color);

    QTextEdit* Editor() const { return FEditor; }

    // The modal dialogs the editor opens.  Tests replace them to answer.
    // A file chooser gets the title, filter and default suffix and returns
    // the chosen name or an empty string.
    std::function<QString(const QString& title, const QString& filter, const QString& suffix)> ChooseOpenFile;
    std::function<QString(const QString& title, const QString& filter, const QString& suffix)> ChooseSaveFile;
    // Returns the text entered, or nothing when cancelled.
    std::function<std::optional<QString>(const QString& title, const QString& prompt, const QString& proposed)> AskText;
    std::function<QMessageBox::StandardButton(const QString& text)> AskYesNoCancel;
    // Returns an invalid colour when cancelled.
    std::function<QColor(const QColor& initial, const QString& title)> ChooseColor;
    std::function<void(const QString& text)> ShowMessageBox;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct CSnapshot {
        std::vector<std::uint8_t> Text;
        std::int32_t BackgroundColor = 0;
        bool Changed = false;
    };

    void BuildActions();
    void BuildMenus();
    void BuildToolBar();
    QAction* NewAction(const char* name, const QString& text, const QKeySequence& shortcut = {},
                       bool checkable = false);

    void ShowDocument(const std::vector<std::uint8_t>& bytes);
    void ShowBackground();
    void DocumentEdited();
    void UpdateControls();
    QTextCharFormat SelectionFormat() const;
    void MergeFormat(const QTextCharFormat& format);

    void LoadFromFile();
    void SaveToFile();
    void Print();
    void ChooseFont();
    void ToggleBold();
    void ToggleBullets();
    void SetAlignment(Qt::Alignment alignment);
    void AskGotoLine();
    void ChooseTextColor();
    void ChooseBackgroundColor();
    void CloseSavingChanges();

    QTextEdit* FEditor = nullptr;
    QToolBar* FToolBar = nullptr;
    QComboBox* FFontName = nullptr;
    QComboBox* FFontSize = nullptr;

    QAction* FLoadAction = nullptr;
    QAction* FSaveAction = nullptr;
    QAction* FPrintAction = nullptr;
    QAction* FCloseSavingAction = nullptr;
    QAction* FUndoAction = nullptr;
    QAction* FCutAction = nullptr;
    QAction* FCopyAction = nullptr;
    QAction* FPasteAction = nullptr;
    QAction* FSelectAllAction = nullptr;
    QAction* FGotoLineAction = nullptr;
    QAction* FFontAction = nullptr;
    QAction* FBoldAction = nullptr;
    QAction* FItalicAction = nullptr;
    QAction* FUnderlineAction = nullptr;
    QAction* FBulletAction = nullptr;
    QAction* FLeftAction = nullptr;
    QAction* FRightAction = nullptr;
    QAction* FCenterAction = nullptr;
    QAction* FTextColorAction = nullptr;
    QAction* FBackgroundColorAction = nullptr;
    QAction* FMimicMainFormAction = nullptr;

    CWorldModel& FWorld;
    CSnapshot FSnapshot;
    bool FChangedSinceSnapshot = false;
    bool FLoading = false;   // the editor is being filled, not edited
    bool FUpdating = false;  // the controls are being brought in line
    bool FClosingSaving = false;
};

}  // namespace transvane
