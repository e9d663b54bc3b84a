// A small value tree, printed as JSON or as indented text: the reports of
// the info and check commands are built as one and printed either way.
//
// Texts are UTF-8; text from a project file is decoded from its code page
// (Windows1252ToUtf8) before it goes in, and a file name goes in exactly as
// the user gave it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

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
    CValue& Push(CValue value) {
        FItems.push_back(std::move(value));
        return FItems.back();
    }

    void WriteJson(std::ostream& out, int indent = 0) const;
    void WriteText(std::ostream& out, int indent = 0) const;

private:
    bool Scalar() const { return FKind != EKind::Array && FKind != EKind::Object; }
    void WriteScalar(std::ostream& out, bool json) const;

    EKind FKind = EKind::Null;
    double FNumber = 0;
    std::string FText;
    std::vector<CValue> FItems;
    std::vector<std::pair<std::string, CValue>> FFields;
};
