#include "testkit/RunProgram.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <utility>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "testkit/TestSupport.h"

extern char** environ;

namespace transvane {

std::string CliPath() {
    const char* path = std::getenv("TRANSVANE_CLI");
    if (path == nullptr || *path == '\0')
        throw std::runtime_error("TRANSVANE_CLI is not set; run the tests through ctest");
    return path;
}

namespace {

// Owns one of posix_spawn's attribute objects.
template <class T, int (*Init)(T*), int (*Destroy)(T*)>
class COwned {
public:
    COwned() { Init(&FObject); }
    ~COwned() { Destroy(&FObject); }
    COwned(const COwned&) = delete;
    COwned& operator=(const COwned&) = delete;
    T* Get() { return &FObject; }

private:
    T FObject;
};
using CFileActions =
    COwned<posix_spawn_file_actions_t, ::posix_spawn_file_actions_init, ::posix_spawn_file_actions_destroy>;
using CSpawnAttributes = COwned<posix_spawnattr_t, ::posix_spawnattr_init, ::posix_spawnattr_destroy>;

// Where a started program's standard error goes: a file, or a terminal
// already open.
struct CErrTo {
    std::string File;
    int Terminal = -1;
};

// Starts program as the runners do: standard input empty, standard output
// to outName, in workDir, with the signals held blocked and the entries of
// environment added to the test's own.
pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments, const std::string& workDir,
            const std::string& outName, const CErrTo& err, const std::vector<int>& held,
            const std::vector<std::string>& environment) {
    CFileActions actions;
    ::posix_spawn_file_actions_addopen(actions.Get(), 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(actions.Get(), 1, outName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (err.Terminal >= 0)
        ::posix_spawn_file_actions_adddup2(actions.Get(), err.Terminal, 2);
    else
        ::posix_spawn_file_actions_addopen(actions.Get(), 2, err.File.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::posix_spawn_file_actions_addchdir_np(actions.Get(), workDir.c_str());
    CSpawnAttributes attributes;
    sigset_t mask;
    sigemptyset(&mask);
    for (int signal : held)
        sigaddset(&mask, signal);
    ::posix_spawnattr_setsigmask(attributes.Get(), &mask);
    ::posix_spawnattr_setflags(attributes.Get(), POSIX_SPAWN_SETSIGMASK);

    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    std::vector<std::string> entries = environment;
    std::vector<char*> envp;
    for (char** entry = environ; *entry != nullptr; ++entry)
        envp.push_back(*entry);
    for (std::string& entry : entries)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    pid_t child = -1;
    if (::posix_spawnp(&child, program.c_str(), actions.Get(), attributes.Get(), argv.data(), envp.data()) != 0)
        throw std::runtime_error("cannot start " + program);
    return child;
}

// The exit status as CRunResult holds it.
int ExitStatus(pid_t child, const std::string& program) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        if (errno != EINTR)
            throw std::runtime_error("lost " + program);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

CRunningProgram::CRunningProgram(const std::string& program, const std::vector<std::string>& arguments,
                                 const std::string& workDir, const std::vector<int>& held)
    : FCapture(std::make_unique<CScratchFolder>()), FProgram(program) {
    FChild = Spawn(program, arguments, workDir, FCapture->File("out"), {FCapture->File("err")}, held, {});
}

CRunningProgram::~CRunningProgram() {
    if (FChild <= 0)
        return;
    ::kill(FChild, SIGKILL);
    int status = 0;
    while (::waitpid(FChild, &status, 0) < 0 && errno == EINTR) {
    }
}

void CRunningProgram::Signal(int signal) { ::kill(FChild, signal); }

CRunResult CRunningProgram::Wait() {
    CRunResult result;
    result.Status = ExitStatus(std::exchange(FChild, -1), FProgram);
    result.Out = Text(ReadWholeFile(FCapture->File("out")));
    result.Err = Text(ReadWholeFile(FCapture->File("err")));
    return result;
}

CRunResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& workDir) {
    return CRunningProgram(program, arguments, workDir).Wait();
}

CRunResult RunCli(const std::vector<std::string>& arguments, const std::string& workDir) {
    return RunProgram(CliPath(), arguments, workDir);
}

CRunResult RunCliOnTerminal(const std::vector<std::string>& arguments, const std::string& workDir,
                            const std::vector<std::string>& environment) {
    // The test keeps the terminal's program side open as well, so that what
    // the program wrote can still be read once it has ended.
    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal < 0 || ::grantpt(terminal) != 0 || ::unlockpt(terminal) != 0)
        throw std::runtime_error("no pseudo-terminal");
    const int program = ::open(::ptsname(terminal), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (program < 0)
        throw std::runtime_error("cannot open the pseudo-terminal");
    termios mode{};
    ::tcgetattr(program, &mode);
    ::cfmakeraw(&mode);
    ::tcsetattr(program, TCSANOW, &mode);

    CScratchFolder capture;
    CRunResult result;
    const std::string cli = CliPath();
    const pid_t child = Spawn(cli, arguments, workDir, capture.File("out"), {{}, program}, {}, environment);
    // Read as it comes: a full terminal would stop the program.
    const auto drain = [&](int timeout) {
        pollfd ready{terminal, POLLIN, 0};
        char buffer[4096];
        while (::poll(&ready, 1, timeout) > 0) {
            const ssize_t got = ::read(terminal, buffer, sizeof buffer);
            if (got <= 0)
                return;
            result.Err.append(buffer, static_cast<std::size_t>(got));
        }
    };
    int status = 0;
    pid_t ended = 0;
    while ((ended = ::waitpid(child, &status, WNOHANG)) == 0)
        drain(20);
    drain(0);
    ::close(program);
    ::close(terminal);
    if (ended < 0)
        throw std::runtime_error("lost " + cli);
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.Out = Text(ReadWholeFile(capture.File("out")));
    return result;
}

CRunResult RunCli(const std::vector<std::string>& arguments) {
    CScratchFolder work;
    return RunCli(arguments, work.Path());
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> MessageLines(const std::string& err) {
    std::vector<std::string> lines;
    for (std::string& line : Lines(err))
        if (!line.starts_with("  ") && !line.starts_with("transvane-cli: "))
            lines.push_back(std::move(line));
    return lines;
}

std::string SchemaViolations(const std::string& json, const std::string& schema) {
    static const char* const Check =
        "import json, sys, jsonschema\n"
        "schema = json.load(open(sys.argv[1], encoding='utf-8'))\n"
        "document = json.load(open(sys.argv[2], encoding='utf-8'))\n"
        "errors = jsonschema.Draft202012Validator(schema).iter_errors(document)\n"
        "for error in sorted(errors, key=lambda e: list(e.absolute_path))[:20]:\n"
        "    print('/'.join(map(str, error.absolute_path)) + ': ' + error.message[:300])\n";
    CScratchFolder folder;
    WriteWholeFile(folder.File("report.json"), Bytes(json));
    const CRunResult run =
        RunProgram("python3",
                   {"-c", Check, std::string(TRANSVANE_SOURCE_DIR) + "/packaging/schema/" + schema + ".schema.json",
                    folder.File("report.json")},
                   folder.Path());
    if (run.Status != 0)
        return "the check did not run: " + run.Err;
    return run.Out;
}

}  // namespace transvane
