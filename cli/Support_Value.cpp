#include "cli/Support_Value.h"

#include <cmath>
#include <cstdio>
#include <ostream>
#include <sstream>

namespace {

// The length of the UTF-8 sequence that starts at text[at], or 0 when the
// bytes there are not one.
std::size_t Utf8Length(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char first = byte(at);
    const std::size_t length = first < 0xC2 ? 0 : first < 0xE0 ? 2 : first < 0xF0 ? 3 : first <= 0xF4 ? 4 : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
    // no overlong forms, surrogates or code points beyond U+10FFFF
    const unsigned char second = byte(at + 1);
    if ((first == 0xE0 && second < 0xA0) || (first == 0xED && second >= 0xA0) ||
        (first == 0xF0 && second < 0x90) || (first == 0xF4 && second >= 0x90))
        return 0;
    return length;
}

// Texts are UTF-8 and go out as they are; a byte that is not part of a
// UTF-8 character (a file name in another encoding) becomes U+FFFD, so the
// output is always valid JSON.
void WriteJsonString(std::ostream& out, const std::string& text) {
    out << '"';
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out << '\\' << c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out << escaped;
        } else if (byte < 0x80) {
            out << c;
        } else if (const std::size_t length = Utf8Length(text, i); length > 0) {
            out.write(text.data() + i, static_cast<std::streamsize>(length));
            i += length - 1;
        } else {
            out << "\\ufffd";
        }
    }
    out << '"';
}

void WriteNumber(std::ostream& out, double number) {
    if (!std::isfinite(number)) {
        out << "null";
        return;
    }
    char text[32];
    if (number == std::floor(number) && std::fabs(number) < 1e15)
        std::snprintf(text, sizeof text, "%.0f", number);
    else
        std::snprintf(text, sizeof text, "%.10g", number);
    out << text;
}

}  // namespace

void CValue::WriteScalar(std::ostream& out, bool json) const {
    switch (FKind) {
    case EKind::Null:
        out << (json ? "null" : "-");
        break;
    case EKind::Bool:
        out << (FNumber != 0 ? (json ? "true" : "yes") : (json ? "false" : "no"));
        break;
    case EKind::Number:
        WriteNumber(out, FNumber);
        break;
    case EKind::Text:
        if (json) {
            WriteJsonString(out, FText);
        } else {
            for (char c : FText) {
                const auto byte = static_cast<unsigned char>(c);
                if (byte < 0x20 && c != '\t') {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
                    out << escaped;
                } else {
                    out << c;
                }
            }
        }
        break;
    default:
        break;
    }
}

void CValue::WriteJson(std::ostream& out, int indent) const {
    const std::string pad(static_cast<std::size_t>(indent + 2), ' ');
    if (Scalar()) {
        WriteScalar(out, true);
    } else if (FKind == EKind::Array) {
        if (FItems.empty()) {
            out << "[]";
            return;
        }
        out << "[\n";
        for (std::size_t i = 0; i < FItems.size(); ++i) {
            out << pad;
            FItems[i].WriteJson(out, indent + 2);
            out << (i + 1 < FItems.size() ? ",\n" : "\n");
        }
        out << std::string(static_cast<std::size_t>(indent), ' ') << "]";
    } else {
        if (FFields.empty()) {
            out << "{}";
            return;
        }
        out << "{\n";
        for (std::size_t i = 0; i < FFields.size(); ++i) {
            out << pad;
            WriteJsonString(out, FFields[i].first);
            out << ": ";
            FFields[i].second.WriteJson(out, indent + 2);
            out << (i + 1 < FFields.size() ? ",\n" : "\n");
        }
        out << std::string(static_cast<std::size_t>(indent), ' ') << "}";
    }
}

// Text: "key: value" lines, nested values indented below their key, array
// items marked with "-".  Texts of several lines become an indented block.
void CValue::WriteText(std::ostream& out, int indent) const {
    const std::string pad(static_cast<std::size_t>(indent), ' ');
    // lead is "key:" or "-"; scalars follow it on the same line.
    auto writeEntry = [&](const std::string& lead, const CValue& value) {
        if (value.Scalar() && !(value.FKind == EKind::Text && value.FText.find('\n') != std::string::npos)) {
            out << pad << lead << ' ';
            value.WriteScalar(out, false);
            out << "\n";
        } else if (value.Scalar()) {
            out << pad << lead << "\n";
            std::string text = value.FText;
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
                text.pop_back();
            std::size_t start = 0;
            while (start <= text.size()) {
                std::size_t end = text.find('\n', start);
                if (end == std::string::npos)
                    end = text.size();
                std::string line = text.substr(start, end - start);
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                out << pad << "    | ";
                CValue(line).WriteScalar(out, false);
                out << "\n";
                start = end + 1;
            }
        } else if (value.FItems.empty() && value.FFields.empty()) {
            out << pad << lead << (value.FKind == EKind::Array ? " none" : " -") << "\n";
        } else {
            out << pad << lead << "\n";
            value.WriteText(out, indent + 2);
        }
    };
    if (FKind == EKind::Array) {
        for (const CValue& item : FItems) {
            if (item.FKind == EKind::Object && !item.FFields.empty()) {
                // the fields indented below the dash, the first on its line
                std::ostringstream lines;
                item.WriteText(lines, indent + 2);
                const std::string text = lines.str();
                out << pad << "- " << text.substr(pad.size() + 2);
            } else {
                writeEntry("-", item);
            }
        }
    } else if (FKind == EKind::Object) {
        for (const auto& [key, value] : FFields)
            writeEntry(key + ":", value);
    } else {
        writeEntry("", *this);
    }
}

