// Rich Text Format to and from the game-information editor's document.
//
// The reader understands what such documents use: the font and colour
// tables, bold, italic, underline, strike-out, size, font, text colour,
// paragraph alignment, bulleted paragraphs (the \pn and \ls markings),
// paragraphs, line breaks, tabs, the \'hh and \uN escapes and the usual
// named characters.  Destinations it does not show (pictures, style sheets,
// document information, {\* ...} and the like) are skipped whole.
//
// The reader takes its tokens from the one scanner of Support_RichText (so it
// reads a document as `info` does) and keeps an explicit group stack: no
// recursion, and groups nested deeper than MaxRtfDepth are passed over, so a
// hostile document costs time and memory in proportion to its size only.
// Bytes of \'hh escapes are taken as Windows-1252, the code page of the
// documents the editor writes.
//
// The writer produces one well-formed document: a font table, a colour
// table when the text uses colours, then one \par-terminated paragraph per
// block of the document.  Characters outside Windows-1252 are written as
// \uN with a "?" for readers that do not know \u.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class QTextDocument;

namespace transvane {

// Replaces the document's content by the document in the bytes.  Bytes that
// do not begin with "{\rtf" are not a document: the content is then emptied
// and false returned.
bool RtfToDocument(std::span<const std::uint8_t> bytes, QTextDocument& document);

// The document as Rich Text Format.  Character formats the document leaves
// unset take the document's default font.
std::vector<std::uint8_t> DocumentToRtf(const QTextDocument& document);

}  // namespace transvane
