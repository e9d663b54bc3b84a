#include "format/world/Support_RichText.h"

#include <algorithm>
#include <array>
#include <utility>

#include "format/core/Support_CodePage.h"

namespace transvane {

namespace {

// The character classes of the format: the letters of control words, the
// digits of their numbers, and the value of a hexadecimal digit of an \'hh
// escape (-1 for any other byte).
bool IsLetter(std::uint8_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }
int HexValue(std::uint8_t c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Control words are at most 32 letters and their numbers at most 10 digits.
constexpr std::size_t MaxWordLength = 32;
constexpr std::size_t MaxDigits = 10;

// A control symbol is a backslash and one character that cannot start a
// control word: printable ASCII punctuation, or a line break (\<LF> is an
// old spelling of \par) or a tab.
bool IsSymbolCharacter(std::uint8_t c) {
    if (c == '\t' || c == '\n' || c == '\r')
        return true;
    return c >= 0x20 && c <= 0x7E && !IsLetter(c) && !IsDigit(c);
}

// Bytes below a space lay the source out; a tab alone is text.
bool IsLayout(std::uint8_t c) { return c < 0x20 && c != '\t'; }

bool IsTrailingFiller(std::uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == 0; }

// Destinations whose contents are not part of the document's text, sorted.
constexpr std::array<std::string_view, 52> SkippedDestinations = {
    "aftncn",
    "aftnsep",
    "aftnsepc",
    "annotation",
    "atnauthor",
    "atnid",
    "author",
    "buptim",
    "colorschememapping",
    "colortbl",
    "comment",
    "creatim",
    "datastore",
    "doccomm",
    "filetbl",
    "fldinst",
    "fonttbl",
    "footer",
    "footerf",
    "footerl",
    "footerr",
    "footnote",
    "ftncn",
    "ftnsep",
    "ftnsepc",
    "generator",
    "header",
    "headerf",
    "headerl",
    "headerr",
    "info",
    "keywords",
    "latentstyles",
    "listoverridetable",
    "listtable",
    "listtext",
    "nonshppict",
    "object",
    "operator",
    "pgdsctbl",
    "pict",
    "pn",
    "pntext",
    "printim",
    "revtbl",
    "revtim",
    "rsidtbl",
    "stylesheet",
    "subject",
    "themedata",
    "title",
    "xmlnstbl",
};
static_assert(std::is_sorted(SkippedDestinations.begin(), SkippedDestinations.end()));

}  // namespace

bool IsSkippedDestination(std::string_view word) {
    return std::binary_search(SkippedDestinations.begin(), SkippedDestinations.end(), word);
}

char16_t RtfWordCharacter(std::string_view word) {
    struct CEntry {
        std::string_view Word;
        char16_t Character;
    };
    static constexpr CEntry Table[] = {
        {"par", RtfParagraphEnd}, {"sect", RtfParagraphEnd}, {"page", RtfParagraphEnd},
        {"row", RtfParagraphEnd}, {"line", RtfLineBreak},    {"tab", u'\t'},
        {"cell", u'\t'},          {"emdash", u'\u2014'},     {"endash", u'\u2013'},
        {"bullet", u'\u2022'},    {"lquote", u'\u2018'},     {"rquote", u'\u2019'},
        {"ldblquote", u'\u201C'}, {"rdblquote", u'\u201D'},  {"emspace", u' '},
        {"enspace", u' '},        {"qmspace", u' '},
    };
    for (const CEntry& entry : Table)
        if (entry.Word == word)
            return entry.Character;
    return 0;
}

char16_t RtfSymbolCharacter(std::uint8_t symbol) {
    switch (symbol) {
    case '\\':
    case '{':
    case '}':
    case '\t': return symbol;
    case '~': return u'\u00A0';  // a non-breaking space
    case '_': return u'\u2011';  // a non-breaking hyphen
    case '\n':
    case '\r': return RtfParagraphEnd;  // an old spelling of \par
    default: return 0;                  // \- (an optional hyphen), \| and \: show nothing
    }
}

// ---------------------------------------------------------------------------
// The scanner: one token at a time, never more than a few bytes of look-ahead.

CRtfScanner::CRtfScanner(std::span<const std::uint8_t> bytes, std::span<const std::string_view> reads)
    : FBytes(bytes), FReads(reads) {}

CRtfToken CRtfScanner::Lex() {
    CRtfToken token;
    while (FPosition < FBytes.size() && IsLayout(FBytes[FPosition]))
        ++FPosition;
    if (FPosition >= FBytes.size())
        return token;
    const std::uint8_t c = FBytes[FPosition++];
    if (c == '{') {
        token.Kind = ERtfToken::GroupOpen;
    } else if (c == '}') {
        token.Kind = ERtfToken::GroupClose;
    } else if (c != '\\') {
        token.Kind = ERtfToken::Character;
        token.Byte = c;
    } else {
        LexEscape(token);
    }
    return token;
}

void CRtfScanner::LexEscape(CRtfToken& token) {
    token.Kind = ERtfToken::Malformed;
    if (FPosition >= FBytes.size())
        return;
    const std::uint8_t c = FBytes[FPosition];
    if (c == '\'') {
        if (FBytes.size() - FPosition < 3)
            return;
        const int high = HexValue(FBytes[FPosition + 1]);
        const int low = HexValue(FBytes[FPosition + 2]);
        if (high < 0 || low < 0)
            return;
        FPosition += 3;
        token.Kind = ERtfToken::Character;
        token.Byte = static_cast<std::uint8_t>(high * 16 + low);
        return;
    }
    if (!IsLetter(c)) {
        if (!IsSymbolCharacter(c))
            return;
        ++FPosition;
        token.Kind = ERtfToken::Symbol;
        token.Byte = c;
        return;
    }
    LexWord(token);
}

void CRtfScanner::LexWord(CRtfToken& token) {
    const std::size_t start = FPosition;
    while (FPosition < FBytes.size() && IsLetter(FBytes[FPosition]))
        ++FPosition;
    if (FPosition - start > MaxWordLength)
        return;
    token.Word = std::string_view(reinterpret_cast<const char*>(FBytes.data()) + start, FPosition - start);
    bool negative = false;
    if (FPosition < FBytes.size() && FBytes[FPosition] == '-') {
        ++FPosition;
        negative = true;
        if (FPosition >= FBytes.size() || !IsDigit(FBytes[FPosition]))
            return;  // a minus sign must be followed by the number
    }
    std::size_t digits = 0;
    std::int64_t value = 0;
    while (FPosition < FBytes.size() && IsDigit(FBytes[FPosition])) {
        if (++digits > MaxDigits)
            return;
        value = value * 10 + (FBytes[FPosition] - '0');
        ++FPosition;
    }
    token.HasParameter = digits > 0;
    token.Parameter = negative ? -value : value;
    // One space delimits the word and belongs to it.
    if (FPosition < FBytes.size() && FBytes[FPosition] == ' ')
        ++FPosition;
    token.Kind = ERtfToken::Word;
    if (token.Word == "bin") {
        // \binN: N raw bytes follow that may hold anything, braces too.
        const std::int64_t count = token.HasParameter ? token.Parameter : 0;
        if (count < 0 || static_cast<std::uint64_t>(count) > FBytes.size() - FPosition) {
            token.Kind = ERtfToken::Malformed;
            return;
        }
        FPosition += static_cast<std::size_t>(count);
        token.Kind = ERtfToken::Binary;
    }
}

// Just after a '{': whether the group is a destination this reader passes
// over.  Looks at most at a \* and one word, and leaves the position as it
// was.
bool CRtfScanner::OpensSkippedGroup() {
    const std::size_t start = FPosition;
    CRtfToken first = Lex();
    const bool ignorable = first.Kind == ERtfToken::Symbol && first.Byte == '*';
    if (ignorable)
        first = Lex();
    FPosition = start;
    if (first.Kind != ERtfToken::Word)
        return false;
    if (std::find(FReads.begin(), FReads.end(), first.Word) != FReads.end())
        return false;
    return ignorable || IsSkippedDestination(first.Word);
}

// Reads up to the brace that closes the group just opened, with a counter
// for the groups inside it.  Gives that GroupClose, or End or Malformed.
CRtfToken CRtfScanner::PassOverGroup() {
    std::size_t open = 1;
    for (;;) {
        const std::size_t start = FPosition;
        const CRtfToken token = Lex();
        if (token.Kind == ERtfToken::GroupOpen) {
            ++open;
        } else if (token.Kind == ERtfToken::GroupClose) {
            if (--open == 0)
                return token;
        } else if (token.Kind == ERtfToken::End || token.Kind == ERtfToken::Malformed) {
            FPosition = start;  // stays there
            return token;
        }
    }
}

CRtfToken CRtfScanner::Next() {
    for (;;) {
        const std::size_t start = FPosition;
        CRtfToken token = Lex();
        const bool groupStart = std::exchange(FGroupStart, false);
        const bool ignorable = std::exchange(FIgnorable, false);
        switch (token.Kind) {
        case ERtfToken::End:
        case ERtfToken::Malformed:
            FPosition = start;  // stays there
            return token;
        case ERtfToken::GroupOpen:
            FFallbackToDrop = 0;
            if (Depth() >= MaxRtfDepth || OpensSkippedGroup()) {
                token = PassOverGroup();
                if (token.Kind != ERtfToken::GroupClose)
                    return token;
                continue;
            }
            FOuterFallbacks.push_back(FFallbackLength);
            FGroupStart = true;
            return token;
        case ERtfToken::GroupClose:
            FFallbackToDrop = 0;
            if (!FOuterFallbacks.empty()) {
                FFallbackLength = FOuterFallbacks.back();
                FOuterFallbacks.pop_back();
            }
            return token;
        case ERtfToken::Symbol:
            if (token.Byte == '*' && groupStart) {
                FGroupStart = FIgnorable = true;  // the destination's word comes next
                continue;
            }
            break;
        case ERtfToken::Word:
            if (token.Word == "u" && token.HasParameter) {
                // A signed 16-bit unit; characters beyond come as two of them.
                token.Kind = ERtfToken::Unicode;
                token.Unicode = static_cast<char16_t>(token.Parameter & 0xFFFF);
                FFallbackToDrop = FFallbackLength;
                return token;
            }
            break;
        default: break;
        }
        if (FFallbackToDrop > 0) {
            --FFallbackToDrop;
            continue;
        }
        if (token.Kind == ERtfToken::Word) {
            token.Destination = groupStart;
            token.Ignorable = ignorable;
            if (token.Word == "uc")
                FFallbackLength = token.HasParameter ? std::clamp<std::int64_t>(token.Parameter, 0, MaxRtfFallback) : 1;
        }
        return token;
    }
}

// ---------------------------------------------------------------------------
// Readers without a window.

bool IsWellFormedRtf(std::span<const std::uint8_t> bytes) {
    // The header comes first, with not even a line break before its word.
    if (bytes.size() < 2 || bytes[0] != '{' || bytes[1] != '\\')
        return false;
    CRtfScanner scanner(bytes);
    if (scanner.Next().Kind != ERtfToken::GroupOpen)
        return false;
    const CRtfToken header = scanner.Next();
    if (header.Kind != ERtfToken::Word || header.Word != "rtf" || !header.HasParameter || header.Parameter != 1)
        return false;

    while (scanner.Depth() > 0) {
        const ERtfToken kind = scanner.Next().Kind;
        if (kind == ERtfToken::End || kind == ERtfToken::Malformed)
            return false;
    }
    for (std::size_t i = scanner.Position(); i < bytes.size(); ++i)
        if (!IsTrailingFiller(bytes[i]))
            return false;
    return true;
}

CBlock PlainTextToRtf(std::span<const std::uint8_t> text) {
    static constexpr std::string_view Head =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\\pard\\f0\\fs24 ";
    static constexpr char HexDigits[] = "0123456789abcdef";

    std::string out;
    out.reserve(Head.size() + text.size() + text.size() / 8 + 8);
    out += Head;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::uint8_t c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;  // CR LF is one line break
            out += "\\par ";
        } else if (c == '\t') {
            out += "\\tab ";
        } else if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c > 0x7E) {
            out += "\\'";
            out += HexDigits[c >> 4];
            out += HexDigits[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '}';
    return CBlock(out.begin(), out.end());
}

CBlock PlainTextToRtf(const std::string& text) {
    return PlainTextToRtf(
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

namespace {

// A character of the document in the 8-bit code page of the plain text.
void AppendPlain(std::string& text, char16_t c) {
    if (c == 0)
        return;
    if (c == RtfParagraphEnd || c == RtfLineBreak) {
        text += '\n';
    } else if (const int byte = Windows1252Byte(c); byte >= 0) {
        text += static_cast<char>(byte);
    } else {
        text += c == u'\u2011' ? '-' : '?';  // a non-breaking hyphen, or a character the page lacks
    }
}

}  // namespace

std::string RtfPlainText(std::span<const std::uint8_t> document) {
    // Plain text draws no lists: the number or bullet of an item is its text.
    static constexpr std::array<std::string_view, 2> Reads = {"pntext", "listtext"};
    CRtfScanner scanner(document, Reads);
    std::string text;
    for (;;) {
        const CRtfToken token = scanner.Next();
        if (token.Kind == ERtfToken::End || token.Kind == ERtfToken::Malformed)
            return text;
        if (scanner.Depth() == 0) {
            if (token.Kind == ERtfToken::GroupClose)
                return text;  // the document's own closing brace
            continue;         // nothing before the document's first brace counts
        }
        switch (token.Kind) {
        case ERtfToken::Character: text += static_cast<char>(token.Byte); break;
        case ERtfToken::Unicode: AppendPlain(text, token.Unicode); break;
        case ERtfToken::Word: AppendPlain(text, RtfWordCharacter(token.Word)); break;
        case ERtfToken::Symbol: AppendPlain(text, RtfSymbolCharacter(token.Byte)); break;
        default: break;
        }
    }
}

}  // namespace transvane
