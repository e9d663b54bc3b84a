// A streaming JSON writer: values go straight to the output as they are
// produced, so a report of a project with a million actions costs no more
// memory than its deepest nesting.
//
// Output is indented by two spaces a level, one member or item a line, and
// empty containers are written as [] and {}.  Texts must be UTF-8 (decode
// a project's 8-bit strings first, Support_CodePage.h); quotes, backslashes
// and control characters are escaped.  Numbers that are not finite are
// written as null, whole numbers without a fraction.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace transvane {

class CJsonWriter {
public:
    explicit CJsonWriter(std::ostream& out) : FOut(out) {}

    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // The name of the next member of the open object.
    CJsonWriter& Key(std::string_view name);

    void Null();
    void Bool(bool value);
    void Number(double value);
    void Number(std::int64_t value);
    void Number(std::int32_t value) { Number(static_cast<std::int64_t>(value)); }
    void Number(std::size_t value) { Number(static_cast<std::int64_t>(value)); }
    void Text(std::string_view value);

    // Key and value in one call.
    template <class T>
    void Member(std::string_view name, const T& value) {
        Key(name);
        Write(value);
    }

private:
    void Write(bool value) { Bool(value); }
    void Write(double value) { Number(value); }
    void Write(std::int64_t value) { Number(value); }
    void Write(std::int32_t value) { Number(value); }
    void Write(std::size_t value) { Number(value); }
    void Write(const std::string& value) { Text(value); }
    void Write(const char* value) { Text(value); }
    void Write(std::string_view value) { Text(value); }

    // Starts a value: the separator and indentation an item needs.
    void BeforeValue();
    void Close(char bracket);

    struct CLevel {
        bool Empty = true;
    };
    std::ostream& FOut;
    std::vector<CLevel> FLevels;
    bool FAfterKey = false;
};

// The JSON form of a UTF-8 text, quotes included.
void WriteJsonString(std::ostream& out, std::string_view text);

}  // namespace transvane
