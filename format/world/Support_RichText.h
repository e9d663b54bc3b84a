// Rich Text Format helpers for the game information.
//
// The game information is stored as the bytes of a Rich Text Format
// document.  Older projects sometimes hold plain text instead; the authoring
// tool's editor then falls back to reading the bytes as text.  These helpers
// make that decision without any window:
//
//   IsWellFormedRtf   a syntax check of a whole document
//   PlainTextToRtf    a small document that holds exactly the given text
//   RtfPlainText      the text of a document, without its formatting
//
// None of them recurses: group nesting is tracked with a counter or an
// explicit stack, so a document nested a million levels deep is harmless.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "format/core/Support_Stream.h"

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

// The text of a document as 8-bit characters: paragraph and line marks as
// "\n", tabs as "\t", \'hh as that byte, a \uN of a character above 255 by
// its fallback text; font tables, colour tables, pictures, ignorable
// destinations ({\* ...}) and the like contribute nothing.  Meant for a
// well-formed document; anything else gives its best reading without
// failing.
std::string RtfPlainText(std::span<const std::uint8_t> document);

// The character classes of the format: the letters of control words, the
// digits of their numbers, and the value of a hexadecimal digit of an \'hh
// escape (-1 for any other byte).
inline bool RtfIsLetter(std::uint8_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool RtfIsDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }
inline int RtfHexValue(std::uint8_t c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
