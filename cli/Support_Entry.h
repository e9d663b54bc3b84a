// The command-line tool's work, apart from how the system starts it: each
// platform's entry point (cli/posix/, cli/windows/ Support_Entry.cpp)
// prepares the process and the console, hands over the arguments as UTF-8
// and returns what this returns.
#pragma once

#include <string>
#include <vector>

namespace transvane {

int RunTool(const std::vector<std::string>& arguments);

}  // namespace transvane
