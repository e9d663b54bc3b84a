#include "gui/world/Help_Rtf.h"

#include <QColor>
#include <QFont>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <algorithm>
#include <array>
#include <map>
#include <string>
#include <string_view>

#include "format/core/Support_CodePage.h"
#include "format/world/Support_RichText.h"

namespace transvane {

namespace {

// ---------------------------------------------------------------------------
// Reading.

// Where the text of a group goes.
enum class EDestination {
    Text,        // the document
    FontTable,   // font names
    ColorTable,  // colour entries
    Bullet,      // {\*\pn ...}: a paragraph numbering, of which only the bullet matters
    Skip,        // nothing: what comes before the document
};

struct CCharacter {
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Strike = false;
    int Font = -1;        // font number; -1: the table's default font
    int HalfPoints = 24;  // 12 points
    int Color = 0;        // colour table index; 0: automatic
    bool operator==(const CCharacter&) const = default;
};

struct CParagraph {
    Qt::Alignment Alignment = Qt::AlignLeft;
    bool Bullet = false;
};

struct CGroup {
    CCharacter Character;
    CParagraph Paragraph;
    EDestination Destination = EDestination::Text;
};

struct CRun {
    CCharacter Character;
    QString Text;
};

struct CParsedParagraph {
    CParagraph Format;
    CCharacter Mark;  // the character format of the paragraph mark
    std::vector<CRun> Runs;
};

struct CFontEntry {
    QString Name;
};

// The destinations the editor reads itself: the font and colour tables, and
// the paragraph numbering, of which only the bullet matters.  The number or
// bullet text of {\pntext ...} and {\listtext ...} is passed over: the
// editor draws the list itself.
constexpr std::array<std::string_view, 3> EditorDestinations = {"fonttbl", "colortbl", "pn"};

class CRtfReader {
public:
    explicit CRtfReader(std::span<const std::uint8_t> bytes) : FScanner(bytes, EditorDestinations) {}

    void Read();

    std::vector<CParsedParagraph> Paragraphs;
    std::map<int, CFontEntry> Fonts;
    std::vector<QColor> Colors;  // invalid: automatic
    int DefaultFont = 0;

private:
    CGroup& State() { return FStack.back(); }
    void OpenGroup();
    bool CloseGroup();
    void Destination(std::string_view word);
    void ControlWord(std::string_view word, bool hasParameter, std::int64_t parameter);
    void ControlSymbol(std::uint8_t symbol);
    void Text(char16_t c);
    void TableText(std::uint8_t byte);
    void Character(char16_t c);
    void EndParagraph();
    void Flush();

    CRtfScanner FScanner;
    std::vector<CGroup> FStack;
    CParsedParagraph FCurrent;
    CCharacter FRunCharacter;
    QString FRunText;
    // The font and colour entries being read.
    int FFontNumber = 0;
    QString FFontName;
    int FRed = -1, FGreen = -1, FBlue = -1;
};

void CRtfReader::Read() {
    FStack.push_back(CGroup{});
    FStack.back().Destination = EDestination::Skip;  // nothing before the first brace counts
    for (bool done = false; !done;) {
        const CRtfToken token = FScanner.Next();
        switch (token.Kind) {
        case ERtfToken::End:
        case ERtfToken::Malformed: done = true; break;
        case ERtfToken::GroupOpen: OpenGroup(); break;
        case ERtfToken::GroupClose: done = CloseGroup(); break;
        case ERtfToken::Word:
            if (token.Destination)
                Destination(token.Word);
            ControlWord(token.Word, token.HasParameter, token.Parameter);
            break;
        case ERtfToken::Symbol: ControlSymbol(token.Byte); break;
        case ERtfToken::Character:
            if (State().Destination == EDestination::Text)
                Character(Windows1252Character(token.Byte));
            else
                TableText(token.Byte);
            break;
        case ERtfToken::Unicode: Text(token.Unicode); break;
        case ERtfToken::Binary: break;  // raw bytes, never text
        }
    }
    // A document cut short keeps what it held; an unfinished last paragraph
    // counts when it holds anything.
    Flush();
    if (!FCurrent.Runs.empty())
        EndParagraph();
}

void CRtfReader::OpenGroup() {
    Flush();
    CGroup group = State();
    if (FStack.size() == 1)
        group.Destination = EDestination::Text;  // the document's own group
    FStack.push_back(group);
}

// True at the document's closing brace.
bool CRtfReader::CloseGroup() {
    Flush();
    const EDestination closing = State().Destination;
    const CParagraph paragraph = State().Paragraph;
    FStack.pop_back();
    if (FStack.size() <= 1)
        return true;
    if (closing == EDestination::FontTable && !FFontName.isEmpty()) {
        // An entry without its semicolon still names its font.
        Fonts[FFontNumber].Name = FFontName.trimmed();
        FFontName.clear();
    }
    // The bullet of a {\*\pn ...} belongs to the paragraph around it.
    if (closing == EDestination::Bullet && paragraph.Bullet)
        State().Paragraph.Bullet = true;
    return false;
}

// The first word of a group may name its destination.
void CRtfReader::Destination(std::string_view word) {
    if (State().Destination == EDestination::Skip)
        return;
    if (word == "fonttbl") {
        State().Destination = EDestination::FontTable;
    } else if (word == "colortbl") {
        State().Destination = EDestination::ColorTable;
        FRed = FGreen = FBlue = -1;
    } else if (word == "pn") {
        State().Destination = EDestination::Bullet;
    }
}

void CRtfReader::TableText(std::uint8_t byte) {
    if (State().Destination == EDestination::FontTable) {
        if (byte == ';') {
            Fonts[FFontNumber].Name = FFontName.trimmed();
            FFontName.clear();
        } else if (FFontName.size() < 256) {
            FFontName.append(QChar(Windows1252Character(byte)));
        }
    } else if (State().Destination == EDestination::ColorTable && byte == ';') {
        if (FRed < 0 && FGreen < 0 && FBlue < 0)
            Colors.emplace_back();
        else
            Colors.emplace_back(std::max(FRed, 0), std::max(FGreen, 0), std::max(FBlue, 0));
        FRed = FGreen = FBlue = -1;
    }
}

// A character of the document's text: the end of a paragraph ends it.
void CRtfReader::Text(char16_t c) {
    if (State().Destination != EDestination::Text || c == 0)
        return;
    if (c == RtfParagraphEnd)
        EndParagraph();
    else
        Character(c);
}

void CRtfReader::ControlSymbol(std::uint8_t symbol) {
    if (State().Destination == EDestination::FontTable && (symbol == '\\' || symbol == '{' || symbol == '}'))
        TableText(symbol);
    else
        Text(RtfSymbolCharacter(symbol));
}

void CRtfReader::ControlWord(std::string_view word, bool hasParameter, std::int64_t parameter) {
    CGroup& state = State();
    const auto number = static_cast<int>(std::clamp<std::int64_t>(parameter, -1'000'000'000, 1'000'000'000));
    const bool on = !hasParameter || parameter != 0;

    switch (state.Destination) {
    case EDestination::FontTable:
        if (word == "f")
            FFontNumber = number;
        return;
    case EDestination::ColorTable: {
        const int component = std::clamp(number, 0, 255);
        if (word == "red")
            FRed = component;
        else if (word == "green")
            FGreen = component;
        else if (word == "blue")
            FBlue = component;
        return;
    }
    case EDestination::Bullet:
        if (word == "pnlvlblt")
            state.Paragraph.Bullet = true;
        return;
    case EDestination::Skip: return;
    case EDestination::Text: break;
    }

    CCharacter& c = state.Character;
    CParagraph& p = state.Paragraph;
    if (const char16_t named = RtfWordCharacter(word); named != 0) {
        Text(named);
    } else if (word == "deff") {
        DefaultFont = number;
    } else if (word == "plain") {
        c = CCharacter{};
    } else if (word == "pard") {
        p = CParagraph{};
    } else if (word == "b") {
        c.Bold = on;
    } else if (word == "i") {
        c.Italic = on;
    } else if (word == "ul") {
        c.Underline = on;
    } else if (word == "ulnone" || word == "ulw" || word == "uld" || word == "uldb") {
        c.Underline = word != "ulnone";
    } else if (word == "strike") {
        c.Strike = on;
    } else if (word == "f") {
        c.Font = number;
    } else if (word == "fs") {
        c.HalfPoints = number > 0 ? std::clamp(number, 2, 3276) : 24;
    } else if (word == "cf") {
        c.Color = std::max(number, 0);
    } else if (word == "ql") {
        p.Alignment = Qt::AlignLeft;
    } else if (word == "qr") {
        p.Alignment = Qt::AlignRight;
    } else if (word == "qc") {
        p.Alignment = Qt::AlignHCenter;
    } else if (word == "qj") {
        p.Alignment = Qt::AlignJustify;
    } else if (word == "ls") {
        p.Bullet = true;  // a list of a word processor: shown as bullets
    }
}

void CRtfReader::Character(char16_t c) {
    const CCharacter& character = State().Character;
    if (!FRunText.isEmpty() && !(character == FRunCharacter))
        Flush();
    if (FRunText.isEmpty())
        FRunCharacter = character;
    FRunText.append(QChar(c));
}

void CRtfReader::Flush() {
    if (FRunText.isEmpty())
        return;
    FCurrent.Runs.push_back(CRun{FRunCharacter, FRunText});
    FRunText.clear();
}

void CRtfReader::EndParagraph() {
    Flush();
    // The properties in force at the paragraph mark are the paragraph's.
    FCurrent.Format = State().Paragraph;
    FCurrent.Mark = FCurrent.Runs.empty() ? State().Character : FCurrent.Runs.front().Character;
    Paragraphs.push_back(std::move(FCurrent));
    FCurrent = CParsedParagraph{};
}

// ---------------------------------------------------------------------------
// Writing.

constexpr char HexDigits[] = "0123456789abcdef";

void AppendHex(std::string& out, int byte) {
    out += "\\'";
    out += HexDigits[(byte >> 4) & 15];
    out += HexDigits[byte & 15];
}

// A font name as a font-table entry: ASCII as it is, '\\', '{' and '}'
// escaped, the rest of Windows-1252 as \'hh; characters beyond it, which no
// reader could match to a font anyway, are left out.
std::string FontName(const QString& family) {
    std::string name;
    for (const QChar qc : family) {
        const int byte = Windows1252Byte(qc.unicode());
        if (byte == '\\' || byte == '{' || byte == '}') {
            name += '\\';
            name += static_cast<char>(byte);
        } else if (byte >= 0x20 && byte < 0x80) {
            name += static_cast<char>(byte);
        } else if (byte >= 0x80) {
            AppendHex(name, byte);
        }
    }
    return name;
}

class CRtfWriter {
public:
    explicit CRtfWriter(const QTextDocument& document) : FDocument(document) {}
    std::string Write();

private:
    struct CFormat {
        bool Bold = false;
        bool Italic = false;
        bool Underline = false;
        bool Strike = false;
        int Font = 0;
        int HalfPoints = 24;
        int Color = 0;
    };

    CFormat FormatOf(const QTextCharFormat& format);
    int FontIndex(const QString& family);
    int ColorIndex(const QColor& color);
    void Word(std::string_view word, int parameter);
    void Word(std::string_view word);
    void Text(const QString& text);
    void Switch(const CFormat& format);

    const QTextDocument& FDocument;
    QFont FDefaultFont;
    std::vector<QString> FFonts;  // index = font number
    std::vector<QColor> FColors;  // index + 1 = colour number
    std::string FBody;
    CFormat FCurrent;
    bool FNeedSpace = false;
};

CRtfWriter::CFormat CRtfWriter::FormatOf(const QTextCharFormat& format) {
    const QFont font = format.font().resolve(FDefaultFont);
    CFormat result;
    result.Bold = font.bold();
    result.Italic = font.italic();
    result.Underline = font.underline();
    result.Strike = font.strikeOut();
    result.Font = FontIndex(font.family());
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : 12.0;
    result.HalfPoints = std::clamp(static_cast<int>(points * 2 + 0.5), 2, 3276);
    const QBrush foreground = format.foreground();
    result.Color = foreground.style() == Qt::NoBrush ? 0 : ColorIndex(foreground.color());
    return result;
}

int CRtfWriter::FontIndex(const QString& family) {
    QString name = family;
    name.remove(QLatin1Char(';'));  // a semicolon would end the table entry
    if (name.isEmpty())
        return 0;
    const auto found = std::find(FFonts.begin(), FFonts.end(), name);
    if (found != FFonts.end())
        return static_cast<int>(found - FFonts.begin());
    FFonts.push_back(name);
    return static_cast<int>(FFonts.size() - 1);
}

int CRtfWriter::ColorIndex(const QColor& color) {
    const QColor rgb = color.toRgb();
    for (std::size_t i = 0; i < FColors.size(); ++i)
        if (FColors[i].rgb() == rgb.rgb())
            return static_cast<int>(i + 1);
    FColors.push_back(rgb);
    return static_cast<int>(FColors.size());
}

void CRtfWriter::Word(std::string_view word) {
    FBody += '\\';
    FBody += word;
    FNeedSpace = true;
}

void CRtfWriter::Word(std::string_view word, int parameter) {
    Word(word);
    FBody += std::to_string(parameter);
}

void CRtfWriter::Switch(const CFormat& format) {
    if (format.Bold != FCurrent.Bold)
        format.Bold ? Word("b") : Word("b", 0);
    if (format.Italic != FCurrent.Italic)
        format.Italic ? Word("i") : Word("i", 0);
    if (format.Underline != FCurrent.Underline)
        format.Underline ? Word("ul") : Word("ulnone");
    if (format.Strike != FCurrent.Strike)
        format.Strike ? Word("strike") : Word("strike", 0);
    if (format.Font != FCurrent.Font)
        Word("f", format.Font);
    if (format.HalfPoints != FCurrent.HalfPoints)
        Word("fs", format.HalfPoints);
    if (format.Color != FCurrent.Color)
        Word("cf", format.Color);
    FCurrent = format;
}

void CRtfWriter::Text(const QString& text) {
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c == u'\t') {
            Word("tab");
        } else if (c == u'\u2028') {
            Word("line");
        } else if (c == u'\uFFFC' || c == u'\u2029' || c < 0x20) {
            // Embedded objects and stray controls have no place in the text.
        } else if (c == u'\\' || c == u'{' || c == u'}') {
            FBody += '\\';
            FBody += static_cast<char>(c);
            FNeedSpace = false;
        } else if (c < 0x80) {
            if (FNeedSpace)
                FBody += ' ';
            FBody += static_cast<char>(c);
            FNeedSpace = false;
        } else if (const int byte = Windows1252Byte(c); byte >= 0) {
            AppendHex(FBody, byte);
            FNeedSpace = false;
        } else {
            Word("u", static_cast<std::int16_t>(c));
            FBody += '?';  // the one fallback character of \uc1
            FNeedSpace = false;
        }
    }
}

std::string CRtfWriter::Write() {
    FDefaultFont = FDocument.defaultFont();
    FontIndex(FDefaultFont.family());  // font 0: the document's own
    if (FFonts.empty())
        FFonts.push_back(QStringLiteral("Arial"));
    const int symbolFont = FontIndex(QStringLiteral("Symbol"));
    FCurrent.Font = 0;
    FCurrent.HalfPoints = 24;

    for (QTextBlock block = FDocument.begin(); block.isValid(); block = block.next()) {
        Word("pard");
        if (block.textList() != nullptr) {
            FBody += "{\\pntext\\f" + std::to_string(symbolFont) + "\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf" +
                     std::to_string(symbolFont) + "\\pnindent0{\\pntxtb\\'b7}}";
            Word("fi", -360);
            Word("li", 360);
        }
        const Qt::Alignment alignment = block.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
        if (alignment & (Qt::AlignRight | Qt::AlignTrailing))
            Word("qr");
        else if (alignment & Qt::AlignHCenter)
            Word("qc");
        else if (alignment & Qt::AlignJustify)
            Word("qj");
        // An empty paragraph still carries its size, which sets its height.
        if (block.length() <= 1)
            Switch(FormatOf(block.charFormat()));
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            Switch(FormatOf(fragment.charFormat()));
            Text(fragment.text());
        }
        Word("par");
        FBody += "\r\n";
        FNeedSpace = false;
    }

    std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl";
    for (std::size_t i = 0; i < FFonts.size(); ++i) {
        const bool symbol = static_cast<int>(i) == symbolFont;
        out += "{\\f" + std::to_string(i) + (symbol ? "\\ftech\\fcharset2 " : "\\fnil\\fcharset0 ");
        out += FontName(FFonts[i]);
        out += ";}";
    }
    out += '}';
    if (!FColors.empty()) {
        out += "\r\n{\\colortbl ;";
        for (const QColor& color : FColors)
            out += "\\red" + std::to_string(color.red()) + "\\green" + std::to_string(color.green()) + "\\blue" +
                   std::to_string(color.blue()) + ';';
        out += '}';
    }
    out += "\r\n\\viewkind4\\uc1";
    out += FBody;
    out += "}\r\n";
    return out;
}

QTextCharFormat CharFormat(const CCharacter& c, const CRtfReader& reader, const QFont& fallback) {
    QTextCharFormat format;
    int fontNumber = c.Font >= 0 ? c.Font : reader.DefaultFont;
    const auto font = reader.Fonts.find(fontNumber);
    const QString family =
        font != reader.Fonts.end() && !font->second.Name.isEmpty() ? font->second.Name : fallback.family();
    format.setFontFamilies(QStringList{family});
    format.setFontPointSize(c.HalfPoints / 2.0);
    format.setFontWeight(c.Bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(c.Italic);
    format.setFontUnderline(c.Underline);
    format.setFontStrikeOut(c.Strike);
    // \cfN counts the table's entries from 0; an entry without components
    // (usually the first) is the automatic colour.
    if (c.Color > 0 && static_cast<std::size_t>(c.Color) < reader.Colors.size() &&
        reader.Colors[static_cast<std::size_t>(c.Color)].isValid())
        format.setForeground(reader.Colors[static_cast<std::size_t>(c.Color)]);
    return format;
}

}  // namespace

bool RtfToDocument(std::span<const std::uint8_t> bytes, QTextDocument& document) {
    document.clear();
    static constexpr std::string_view Header = "{\\rtf";
    if (bytes.size() < Header.size() ||
        !std::equal(Header.begin(), Header.end(), bytes.begin(),
                    [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }))
        return false;

    CRtfReader reader(bytes);
    reader.Read();

    const QFont fallback = document.defaultFont();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    QTextList* list = nullptr;
    bool first = true;
    for (const CParsedParagraph& paragraph : reader.Paragraphs) {
        QTextBlockFormat blockFormat;
        blockFormat.setAlignment(paragraph.Format.Alignment);
        // The paragraph mark takes the format of the paragraph's first run,
        // so an empty paragraph keeps the height of its text.
        const QTextCharFormat markFormat = CharFormat(paragraph.Mark, reader, fallback);
        if (first) {
            cursor.setBlockFormat(blockFormat);
            cursor.setBlockCharFormat(markFormat);
            first = false;
        } else {
            cursor.insertBlock(blockFormat, markFormat);
        }
        if (paragraph.Format.Bullet) {
            if (list != nullptr) {
                list->add(cursor.block());
            } else {
                QTextListFormat listFormat;
                listFormat.setStyle(QTextListFormat::ListDisc);
                list = cursor.createList(listFormat);
            }
        } else {
            list = nullptr;
        }
        for (const CRun& run : paragraph.Runs)
            cursor.insertText(run.Text, CharFormat(run.Character, reader, fallback));
    }
    cursor.endEditBlock();
    return true;
}

std::vector<std::uint8_t> DocumentToRtf(const QTextDocument& document) {
    const std::string text = CRtfWriter(document).Write();
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

}  // namespace transvane
