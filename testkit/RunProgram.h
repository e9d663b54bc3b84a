// Runs a program as a user would and captures what it prints: the built
// transvane-cli (its path is in TRANSVANE_CLI under ctest) or a tool of
// the system.
#pragma once

#include <csignal>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace transvane {

class CScratchFolder;

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

// A program started as RunProgram starts it and not yet waited for, for
// tests that signal it while it runs.  A program still running when the
// object goes is killed.
class CRunningProgram {
public:
    // held: signals that start blocked in the program, so that they wait
    // until it has installed its handlers and lets them through.
    CRunningProgram(const std::string& program, const std::vector<std::string>& arguments, const std::string& workDir,
                    const std::vector<int>& held = {});
    ~CRunningProgram();
    CRunningProgram(const CRunningProgram&) = delete;
    CRunningProgram& operator=(const CRunningProgram&) = delete;

    void Signal(int signal);
    // Waits for the end; Status is -1 when a signal ended the program.
    CRunResult Wait();

private:
    std::unique_ptr<CScratchFolder> FCapture;
    std::string FProgram;
    pid_t FChild = -1;
};

// Runs the transvane-cli under test with its standard error on a
// pseudo-terminal (in raw mode: no line ends are changed), standard output
// captured as usual, and the environment's entries ("NAME=value") added to
// the test's.  Err holds every byte the terminal received.
CRunResult RunCliOnTerminal(const std::vector<std::string>& arguments, const std::string& workDir,
                            const std::vector<std::string>& environment);

// Runs the transvane-cli under test, in workDir or in a fresh scratch folder.
CRunResult RunCli(const std::vector<std::string>& arguments, const std::string& workDir);
CRunResult RunCli(const std::vector<std::string>& arguments);
// The path of the transvane-cli under test.
std::string CliPath();

// The lines of text, without their line ends.
std::vector<std::string> Lines(const std::string& text);

// The messages in transvane-cli's standard error: its lines without the
// indented context of each message and without the tool's own notes
// ("transvane-cli: converted with 2 warnings").
std::vector<std::string> MessageLines(const std::string& err);

// What is wrong with a JSON text by one of the schemas of the reports
// (packaging/schema/NAME.schema.json: "info", "check", "project",
// "recover"), one problem a line, checked by Python's jsonschema; empty
// when it conforms.
std::string SchemaViolations(const std::string& json, const std::string& schema);

}  // namespace transvane
