// Rich Text Format: the one tokeniser, and what the game information needs
// of it without any window.
//
// The game information is stored as the bytes of a Rich Text Format
// document.  Older projects sometimes hold plain text instead; the authoring
// tool's editor then falls back to reading the bytes as text.
//
//   CRtfScanner       the tokens of a document: the only code that splits
//                     one, for the plain text here and the editor's reader
//   IsWellFormedRtf   a syntax check of a whole document
//   PlainTextToRtf    a small document that holds exactly the given text
//   RtfPlainText      the text of a document, without its formatting
//
// None of them recurses: group nesting is tracked with a counter or a stack
// bounded by MaxRtfDepth, so a document nested a million levels deep is
// harmless.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "format/core/Support_Stream.h"

namespace transvane {

// Groups nested deeper than this are passed over whole.
inline constexpr std::size_t MaxRtfDepth = 256;
// The largest \ucN honoured: no writer drops more than a few fallback
// characters after a \uN.
inline constexpr std::int64_t MaxRtfFallback = 16;

enum class ERtfToken {
    GroupOpen,   // {
    GroupClose,  // }
    Word,        // \letters, optionally followed by a signed number
    Symbol,      // \ and one non-letter, e.g. \\ \{ \~ \_
    Character,   // a byte of text, or the byte of an \'hh escape
    Unicode,     // \uN: one UTF-16 code unit
    Binary,      // \binN and the N raw bytes after it
    End,         // no bytes left
    Malformed,   // an incomplete or invalid escape; nothing follows it
};

struct CRtfToken {
    ERtfToken Kind = ERtfToken::End;
    std::string_view Word;  // the letters of a control word
    bool HasParameter = false;
    std::int64_t Parameter = 0;  // at most ten digits, so never overflowing
    bool Destination = false;    // the first word of its group: it may name the group's destination
    bool Ignorable = false;      // ... marked by a \* before it
    std::uint8_t Byte = 0;       // of Character and Symbol
    char16_t Unicode = 0;        // of Unicode
};

// The tokens of a document, one at a time.  What every reader must do alike
// is done here, so that two readers never see one document differently:
//  - line breaks and other control bytes in the source only lay it out and
//    are no tokens (a tab is text);
//  - a \uN becomes one Unicode token, and the fallback characters after it
//    (\ucN of the group, default 1, at most MaxRtfFallback; a text byte,
//    \'hh, control word, control symbol or \bin run each counts one; a brace
//    ends them) are dropped;
//  - a group that is a destination holding no text (marked ignorable by \*,
//    or named in the table of such destinations) is passed over whole,
//    braces and all, unless the reader asked for it; so is a group nested
//    deeper than MaxRtfDepth.  Its syntax is still checked.
// Control words are at most 32 letters, their numbers at most 10 digits, and
// a \binN run must lie within the bytes: anything else is Malformed.  After
// End or Malformed the scanner stays where it is.
class CRtfScanner {
public:
    // `reads`: the destinations of the table this reader handles itself.
    explicit CRtfScanner(std::span<const std::uint8_t> bytes, std::span<const std::string_view> reads = {});

    CRtfToken Next();

    // The offset of the next byte to read.
    std::size_t Position() const { return FPosition; }
    // The groups open: 1 inside the document's own group.
    std::size_t Depth() const { return FOuterFallbacks.size(); }

private:
    CRtfToken Lex();
    void LexEscape(CRtfToken& token);
    void LexWord(CRtfToken& token);
    bool OpensSkippedGroup();
    CRtfToken PassOverGroup();

    std::span<const std::uint8_t> FBytes;
    std::span<const std::string_view> FReads;
    std::size_t FPosition = 0;
    std::int64_t FFallbackLength = 1;           // \ucN of the current group
    std::vector<std::int64_t> FOuterFallbacks;  // ... of each enclosing group
    std::int64_t FFallbackToDrop = 0;           // after a \uN
    bool FGroupStart = false;                   // nothing read yet in the group just opened
    bool FIgnorable = false;                    // ... but a \*
};

// True when the word names a destination whose contents are not text: font
// and colour tables, style sheets, pictures, headers, footnotes, document
// information, the paragraph numbering and the like.  "pntext" and
// "listtext" are among them: they hold the number or bullet of a list item
// for readers that draw no lists.
bool IsSkippedDestination(std::string_view word);

// The character a control word stands for (\emdash, \bullet, \lquote ...),
// or 0.  \par and the other ends of a paragraph stand for RtfParagraphEnd,
// \line for RtfLineBreak, \tab and \cell for a tab.
inline constexpr char16_t RtfParagraphEnd = u'\u2029';
inline constexpr char16_t RtfLineBreak = u'\u2028';
char16_t RtfWordCharacter(std::string_view word);
// The character a control symbol stands for (\\, \{, \}, \~ ...), or 0.
char16_t RtfSymbolCharacter(std::uint8_t symbol);

// True when the bytes are one well-formed document: they begin with the
// header "{\rtf1", every group opened is closed, every control word,
// control symbol, hexadecimal escape and \binN run is complete, and nothing
// but whitespace or NUL bytes follows the brace that closes the document.
bool IsWellFormedRtf(std::span<const std::uint8_t> bytes);

// A well-formed document holding the 8-bit text unchanged: '\', '{' and
// '}' escaped, bytes above 127 and control bytes as \'hh, tabs as \tab and
// every line break (CR LF, LF or a lone CR) as \par.  Set in Arial 12 points,
// the editor's own font.
CBlock PlainTextToRtf(std::span<const std::uint8_t> text);
CBlock PlainTextToRtf(const std::string& text);

// The text of a document as 8-bit (Windows-1252) characters: paragraph and
// line marks as "\n", tabs as "\t", \'hh as that byte, a \uN as its
// character in the code page or "?"; the number or bullet of a list item is
// kept, everything passed over by the scanner contributes nothing.  Meant
// for a well-formed document; anything else gives its best reading without
// failing.
std::string RtfPlainText(std::span<const std::uint8_t> document);

}  // namespace transvane
