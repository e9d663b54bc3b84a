#include "support/CommandLine.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "support/TestSupport.h"

namespace {

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace

CCliRun RunCli(const std::vector<std::string>& arguments, const std::string& shellPrefix) {
    const char* cli = std::getenv("TRANSVANE_CLI");
    if (cli == nullptr)
        throw std::runtime_error("TRANSVANE_CLI is not set");
    CScratchFolder capture;
    std::string command = shellPrefix + "exec " + Quoted(cli);
    for (const std::string& argument : arguments)
        command += " " + Quoted(argument);
    command += " >" + Quoted(capture.File("out")) + " 2>" + Quoted(capture.File("err"));
    const int status = std::system(("sh -c " + Quoted(command)).c_str());
    CCliRun run;
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(capture.File("err"));
    for (std::string line; std::getline(err, line);)
        run.ErrorLines.push_back(line);
    std::ifstream out(capture.File("out"));
    std::stringstream text;
    text << out.rdbuf();
    run.Output = text.str();
    return run;
}
