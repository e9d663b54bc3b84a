// Runs a program as a user would and captures what it prints: the built
// transvane-cli (its path is in TRANSVANE_CLI under ctest) or a tool of
// the system.
#pragma once

#include <string>
#include <vector>

struct CRunResult {
    int Status = -1;  // the exit status, or -1 when it did not exit normally
    std::string Out;
    std::string Err;
};

// Runs program (looked up in PATH when it has no slash) with the arguments
// in the folder workDir, standard input empty and both outputs captured.
// Throws when the program cannot be started.
CRunResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& workDir);

// Runs the transvane-cli under test.
CRunResult RunCli(const std::vector<std::string>& arguments, const std::string& workDir);

// The lines of text, without their line ends.
std::vector<std::string> Lines(const std::string& text);

// The messages in transvane-cli's standard error: its lines without the
// indented context of each message and without the tool's own notes
// ("transvane-cli: converted with 2 warnings").
std::vector<std::string> MessageLines(const std::string& err);
