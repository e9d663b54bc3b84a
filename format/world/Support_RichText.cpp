#include "format/world/Support_RichText.h"

#include <array>
#include <string_view>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// The scanner: one token at a time, never more than a few bytes of look-ahead.

enum class TokenKind {
    GroupOpen,   // {
    GroupClose,  // }
    Word,        // \letters, optionally followed by a signed number
    Symbol,      // \ and one non-letter, e.g. \\ \{ \~ \*
    Hex,         // \'hh
    Binary,      // \binN and the N raw bytes after it
    Text,        // any other byte
    End,         // no bytes left
    Malformed,   // an incomplete or invalid escape
};

struct CToken {
    TokenKind Kind = TokenKind::End;
    std::string_view Word;  // the letters of a control word
    bool HasParameter = false;
    std::int64_t Parameter = 0;
    std::uint8_t Byte = 0;  // the byte of Text, Hex and Symbol
};

// Control words are at most 32 letters and their numbers at most 10 digits.
constexpr std::size_t MaxWordLength = 32;
constexpr std::size_t MaxDigits = 10;

// A control symbol is a backslash and one character that cannot start a
// control word: printable ASCII punctuation, or a line break (\<LF> is an
// old spelling of \par) or a tab.
bool IsSymbolCharacter(std::uint8_t c) {
    if (c == '\t' || c == '\n' || c == '\r')
        return true;
    return c >= 0x20 && c <= 0x7E && !RtfIsLetter(c) && !RtfIsDigit(c);
}

class CRtfScanner {
public:
    explicit CRtfScanner(std::span<const std::uint8_t> bytes) : FBytes(bytes) {}

    std::size_t Position() const { return FPosition; }

    CToken Next() {
        CToken token;
        if (FPosition >= FBytes.size())
            return token;
        const std::uint8_t c = FBytes[FPosition++];
        if (c == '{') {
            token.Kind = TokenKind::GroupOpen;
        } else if (c == '}') {
            token.Kind = TokenKind::GroupClose;
        } else if (c != '\\') {
            token.Kind = TokenKind::Text;
            token.Byte = c;
        } else {
            ScanEscape(token);
        }
        return token;
    }

private:
    bool More() const { return FPosition < FBytes.size(); }
    std::uint8_t Peek() const { return FBytes[FPosition]; }

    void ScanEscape(CToken& token) {
        token.Kind = TokenKind::Malformed;
        if (!More())
            return;
        const std::uint8_t c = Peek();
        if (c == '\'') {
            if (FBytes.size() - FPosition < 3)
                return;
            const int high = RtfHexValue(FBytes[FPosition + 1]);
            const int low = RtfHexValue(FBytes[FPosition + 2]);
            if (high < 0 || low < 0)
                return;
            FPosition += 3;
            token.Kind = TokenKind::Hex;
            token.Byte = static_cast<std::uint8_t>(high * 16 + low);
            return;
        }
        if (!RtfIsLetter(c)) {
            if (!IsSymbolCharacter(c))
                return;
            ++FPosition;
            token.Kind = TokenKind::Symbol;
            token.Byte = c;
            return;
        }
        ScanWord(token);
    }

    void ScanWord(CToken& token) {
        const std::size_t start = FPosition;
        while (More() && RtfIsLetter(Peek()))
            ++FPosition;
        if (FPosition - start > MaxWordLength)
            return;
        token.Word = std::string_view(reinterpret_cast<const char*>(FBytes.data()) + start,
                                      FPosition - start);
        bool negative = false;
        if (More() && Peek() == '-') {
            ++FPosition;
            negative = true;
            if (!More() || !RtfIsDigit(Peek()))
                return;  // a minus sign must be followed by the number
        }
        if (More() && RtfIsDigit(Peek())) {
            std::size_t digits = 0;
            std::int64_t value = 0;
            while (More() && RtfIsDigit(Peek())) {
                if (++digits > MaxDigits)
                    return;
                value = value * 10 + (Peek() - '0');
                ++FPosition;
            }
            token.HasParameter = true;
            token.Parameter = negative ? -value : value;
        }
        // One space delimits the word and belongs to it.
        if (More() && Peek() == ' ')
            ++FPosition;
        token.Kind = TokenKind::Word;
        if (token.Word == "bin") {
            // \binN: N raw bytes follow that may hold anything, braces too.
            const std::int64_t count = token.HasParameter ? token.Parameter : 0;
            if (count < 0 || static_cast<std::uint64_t>(count) > FBytes.size() - FPosition) {
                token.Kind = TokenKind::Malformed;
                return;
            }
            FPosition += static_cast<std::size_t>(count);
            token.Kind = TokenKind::Binary;
        }
    }

    std::span<const std::uint8_t> FBytes;
    std::size_t FPosition = 0;
};

bool IsTrailingFiller(std::uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == 0; }

// Destinations whose contents are not part of the document's text.
constexpr std::array<std::string_view, 33> SkippedDestinations = {
    "fonttbl",    "colortbl",   "stylesheet",        "info",        "pict",
    "object",     "header",     "headerl",           "headerr",     "headerf",
    "footer",     "footerl",    "footerr",           "footerf",     "footnote",
    "listtable",  "listoverridetable", "rsidtbl",     "generator",   "themedata",
    "colorschememapping", "latentstyles", "datastore", "xmlnstbl",  "fldinst",
    "filetbl",    "revtbl",     "pgdsctbl",          "author",      "operator",
    "title",      "comment",    "keywords",
};

bool IsSkippedDestination(std::string_view word) {
    for (std::string_view d : SkippedDestinations)
        if (d == word)
            return true;
    return false;
}

// Single characters some control words stand for, in the 8-bit code page
// (Windows-1252) the documents are written in.
int WordCharacter(std::string_view word) {
    struct Entry {
        std::string_view Word;
        int Byte;
    };
    static constexpr Entry Table[] = {
        {"par", '\n'},        {"line", '\n'},       {"sect", '\n'},     {"page", '\n'},
        {"row", '\n'},        {"tab", '\t'},        {"cell", '\t'},     {"emdash", 0x97},
        {"endash", 0x96},     {"bullet", 0x95},     {"lquote", 0x91},   {"rquote", 0x92},
        {"ldblquote", 0x93},  {"rdblquote", 0x94},  {"emspace", ' '},   {"enspace", ' '},
    };
    for (const Entry& entry : Table)
        if (entry.Word == word)
            return entry.Byte;
    return -1;
}

}  // namespace

bool IsWellFormedRtf(std::span<const std::uint8_t> bytes) {
    CRtfScanner scanner(bytes);
    if (scanner.Next().Kind != TokenKind::GroupOpen)
        return false;
    const CToken header = scanner.Next();
    if (header.Kind != TokenKind::Word || header.Word != "rtf" || !header.HasParameter ||
        header.Parameter != 1)
        return false;

    std::uint64_t depth = 1;
    while (depth > 0) {
        const CToken token = scanner.Next();
        switch (token.Kind) {
            case TokenKind::GroupOpen:
                ++depth;
                break;
            case TokenKind::GroupClose:
                --depth;
                break;
            case TokenKind::End:
            case TokenKind::Malformed:
                return false;
            default:
                break;
        }
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

std::string RtfPlainText(std::span<const std::uint8_t> document) {
    // The state a group inherits from its parent and restores on closing.
    struct CGroupState {
        bool Skip = false;
        std::int64_t FallbackLength = 1;  // \ucN
    };
    std::vector<CGroupState> stack;
    CGroupState state;
    std::int64_t fallbackToSkip = 0;  // characters after a \uN still to drop
    bool started = false;
    std::string text;

    auto emit = [&](std::uint8_t byte) {
        if (fallbackToSkip > 0) {
            --fallbackToSkip;
            return;
        }
        if (!state.Skip)
            text += static_cast<char>(byte);
    };

    CRtfScanner scanner(document);
    for (;;) {
        const CToken token = scanner.Next();
        switch (token.Kind) {
            case TokenKind::End:
            case TokenKind::Malformed:
                return text;
            case TokenKind::GroupOpen:
                if (started)
                    stack.push_back(state);
                started = true;
                fallbackToSkip = 0;
                break;
            case TokenKind::GroupClose:
                if (stack.empty())
                    return text;  // the document's own closing brace
                state = stack.back();
                stack.pop_back();
                fallbackToSkip = 0;
                break;
            case TokenKind::Text:
                // Line breaks in the source only lay the document out.
                if (token.Byte != '\r' && token.Byte != '\n')
                    emit(token.Byte);
                break;
            case TokenKind::Hex:
                emit(token.Byte);
                break;
            case TokenKind::Binary:
                fallbackToSkip = 0;
                break;
            case TokenKind::Symbol:
                switch (token.Byte) {
                    case '*':
                        state.Skip = true;  // an ignorable destination
                        break;
                    case '~':
                        emit(0xA0);
                        break;
                    case '_':
                        emit('-');
                        break;
                    case '-':
                        break;  // an optional hyphen
                    case '\n':
                    case '\r':
                        emit('\n');
                        break;
                    default:
                        emit(token.Byte);
                        break;
                }
                break;
            case TokenKind::Word: {
                if (IsSkippedDestination(token.Word)) {
                    state.Skip = true;
                } else if (token.Word == "uc") {
                    state.FallbackLength = token.HasParameter ? token.Parameter : 1;
                } else if (token.Word == "u" && token.HasParameter) {
                    std::int64_t code = token.Parameter;
                    if (code < 0)
                        code += 65536;  // stored as a signed 16-bit number
                    // A character of the 8-bit code page stands for itself;
                    // anything beyond it keeps its fallback text instead.
                    if (code >= 0 && code < 256) {
                        emit(static_cast<std::uint8_t>(code));
                        fallbackToSkip = state.FallbackLength;
                    }
                } else if (const int byte = WordCharacter(token.Word); byte >= 0) {
                    emit(static_cast<std::uint8_t>(byte));
                }
                break;
            }
        }
    }
}
