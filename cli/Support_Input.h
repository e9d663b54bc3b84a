// A project read from standard input ("-" in place of a file name), for the
// commands that only read their file.
#pragma once

#include <cstddef>
#include <optional>

#include "format/core/Support_Report.h"
#include "format/core/Support_Stream.h"

namespace transvane {

// Standard input is read whole, as a file would be mapped; more than this
// is not a project anyone has.
inline constexpr std::size_t MaxStandardInput = std::size_t{1} << 30;

// The bytes of standard input up to its end; nullopt when it cannot be read
// or holds more than MaxStandardInput bytes.
std::optional<CBlock> ReadStandardInput();
// What is said when standard input cannot be read, as the drivers say it
// of a file.
CReportedMessage StandardInputUnreadable();

}  // namespace transvane
