// The command line of transvane-cli: its commands and their options, one
// row each, and the one parser that reads them.
//
//   transvane-cli [--help | --version]
//   transvane-cli help [COMMAND]
//   transvane-cli COMMAND [OPTION | OPERAND]...
//
// Options may stand anywhere after the command; "--" ends them, and "-"
// alone is an operand (standard input, where a command accepts it).  A
// short option is one letter after a dash; several combine ("-qf"), and the
// last one of a group may take its value from the rest of the argument or
// from the next one ("-oDIR", "-o DIR").  A long option takes its value
// after "=" or from the next argument.  Every command knows --help (-h).
//
// The tables are in main.cpp: adding an option is one row in its command's
// option table, adding a command one row in the command table (with the
// function that runs it).
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace transvane {

struct COptionRow {
    const char* Long;     // "output-dir", without the dashes
    char Short;           // 'o', or 0 for none
    const char* Metavar;  // the value in help ("DIR"), or nullptr for a flag
    const char* Needs;    // the value in a usage error ("a folder name")
    const char* Help;     // one line for --help
};

struct CArguments;

// Options every command knows.
inline constexpr COptionRow HelpOption{"help", 'h', nullptr, nullptr, "print this help and exit"};
// No upper bound on the operands.
inline constexpr std::size_t ManyOperands = static_cast<std::size_t>(-1);

struct CCommandRow {
    const char* Name;
    const char* Summary;   // one short sentence for the tool's help
    const char* Synopsis;  // after "transvane-cli NAME "
    std::span<const COptionRow> Options;
    std::size_t MinOperands, MaxOperands;
    const char* Needs;                        // the operands in a usage error ("a file and a folder")
    const char* Help;                         // what the command does, for "NAME --help"
    int (*Run)(const CArguments& arguments);  // returns the exit status
};

struct CArguments {
    const CCommandRow* Command = nullptr;        // nullptr: no command given
    std::map<std::string, std::string> Options;  // by long name; "" for a flag
    std::vector<std::string> Operands;
    // How long a file is at work before its progress line appears on a
    // terminal.  Not an option: the program's main may shorten it for
    // tests (TRANSVANE_PROGRESS_DELAY, in milliseconds).
    std::chrono::milliseconds ProgressDelay{1000};

    bool Has(const std::string& option) const { return Options.contains(option); }
    std::string Value(const std::string& option) const;
};

// What is wrong with a command line: one line, and, where a command or a
// long option was mistyped, the name most likely meant ("--force" for
// "--froce").
struct CUsageProblem {
    std::string Text;
    std::string Meant;  // empty when no name is near enough
};

// Reads the arguments after the program's name.  On a usage error the
// result is nullopt and problem says what is wrong.
std::optional<CArguments> ParseArguments(std::span<const CCommandRow> commands, std::span<const std::string> arguments,
                                         CUsageProblem& problem);
// The command nearest to a mistyped one, or empty.
std::string CommandNearest(std::span<const CCommandRow> commands, std::string_view typed);
// The one of names within two edits of typed (a swap of two neighbours
// counting as one) and nearer than half its letters, the first of the
// nearest; empty when none is.
std::string NearestName(std::string_view typed, std::span<const std::string_view> names);

// The help of the whole tool, and of one command.
std::string ToolHelp(std::span<const CCommandRow> commands);
std::string CommandHelp(const CCommandRow& command);
// Prints "transvane-cli: PROBLEM", "  did you mean MEANT?" when a name is
// given, and the pointer to --help on standard error; returns the exit
// status of a usage error, 2.
int UsageError(const std::string& problem, const std::string& meant = {});

}  // namespace transvane
