// A small value tree for the reports of transvane-cli, printed as JSON or as
// indented text: "key: value" lines, nested values indented below their
// key, array items marked with "-", prose of several lines as an indented
// block.  Texts are UTF-8; decode a project's strings first.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

namespace transvane {

class CJsonWriter;

class CValue {
public:
    enum class EKind { Null, Bool, Number, Text, Array, Object };

    CValue() = default;
    CValue(bool value) : FKind(EKind::Bool), FNumber(value ? 1 : 0) {}
    CValue(std::int32_t value) : FKind(EKind::Number), FNumber(static_cast<double>(value)) {}
    CValue(std::int64_t value) : FKind(EKind::Number), FNumber(static_cast<double>(value)) {}
    CValue(std::size_t value) : FKind(EKind::Number), FNumber(static_cast<double>(value)) {}
    CValue(double value) : FKind(EKind::Number), FNumber(value) {}
    CValue(std::string value) : FKind(EKind::Text), FText(std::move(value)) {}
    CValue(const char* value) : FKind(EKind::Text), FText(value) {}

    // Prose (a game's information): shown in the text form as an indented
    // block of its lines.  Any other text is one line there, its line
    // breaks escaped as every line of the tool escapes them (OneLine): a
    // name that holds one is still one name.
    static CValue Block(std::string text) {
        CValue value(std::move(text));
        value.FBlock = true;
        return value;
    }
    static CValue Array() {
        CValue value;
        value.FKind = EKind::Array;
        return value;
    }
    static CValue Object() {
        CValue value;
        value.FKind = EKind::Object;
        return value;
    }

    CValue& Add(std::string key, CValue value) {
        FFields.emplace_back(std::move(key), std::move(value));
        return FFields.back().second;
    }
    // The members of another object, after this one's.
    void Append(CValue&& object) {
        for (auto& field : object.FFields)
            FFields.push_back(std::move(field));
    }
    CValue& Push(CValue value) {
        FItems.push_back(std::move(value));
        return FItems.back();
    }
    // How a person reads the value in the text form ("9 x 7", "100%",
    // "16-bit"); the JSON keeps the value itself.
    CValue&& Shown(std::string text) && {
        FShown = std::move(text);
        return std::move(*this);
    }

    // A scalar as a person reads it on its own: the words it is shown as,
    // else its text as it stands, else its plain form ("yes", "42", "-").
    std::string Words() const;

    void WriteJson(CJsonWriter& out) const;
    // The whole tree as one JSON document, ended by a line break.
    void WriteJson(std::ostream& out) const;
    void WriteText(std::ostream& out, int indent = 0) const;

private:
    bool Scalar() const { return FKind != EKind::Array && FKind != EKind::Object; }
    // Printed on one line in the text form: a scalar, or a value shown as words.
    bool OnOneLine() const { return Scalar() || !FShown.empty(); }
    void WriteScalarText(std::ostream& out) const;

    EKind FKind = EKind::Null;
    double FNumber = 0;
    std::string FText;
    std::vector<CValue> FItems;
    std::vector<std::pair<std::string, CValue>> FFields;
    std::string FShown;
    bool FBlock = false;
};

}  // namespace transvane
