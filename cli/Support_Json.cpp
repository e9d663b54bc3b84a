#include "cli/Support_Json.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ostream>

namespace transvane {

void WriteJsonString(std::ostream& out, std::string_view text) {
    out << '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out << '\\' << c;
        } else if (c == '\n') {
            out << "\\n";
        } else if (c == '\t') {
            out << "\\t";
        } else if (c == '\r') {
            out << "\\r";
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out << escaped;
        } else {
            out << c;
        }
    }
    out << '"';
}

void CJsonWriter::BeforeValue() {
    if (FAfterKey) {
        FAfterKey = false;
        return;
    }
    if (FLevels.empty())
        return;
    FOut << (FLevels.back().Empty ? "\n" : ",\n") << std::string(FLevels.size() * 2, ' ');
    FLevels.back().Empty = false;
}

CJsonWriter& CJsonWriter::Key(std::string_view name) {
    BeforeValue();
    WriteJsonString(FOut, name);
    FOut << ": ";
    FAfterKey = true;
    return *this;
}

void CJsonWriter::BeginObject() {
    BeforeValue();
    FOut << '{';
    FLevels.push_back({});
}

void CJsonWriter::BeginArray() {
    BeforeValue();
    FOut << '[';
    FLevels.push_back({});
}

void CJsonWriter::Close(char bracket) {
    const bool empty = FLevels.back().Empty;
    FLevels.pop_back();
    if (!empty)
        FOut << '\n' << std::string(FLevels.size() * 2, ' ');
    FOut << bracket;
    if (FLevels.empty())
        FOut << '\n';
}

void CJsonWriter::EndObject() { Close('}'); }
void CJsonWriter::EndArray() { Close(']'); }

void CJsonWriter::Null() {
    BeforeValue();
    FOut << "null";
}

void CJsonWriter::Bool(bool value) {
    BeforeValue();
    FOut << (value ? "true" : "false");
}

void CJsonWriter::Number(double value) {
    BeforeValue();
    if (!std::isfinite(value)) {
        FOut << "null";
        return;
    }
    if (value == std::floor(value) && std::fabs(value) < 1e15) {
        FOut << static_cast<std::int64_t>(value);
        return;
    }
    // The shortest text that reads back as the same number.
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    FOut << std::string_view(text, static_cast<std::size_t>(end - text));
}

void CJsonWriter::Number(std::int64_t value) {
    BeforeValue();
    FOut << value;
}

void CJsonWriter::Text(std::string_view value) {
    BeforeValue();
    WriteJsonString(FOut, value);
}

}  // namespace transvane
