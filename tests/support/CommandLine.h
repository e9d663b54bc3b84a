// Running the transvane-cli executable from tests.  Its path comes from the
// environment variable TRANSVANE_CLI, which ctest sets.
#pragma once

#include <string>
#include <vector>

struct CCliRun {
    int Status = -1;  // the exit status, -1 when it did not exit normally
    std::vector<std::string> ErrorLines;
    std::string Output;
};

// Runs transvane-cli with the arguments through the shell; shellPrefix goes
// in front of the command there (limits, traps).
CCliRun RunCli(const std::vector<std::string>& arguments, const std::string& shellPrefix = "");
