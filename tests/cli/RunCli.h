// Runs the built command-line tool (its path is in TRANSVANE_CLI under
// ctest) and captures what it prints.
#pragma once

#include <string>
#include <vector>

struct CCliResult {
    int Status = -1;  // the exit status, or -1 when it did not exit normally
    std::string Out;
    std::string Err;
};

// Runs transvane-cli with the arguments in the folder workDir, standard
// input empty and both outputs captured.
CCliResult RunCli(const std::vector<std::string>& arguments, const std::string& workDir);

// The lines of text, without their line ends.
std::vector<std::string> Lines(const std::string& text);
