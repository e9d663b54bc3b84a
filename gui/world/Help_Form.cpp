#include "gui/world/Help_Form.h"

#include "format/world/World_Model.h"

#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QInputDialog>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QShowEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextList>
#include <QToolBar>
#include <algorithm>

#include "format/world/Help_Main.h"
#include "gui/world/Help_Rtf.h"
#include "format/world/Support_RichText.h"

namespace transvane {

namespace {

const char* const RtfFilter = "Rich Text Files (*.rtf);;All Files (*)";
const char* const SaveQuestion = "Save changes in game information?";
// Files larger than this are not game information; reading them whole
// would only exhaust memory.
constexpr qint64 MaxFileSize = 64 * 1024 * 1024;

QFont EditorFont() { return QFont(QStringLiteral("Arial"), 12); }

QString FileDialog(QWidget* parent, QFileDialog::AcceptMode mode, const QString& title, const QString& filter,
                   const QString& suffix) {
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

}  // namespace

QColor THelpForm::ShownColor(std::int32_t stored) {
    const auto value = static_cast<std::uint32_t>(stored);
    if ((value & 0x80000000u) == 0)
        return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                      static_cast<int>((value >> 16) & 0xFF));
    // A system colour: the nearest role of the palette in use.
    QPalette::ColorRole role = QPalette::Window;
    switch (value & 0xFF) {
    case 5: role = QPalette::Base; break;
    case 7:
    case 8:
    case 18: role = QPalette::Text; break;
    case 12: role = QPalette::Dark; break;
    case 13: role = QPalette::Highlight; break;
    case 14: role = QPalette::HighlightedText; break;
    case 15: role = QPalette::Button; break;
    case 16: role = QPalette::Mid; break;
    case 20: role = QPalette::Light; break;
    case 21: role = QPalette::Shadow; break;
    case 22: role = QPalette::Midlight; break;
    case 23: role = QPalette::ToolTipText; break;
    case 24: role = QPalette::ToolTipBase; break;
    default: break;
    }
    return QApplication::palette().color(role);
}

std::int32_t THelpForm::StoredColor(const QColor& color) {
    const QColor rgb = color.toRgb();
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(rgb.red()) |
                                     (static_cast<std::uint32_t>(rgb.green()) << 8) |
                                     (static_cast<std::uint32_t>(rgb.blue()) << 16));
}

THelpForm::THelpForm(CWorldModel& world, QWidget* parent) : QMainWindow(parent), FWorld(world) {
    setObjectName(QStringLiteral("HelpForm"));
    setWindowTitle(QStringLiteral("Game Information"));
    resize(640, 460);

    ChooseOpenFile = [this](const QString& title, const QString& filter, const QString& suffix) {
        return FileDialog(this, QFileDialog::AcceptOpen, title, filter, suffix);
    };
    ChooseSaveFile = [this](const QString& title, const QString& filter, const QString& suffix) {
        return FileDialog(this, QFileDialog::AcceptSave, title, filter, suffix);
    };
    AskText = [this](const QString& title, const QString& prompt, const QString& proposed) -> std::optional<QString> {
        bool ok = false;
        const QString text = QInputDialog::getText(this, title, prompt, QLineEdit::Normal, proposed, &ok);
        if (!ok)
            return std::nullopt;
        return text;
    };
    AskYesNoCancel = [this](const QString& text) {
        return QMessageBox::question(this, QStringLiteral("Transvane"), text,
                                     QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    };
    ChooseColor = [this](const QColor& initial, const QString& title) {
        return QColorDialog::getColor(initial, this, title);
    };
    ShowMessageBox = [this](const QString& text) { QMessageBox::information(this, QStringLiteral("Transvane"), text); };

    FEditor = new QTextEdit(this);
    FEditor->setObjectName(QStringLiteral("Editor"));
    FEditor->setAcceptRichText(true);
    FEditor->setTabChangesFocus(false);
    FEditor->setFont(EditorFont());
    FEditor->document()->setDefaultFont(EditorFont());
    FEditor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FEditor->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(FEditor);

    BuildActions();
    BuildMenus();
    BuildToolBar();

    connect(FEditor->document(), &QTextDocument::contentsChanged, this, &THelpForm::DocumentEdited);
    connect(FEditor, &QTextEdit::cursorPositionChanged, this, &THelpForm::UpdateControls);
    connect(FEditor, &QTextEdit::selectionChanged, this, &THelpForm::UpdateControls);
    connect(FEditor, &QTextEdit::currentCharFormatChanged, this, &THelpForm::UpdateControls);
    connect(FEditor, &QTextEdit::undoAvailable, this, &THelpForm::UpdateControls);
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &THelpForm::UpdateControls);

    LoadFromModel();
}

THelpForm::~THelpForm() = default;

QAction* THelpForm::NewAction(const char* name, const QString& text, const QKeySequence& shortcut, bool checkable) {
    auto* action = new QAction(text, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    action->setCheckable(checkable);
    return action;
}

void THelpForm::BuildActions() {
    FLoadAction = NewAction("LoadItem", QStringLiteral("&Load from a file ..."));
    FSaveAction = NewAction("SaveItem", QStringLiteral("&Save to a file ..."));
    FPrintAction = NewAction("PrintItem", QStringLiteral("&Print ..."), QKeySequence::Print);
    FCloseSavingAction = NewAction("CloseSavingItem", QStringLiteral("Close saving changes"));
    FUndoAction = NewAction("UndoItem", QStringLiteral("&Undo"), QKeySequence::Undo);
    FCutAction = NewAction("CutItem", QStringLiteral("Cu&t"), QKeySequence::Cut);
    FCopyAction = NewAction("CopyItem", QStringLiteral("&Copy"), QKeySequence::Copy);
    FPasteAction = NewAction("PasteItem", QStringLiteral("&Paste"), QKeySequence::Paste);
    FSelectAllAction = NewAction("SelectAllItem", QStringLiteral("Select &all"), QKeySequence::SelectAll);
    FGotoLineAction = NewAction("GotoLineItem", QStringLiteral("&Goto line"), QKeySequence(Qt::CTRL | Qt::Key_G));
    FFontAction = NewAction("FontItem", QStringLiteral("&Font ..."));
    FBoldAction = NewAction("BoldItem", QStringLiteral("&Bold"), QKeySequence::Bold, true);
    FItalicAction = NewAction("ItalicItem", QStringLiteral("&Italic"), QKeySequence::Italic, true);
    FUnderlineAction = NewAction("UnderlineItem", QStringLiteral("&Underline"), QKeySequence::Underline, true);
    FBulletAction = NewAction("BulletItem", QStringLiteral("&Bulleted List"), {}, true);
    FLeftAction = NewAction("LeftAlignItem", QStringLiteral("Align &Left"), {}, true);
    FRightAction = NewAction("RightAlignItem", QStringLiteral("Align &Right"), {}, true);
    FCenterAction = NewAction("CenterAlignItem", QStringLiteral("&Center"), {}, true);
    FTextColorAction = NewAction("TextColorItem", QStringLiteral("Text C&olor ..."));
    FBackgroundColorAction = NewAction("BackgroundColorItem", QStringLiteral("B&ackground Color ..."));
    FMimicMainFormAction = NewAction("MimicMainForm1", QStringLiteral("Mimic Main Form"), {}, true);

    auto* alignments = new QActionGroup(this);
    for (QAction* action : {FLeftAction, FRightAction, FCenterAction})
        alignments->addAction(action);

    FUndoAction->setIcon(QIcon::fromTheme(QStringLiteral("edit-undo")));
    FCutAction->setIcon(QIcon::fromTheme(QStringLiteral("edit-cut")));
    FCopyAction->setIcon(QIcon::fromTheme(QStringLiteral("edit-copy")));
    FPasteAction->setIcon(QIcon::fromTheme(QStringLiteral("edit-paste")));
    FLoadAction->setIcon(QIcon::fromTheme(QStringLiteral("document-open")));
    FSaveAction->setIcon(QIcon::fromTheme(QStringLiteral("document-save")));
    FPrintAction->setIcon(QIcon::fromTheme(QStringLiteral("document-print")));

    connect(FLoadAction, &QAction::triggered, this, &THelpForm::LoadFromFile);
    connect(FSaveAction, &QAction::triggered, this, &THelpForm::SaveToFile);
    connect(FPrintAction, &QAction::triggered, this, &THelpForm::Print);
    connect(FCloseSavingAction, &QAction::triggered, this, &THelpForm::CloseSavingChanges);
    connect(FUndoAction, &QAction::triggered, FEditor, &QTextEdit::undo);
    connect(FCutAction, &QAction::triggered, FEditor, &QTextEdit::cut);
    connect(FCopyAction, &QAction::triggered, FEditor, &QTextEdit::copy);
    connect(FPasteAction, &QAction::triggered, FEditor, &QTextEdit::paste);
    connect(FSelectAllAction, &QAction::triggered, FEditor, &QTextEdit::selectAll);
    connect(FGotoLineAction, &QAction::triggered, this, &THelpForm::AskGotoLine);
    connect(FFontAction, &QAction::triggered, this, &THelpForm::ChooseFont);
    connect(FBoldAction, &QAction::triggered, this, &THelpForm::ToggleBold);
    connect(FItalicAction, &QAction::triggered, this, [this](bool on) {
        QTextCharFormat format;
        format.setFontItalic(on);
        MergeFormat(format);
    });
    connect(FUnderlineAction, &QAction::triggered, this, [this](bool on) {
        QTextCharFormat format;
        format.setFontUnderline(on);
        MergeFormat(format);
    });
    connect(FBulletAction, &QAction::triggered, this, &THelpForm::ToggleBullets);
    connect(FLeftAction, &QAction::triggered, this, [this] { SetAlignment(Qt::AlignLeft); });
    connect(FRightAction, &QAction::triggered, this, [this] { SetAlignment(Qt::AlignRight); });
    connect(FCenterAction, &QAction::triggered, this, [this] { SetAlignment(Qt::AlignHCenter); });
    connect(FTextColorAction, &QAction::triggered, this, &THelpForm::ChooseTextColor);
    connect(FBackgroundColorAction, &QAction::triggered, this, &THelpForm::ChooseBackgroundColor);
    connect(FMimicMainFormAction, &QAction::triggered, this, [this](bool on) {
        GameInformation(FWorld).MimicMainForm = on;
        GameInformation(FWorld).Changed = true;
    });
}

void THelpForm::BuildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("FileMenu"));
    file->addAction(FLoadAction);
    file->addAction(FSaveAction);
    file->addSeparator();
    file->addAction(FPrintAction);
    file->addSeparator();
    file->addAction(FCloseSavingAction);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("EditMenu"));
    edit->addAction(FUndoAction);
    edit->addSeparator();
    edit->addAction(FCutAction);
    edit->addAction(FCopyAction);
    edit->addAction(FPasteAction);
    edit->addSeparator();
    edit->addAction(FSelectAllAction);
    edit->addSeparator();
    edit->addAction(FGotoLineAction);

    QMenu* format = menuBar()->addMenu(QStringLiteral("F&ormat"));
    format->setObjectName(QStringLiteral("FormatMenu"));
    format->addAction(FFontAction);
    format->addSeparator();
    format->addAction(FBoldAction);
    format->addAction(FItalicAction);
    format->addAction(FUnderlineAction);
    format->addSeparator();
    format->addAction(FBulletAction);
    format->addSeparator();
    format->addAction(FLeftAction);
    format->addAction(FRightAction);
    format->addAction(FCenterAction);
    format->addSeparator();
    format->addAction(FTextColorAction);
    format->addAction(FBackgroundColorAction);
    format->addSeparator();
    format->addAction(FMimicMainFormAction);
}

namespace {

// Small drawn pictures for the formatting buttons, so that the tool bar
// looks the same whatever icon theme the desktop has.
QIcon LetterIcon(const QString& letter, const QFont& font) {
    QPixmap picture(20, 20);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(QApplication::palette().color(QPalette::ButtonText));
    painter.setFont(font);
    painter.drawText(picture.rect(), Qt::AlignCenter, letter);
    return QIcon(picture);
}

QIcon LetterIcon(const QString& letter, bool bold, bool italic, bool underline) {
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(15);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    return LetterIcon(letter, font);
}

// Four lines of text set left, centred or right, or as a bulleted list.
QIcon ParagraphIcon(Qt::Alignment alignment, bool bullets = false) {
    QPixmap picture(20, 20);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    const QColor ink = QApplication::palette().color(QPalette::ButtonText);
    const int widths[] = {14, 10, 14, 8};
    for (int i = 0; i < 4; ++i) {
        const int y = 4 + i * 4;
        int width = bullets ? 11 : widths[i];
        int x = 3;
        if (bullets) {
            painter.fillRect(3, y, 2, 2, ink);
            x = 7;
        } else if (alignment & Qt::AlignRight) {
            x = 17 - width;
        } else if (alignment & Qt::AlignHCenter) {
            x = 10 - width / 2;
        }
        painter.fillRect(x, y, width, 2, ink);
    }
    return QIcon(picture);
}

}  // namespace

void THelpForm::BuildToolBar() {
    FToolBar = addToolBar(QStringLiteral("Edit"));
    FToolBar->setObjectName(QStringLiteral("ToolBar"));
    FToolBar->setMovable(false);
    addToolBarBreak();
    QToolBar* formatBar = addToolBar(QStringLiteral("Format"));
    formatBar->setObjectName(QStringLiteral("FormatBar"));
    formatBar->setMovable(false);

    FBoldAction->setIcon(LetterIcon(QStringLiteral("B"), true, false, false));
    FItalicAction->setIcon(LetterIcon(QStringLiteral("I"), false, true, false));
    FUnderlineAction->setIcon(LetterIcon(QStringLiteral("U"), false, false, true));
    FLeftAction->setIcon(ParagraphIcon(Qt::AlignLeft));
    FCenterAction->setIcon(ParagraphIcon(Qt::AlignHCenter));
    FRightAction->setIcon(ParagraphIcon(Qt::AlignRight));
    FBulletAction->setIcon(ParagraphIcon(Qt::AlignLeft, true));

    FFontName = new QComboBox(formatBar);
    FFontName->setObjectName(QStringLiteral("FontName"));
    FFontName->setEditable(true);
    QStringList families = QFontDatabase::families();
    families.sort(Qt::CaseInsensitive);
    FFontName->addItems(families);
    FFontName->setMinimumContentsLength(14);
    FFontSize = new QComboBox(formatBar);
    FFontSize->setObjectName(QStringLiteral("FontSize"));
    FFontSize->setEditable(true);
    for (const int size : {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72})
        FFontSize->addItem(QString::number(size));
    FFontSize->setMinimumContentsLength(3);

    FToolBar->addAction(FLoadAction);
    FToolBar->addAction(FSaveAction);
    FToolBar->addAction(FPrintAction);
    FToolBar->addSeparator();
    FToolBar->addAction(FUndoAction);
    FToolBar->addAction(FCutAction);
    FToolBar->addAction(FCopyAction);
    FToolBar->addAction(FPasteAction);
    formatBar->addWidget(FFontName);
    formatBar->addWidget(FFontSize);
    formatBar->addSeparator();
    formatBar->addAction(FBoldAction);
    formatBar->addAction(FItalicAction);
    formatBar->addAction(FUnderlineAction);
    formatBar->addSeparator();
    formatBar->addAction(FLeftAction);
    formatBar->addAction(FCenterAction);
    formatBar->addAction(FRightAction);
    formatBar->addSeparator();
    formatBar->addAction(FBulletAction);

    connect(FFontName, &QComboBox::textActivated, this, [this](const QString& family) {
        if (FUpdating || family.isEmpty())
            return;
        QTextCharFormat format;
        format.setFontFamilies(QStringList{family});
        MergeFormat(format);
        FEditor->setFocus();
    });
    connect(FFontSize, &QComboBox::textActivated, this, [this](const QString& text) {
        bool ok = false;
        const double size = text.toDouble(&ok);
        if (FUpdating || !ok || size < 1 || size > 1638)
            return;
        QTextCharFormat format;
        format.setFontPointSize(size);
        MergeFormat(format);
        FEditor->setFocus();
    });
}

void THelpForm::LoadFromModel() {
    ShowDocument(GameInformation(FWorld).Text);
    ShowBackground();
    FMimicMainFormAction->setChecked(GameInformation(FWorld).MimicMainForm);
    FSnapshot = CSnapshot{GameInformation(FWorld).Text, GameInformation(FWorld).BackgroundColor,
                          GameInformation(FWorld).Changed};
    FChangedSinceSnapshot = false;
    UpdateControls();
}

void THelpForm::ShowDocument(const std::vector<std::uint8_t>& bytes) {
    FLoading = true;
    QTextDocument* document = FEditor->document();
    document->setUndoRedoEnabled(false);  // also forgets the old history
    if (!RtfToDocument(bytes, *document)) {
        // Not a document at all: the bytes are plain text.
        const CBlock asRtf = PlainTextToRtf(bytes);
        RtfToDocument(asRtf, *document);
    }
    document->setUndoRedoEnabled(true);
    document->setModified(false);
    FEditor->moveCursor(QTextCursor::Start);
    FLoading = false;
}

void THelpForm::ShowBackground() {
    QPalette colors = FEditor->palette();
    colors.setColor(QPalette::Base, ShownColor(GameInformation(FWorld).BackgroundColor));
    FEditor->setPalette(colors);
}

void THelpForm::DocumentEdited() {
    if (FLoading)
        return;
    GameInformation(FWorld).Text = DocumentToRtf(*FEditor->document());
    GameInformation(FWorld).Changed = true;
    FChangedSinceSnapshot = true;
}

void THelpForm::UpdateControls() {
    if (FUpdating)
        return;
    FUpdating = true;
    const QFont font = SelectionFormat().font().resolve(FEditor->document()->defaultFont());
    FBoldAction->setChecked(font.bold());
    FItalicAction->setChecked(font.italic());
    FUnderlineAction->setChecked(font.underline());
    FFontName->setEditText(font.family());
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : 12.0;
    FFontSize->setEditText(QString::number(points));

    const QTextCursor cursor = FEditor->textCursor();
    FBulletAction->setChecked(cursor.currentList() != nullptr);
    const Qt::Alignment alignment = FEditor->alignment() & Qt::AlignHorizontal_Mask;
    if (alignment & (Qt::AlignRight | Qt::AlignTrailing))
        FRightAction->setChecked(true);
    else if (alignment & Qt::AlignHCenter)
        FCenterAction->setChecked(true);
    else
        FLeftAction->setChecked(true);

    FCopyAction->setEnabled(cursor.hasSelection());
    FCutAction->setEnabled(cursor.hasSelection());
    const QMimeData* clipboard = QApplication::clipboard()->mimeData();
    FPasteAction->setEnabled(clipboard != nullptr && clipboard->hasText());
    FUndoAction->setEnabled(FEditor->document()->isUndoAvailable());
    FUpdating = false;
}

QTextCharFormat THelpForm::SelectionFormat() const {
    // With a selection, the format of its first character, as a word
    // processor shows it; without one, the format typing would use.
    const QTextCursor cursor = FEditor->textCursor();
    if (!cursor.hasSelection())
        return FEditor->currentCharFormat();
    QTextCursor first(FEditor->document());
    first.setPosition(cursor.selectionStart() + 1);
    return first.charFormat();
}

void THelpForm::MergeFormat(const QTextCharFormat& format) {
    FEditor->mergeCurrentCharFormat(format);
    UpdateControls();
}

void THelpForm::showEvent(QShowEvent* event) {
    // Opening the window, not restoring it from the task bar, starts over
    // from the model.
    if (!event->spontaneous())
        LoadFromModel();
    QMainWindow::showEvent(event);
}

void THelpForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    UpdateControls();
}

void THelpForm::closeEvent(QCloseEvent* event) {
    if (!FClosingSaving && FChangedSinceSnapshot) {
        switch (AskYesNoCancel(QString::fromLatin1(SaveQuestion))) {
        case QMessageBox::Yes: break;
        case QMessageBox::No:
            GameInformation(FWorld).Text = FSnapshot.Text;
            GameInformation(FWorld).BackgroundColor = FSnapshot.BackgroundColor;
            GameInformation(FWorld).Changed = FSnapshot.Changed;
            ShowDocument(GameInformation(FWorld).Text);
            ShowBackground();
            break;
        default: event->ignore(); return;
        }
    }
    FChangedSinceSnapshot = false;
    event->accept();
}

void THelpForm::CloseSavingChanges() {
    FClosingSaving = true;
    close();
    FClosingSaving = false;
}

void THelpForm::LoadFromFile() {
    const QString name = ChooseOpenFile(QStringLiteral("File to load information from"), QString::fromLatin1(RtfFilter),
                                        QStringLiteral("rtf"));
    if (name.isEmpty())
        return;
    QFile file(name);
    if (file.size() > MaxFileSize || !file.open(QIODevice::ReadOnly)) {
        ShowMessageBox(QStringLiteral("Cannot read the file ") + name);
        return;
    }
    const QByteArray content = file.readAll();
    CBlock bytes(content.begin(), content.end());
    if (!IsWellFormedRtf(bytes))
        bytes = PlainTextToRtf(bytes);
    ShowDocument(bytes);
    // The file's bytes are the new game information as they stand.
    GameInformation(FWorld).Text = std::move(bytes);
    GameInformation(FWorld).Changed = true;
    FChangedSinceSnapshot = true;
    UpdateControls();
}

void THelpForm::SaveToFile() {
    const QString name = ChooseSaveFile(QStringLiteral("File to write information to"), QString::fromLatin1(RtfFilter),
                                        QStringLiteral("rtf"));
    if (name.isEmpty())
        return;
    const CBlock& bytes = GameInformation(FWorld).Text;
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()) ||
        !file.commit())
        ShowMessageBox(QStringLiteral("Cannot write the file ") + name);
}

void THelpForm::Print() {
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        FEditor->print(&printer);
}

void THelpForm::ChooseFont() {
    bool ok = false;
    const QFont current = SelectionFormat().font().resolve(FEditor->document()->defaultFont());
    const QFont chosen = QFontDialog::getFont(&ok, current, this);
    if (!ok)
        return;
    QTextCharFormat format;
    format.setFont(chosen);
    MergeFormat(format);
}

void THelpForm::ToggleBold() {
    QTextCharFormat format;
    format.setFontWeight(FBoldAction->isChecked() ? QFont::Bold : QFont::Normal);
    MergeFormat(format);
}

void THelpForm::ToggleBullets() {
    QTextCursor cursor = FEditor->textCursor();
    cursor.beginEditBlock();
    if (cursor.currentList() != nullptr) {
        // Take every paragraph of the selection out of its list.
        const int end = cursor.selectionEnd();
        QTextBlock block = FEditor->document()->findBlock(cursor.selectionStart());
        while (block.isValid() && block.position() <= end) {
            if (QTextList* blockList = block.textList()) {
                blockList->remove(block);
                QTextCursor blockCursor(block);
                QTextBlockFormat plain = block.blockFormat();
                plain.setIndent(0);
                blockCursor.setBlockFormat(plain);
            }
            block = block.next();
        }
    } else {
        QTextListFormat format;
        format.setStyle(QTextListFormat::ListDisc);
        cursor.createList(format);
    }
    cursor.endEditBlock();
    UpdateControls();
}

void THelpForm::SetAlignment(Qt::Alignment alignment) {
    FEditor->setAlignment(alignment);
    UpdateControls();
}

int THelpForm::CurrentLine() const { return FEditor->textCursor().blockNumber() + 1; }

void THelpForm::GotoLine(int line) {
    QTextDocument* document = FEditor->document();
    const int index = std::clamp(line, 1, document->blockCount()) - 1;
    FEditor->setTextCursor(QTextCursor(document->findBlockByNumber(index)));
    FEditor->ensureCursorVisible();
}

void THelpForm::AskGotoLine() {
    const std::optional<QString> answer =
        AskText(QStringLiteral("Goto Line"), QStringLiteral("line number:"), QString::number(CurrentLine()));
    if (!answer)
        return;
    bool ok = false;
    const int line = answer->trimmed().toInt(&ok);
    if (ok)
        GotoLine(line);
}

void THelpForm::ChooseTextColor() {
    const QBrush current = SelectionFormat().foreground();
    const QColor color =
        ChooseColor(current.style() == Qt::NoBrush ? QColor(Qt::black) : current.color(), QStringLiteral("Text Color"));
    if (!color.isValid())
        return;
    QTextCharFormat format;
    format.setForeground(color);
    MergeFormat(format);
}

void THelpForm::ChooseBackgroundColor() {
    const QColor color =
        ChooseColor(ShownColor(GameInformation(FWorld).BackgroundColor), QStringLiteral("Background Color"));
    if (!color.isValid())
        return;
    GameInformation(FWorld).BackgroundColor = StoredColor(color);
    GameInformation(FWorld).Changed = true;
    FChangedSinceSnapshot = true;
    ShowBackground();
}

}  // namespace transvane

// The meta-object code of the header, generated by the build.
#include "moc_Help_Form.cpp"
