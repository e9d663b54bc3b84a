// The 8-bit texts of a project (Windows-1252) as the toolkit's strings and
// back, for the forms that show and edit them.  Every byte survives the
// round trip; characters the code page lacks become '?'.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "format/core/Support_CodePage.h"

namespace transvane {

inline QString FromWindows1252(std::string_view text) {
    QString result;
    result.reserve(static_cast<qsizetype>(text.size()));
    for (const char c : text)
        result.append(QChar(Windows1252Character(static_cast<std::uint8_t>(c))));
    return result;
}

inline std::string ToWindows1252(const QString& text) {
    std::string result;
    result.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar c : text) {
        const int byte = Windows1252Byte(c.unicode());
        result += static_cast<char>(byte >= 0 ? byte : '?');
    }
    return result;
}

}  // namespace transvane
