// transvane-cli check SOURCE [--json]: a dry run of a conversion.
//
// SOURCE is loaded and converted in memory exactly as convert would, and
// nothing is written.  The report lists what the conversion changes, each
// change with its place (where one matters) and a count, and the messages
// the conversion gave with their context.  A file that does not load gets
// its messages on standard error, as convert prints them.  SOURCE "-"
// reads the file from standard input.
//
// Exit status: 0 when the file would convert, 1 when it would not.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace transvane {

class CValue;
struct CReportedMessage;
struct CResult;

int RunCheck(const std::string& source, bool json, std::ostream& out);

// A message with its context lines, {"message": TEXT, "context": [...]}, as
// every report of the tool gives it; and a list of them.
CValue MessageValue(const CReportedMessage& message);
CValue MessagesValue(const std::vector<CReportedMessage>& messages);

// One entry of a report's "changes": {"change", "what", "detail", "place",
// "count"}, the detail and place left out when empty.
CValue ChangeValue(const std::string& key, const std::string& what, const std::string& detail, const std::string& place,
                   std::int64_t count);

// Adds the result's "changes" and "messages" to value, an object.
void AddReport(CValue& value, const CResult& result);

}  // namespace transvane
