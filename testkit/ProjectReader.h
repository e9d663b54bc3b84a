// An independent reader of version-500 project files, for tests.
//
// It parses a file the converter wrote, section by section, straight from
// the stored layouts with its own little-endian cursor and its own zlib
// calls, so that a fault shared by a section's reader and writer cannot hide
// itself.  Pictures come back as pixels (only "no image" and compressed
// 24-bit BMPs are accepted, since those are all a converted file may hold),
// compressed blocks come back inflated, stored booleans as the int32 they
// occupy.  Anything malformed, and any byte after the tree, throws
// std::runtime_error naming the section and the offset.
#pragma once

#include <string>

#include "testkit/ProjectFiles.h"

namespace transvane {

namespace project {

TProject ReadProject(const CBlock& file);

// A BMP file the converter wrote, as the picture it holds: a standard
// bottom-up 24-bit BMP (54 bytes of headers, no colour table, rows padded
// to four bytes), the only kind it writes; throws std::runtime_error on
// anything else.
TPicture ReadWrittenBmp(const CBlock& bmp);
// A version-500 options section alone, read the same way.
TOptions ReadOptionsSection(const CBlock& section);

// The text of a Rich Text Format document without its formatting: groups
// that hold no text (font and colour tables, styles, destinations marked
// \*) are skipped, \par and \line become "\r\n", \tab a tab, \'hh the byte
// hh, and \\ \{ \} the character escaped.
std::string RtfPlainText(const CBlock& rtf);

}  // namespace project

}  // namespace transvane
