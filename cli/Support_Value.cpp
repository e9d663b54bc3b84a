#include "cli/Support_Value.h"

#include <algorithm>
#include <ostream>
#include <sstream>

#include "cli/Support_Json.h"
#include "format/core/Support_Report.h"

namespace transvane {

void CValue::WriteJson(CJsonWriter& out) const {
    switch (FKind) {
    case EKind::Null: out.Null(); break;
    case EKind::Bool: out.Bool(FNumber != 0); break;
    case EKind::Number: out.Number(FNumber); break;
    case EKind::Text: out.Text(FText); break;
    case EKind::Array:
        out.BeginArray();
        for (const CValue& item : FItems)
            item.WriteJson(out);
        out.EndArray();
        break;
    case EKind::Object:
        out.BeginObject();
        for (const auto& [key, value] : FFields) {
            out.Key(key);
            value.WriteJson(out);
        }
        out.EndObject();
        break;
    }
}

void CValue::WriteJson(std::ostream& out) const {
    CJsonWriter writer(out);
    WriteJson(writer);
    if (Scalar())
        out << '\n';
}

// Scalars as a person reads them: "-" for nothing, "yes" and "no"; a text
// as it stands here, escaped to one line where it is written.
std::string CValue::Words() const {
    if (!FShown.empty())
        return FShown;
    if (FKind == EKind::Text)
        return FText;
    std::ostringstream out;
    WriteScalarText(out);
    return out.str();
}

void CValue::WriteScalarText(std::ostream& out) const {
    if (!FShown.empty()) {
        CValue(FShown).WriteScalarText(out);
        return;
    }
    switch (FKind) {
    case EKind::Null: out << "-"; break;
    case EKind::Bool: out << (FNumber != 0 ? "yes" : "no"); break;
    case EKind::Number: {
        // The JSON form of a number is also its plain form.
        std::ostringstream number;
        CJsonWriter(number).Number(FNumber);
        out << number.str();
        break;
    }
    case EKind::Text: out << OneLine(FText); break;
    default: break;
    }
}

// Text: "key: value" lines, nested values indented below their key, array
// items marked with "-".  Texts of several lines become an indented block.
void CValue::WriteText(std::ostream& out, int indent) const {
    const std::string pad(static_cast<std::size_t>(indent), ' ');
    // lead is "key:" or "-"; scalars follow it on the same line.
    auto writeEntry = [&](const std::string& lead, const CValue& value) {
        if (value.OnOneLine() && !(value.FBlock && value.FText.find('\n') != std::string::npos)) {
            out << pad << lead << ' ';
            value.WriteScalarText(out);
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
                // Tabs are prose's own; other control characters are escaped.
                out << pad << "    | ";
                for (std::size_t tab = 0; tab <= line.size();) {
                    const std::size_t next = std::min(line.find('\t', tab), line.size());
                    out << OneLine(std::string_view(line).substr(tab, next - tab)) << (next < line.size() ? "\t" : "");
                    tab = next + 1;
                }
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
            if (item.FKind == EKind::Object && !item.FFields.empty() && item.FShown.empty()) {
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

}  // namespace transvane
