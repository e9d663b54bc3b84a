#include "cli/Check.h"

#include <optional>
#include <ostream>
#include <utility>

#include "cli/Batch.h"
#include "cli/Support_Input.h"
#include "cli/Support_Value.h"
#include "format/core/Support_Report.h"
#include "transvane/transvane.h"

namespace transvane {

CValue MessageValue(const CReportedMessage& message) {
    CValue item = CValue::Object();
    item.Add("message", message.Text);
    CValue context = CValue::Array();
    for (const std::string& line : message.Context)
        context.Push(line);
    item.Add("context", std::move(context));
    return item;
}

CValue MessagesValue(const std::vector<CReportedMessage>& messages) {
    CValue items = CValue::Array();
    for (const CReportedMessage& message : messages)
        items.Push(MessageValue(message));
    return items;
}

CValue ChangeValue(const std::string& key, const std::string& what, const std::string& detail, const std::string& place,
                   std::int64_t count) {
    CValue item = CValue::Object();
    item.Add("change", key);
    item.Add("what", what);
    if (!detail.empty())
        item.Add("detail", detail);
    if (!place.empty())
        item.Add("place", place);
    item.Add("count", count);
    return item;
}

void AddReport(CValue& value, const transvane::CResult& result) {
    CValue changes = CValue::Array();
    for (const transvane::CChangeEntry& change : result.Changes)
        changes.Push(ChangeValue(change.Key, change.What, change.Detail, change.Place, change.Count));
    value.Add("changes", std::move(changes));
    CValue messages = CValue::Array();
    for (const transvane::CMessage& message : result.Messages)
        messages.Push(MessageValue({message.Text, message.Context}));
    value.Add("messages", std::move(messages));
}

int RunCheck(const std::string& source, bool json, std::ostream& out) {
    // Messages go to standard error only when the file fails; otherwise
    // they are part of the report.
    CBatchFeedback console(true, false);
    console.Begin("");
    CFeedbackObserver observer(&console, &console);
    transvane::COptions options;
    options.Observer = &observer;
    transvane::CConverter conversion(options);
    bool loaded = false;
    if (source != "-") {
        loaded = conversion.Load(source).Ok();
    } else if (std::optional<CBlock> bytes = ReadStandardInput()) {
        loaded = conversion.Load(std::move(*bytes)).Ok();
    } else {
        const CReportedMessage unreadable = StandardInputUnreadable();
        console.ShowMessage(unreadable.Text, unreadable.Context);
    }
    const bool ok = loaded && conversion.DryRun().Ok();
    console.Finish(ok);
    const transvane::CResult& result = conversion.Result();

    CValue value = CValue::Object();
    value.Add("file", source);
    if (json) {
        // What stopped the conversion is its last message.
        const std::vector<transvane::CMessage>& said = result.Messages;
        value.Add("loaded", loaded);
        value.Add("explanation",
                  ok ? CValue()
                     : MessageValue(said.empty() ? CReportedMessage{"The file does not convert.", {}}
                                                 : CReportedMessage{said.back().Text, said.back().Context}));
    }
    value.Add("converts", ok);
    value.Add("header version", result.SourceVersion != 0 ? CValue(result.SourceVersion) : CValue());
    AddReport(value, result);
    if (json) {
        value.WriteJson(out);
    } else {
        value.WriteText(out);
    }
    return ok ? 0 : 1;
}

}  // namespace transvane
