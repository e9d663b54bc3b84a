#include "cli/Arguments.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <vector>

#include "format/core/Support_File.h"
#include "format/core/Support_Report.h"

namespace transvane {

namespace {

const COptionRow* FindLong(const CCommandRow& command, std::string_view name) {
    for (const COptionRow& option : command.Options)
        if (name == option.Long)
            return &option;
    return nullptr;
}

const COptionRow* FindShort(const CCommandRow& command, char letter) {
    for (const COptionRow& option : command.Options)
        if (option.Short != 0 && option.Short == letter)
            return &option;
    return nullptr;
}

// The edit distance of two names, a swap of two neighbours counting as
// one edit (as in "froce"): the optimal string alignment distance.
std::size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i)
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

std::vector<std::string_view> OptionNames(const CCommandRow& command) {
    std::vector<std::string_view> names;
    for (const COptionRow& option : command.Options)
        names.emplace_back(option.Long);
    return names;
}

// Records an option; false (and the problem) when it cannot be taken.
bool Take(CArguments& result, const COptionRow& option, const std::string& spelling, std::optional<std::string> value,
          std::string& problem) {
    if (option.Metavar == nullptr) {
        if (value) {
            problem = spelling + " takes no value";
            return false;
        }
        result.Options[option.Long] = "";
        return true;
    }
    if (!value || value->empty()) {
        problem = spelling + " needs " + option.Needs;
        return false;
    }
    if (result.Has(option.Long)) {
        problem = std::string("--") + option.Long + " is given more than once";
        return false;
    }
    result.Options[option.Long] = *value;
    return true;
}

}  // namespace

std::string CArguments::Value(const std::string& option) const {
    const auto found = Options.find(option);
    return found == Options.end() ? std::string() : found->second;
}

std::string NearestName(std::string_view typed, std::span<const std::string_view> names) {
    // A slip of the keyboard: at most two edits, and fewer than half the
    // letters typed, so that a short word is not taken for any other.
    if (typed.size() < 3)
        return {};
    // Names are lower case: CONVERT is a slip too.
    const std::string lower = CaseFolded(std::string(typed));
    std::string_view nearest;
    std::size_t best = std::min<std::size_t>(2, (typed.size() - 1) / 2);
    for (const std::string_view name : names)
        if (const std::size_t distance = EditDistance(lower, name); distance <= best) {
            if (nearest.empty() || distance < best)
                nearest = name;
            best = distance;
        }
    return std::string(nearest);
}

std::string CommandNearest(std::span<const CCommandRow> commands, std::string_view typed) {
    std::vector<std::string_view> names;
    for (const CCommandRow& command : commands)
        names.emplace_back(command.Name);
    return NearestName(typed, names);
}

std::optional<CArguments> ParseArguments(std::span<const CCommandRow> commands, std::span<const std::string> arguments,
                                         CUsageProblem& usage) {
    std::string& problem = usage.Text;
    CArguments result;
    if (arguments.empty()) {
        problem = "no command given";
        return std::nullopt;
    }
    const std::string& name = arguments[0];
    for (const CCommandRow& command : commands)
        if (name == command.Name)
            result.Command = &command;
    if (result.Command == nullptr) {
        problem = name.starts_with('-') ? "unknown option " + name : "unknown command " + name;
        if (!name.starts_with('-'))
            usage.Meant = CommandNearest(commands, name);
        return std::nullopt;
    }
    const CCommandRow& command = *result.Command;

    bool optionsEnded = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument == "-" || !argument.starts_with('-')) {
            result.Operands.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument.starts_with("--")) {
            const std::size_t equals = argument.find('=');
            const std::string spelling = argument.substr(0, equals);
            const COptionRow* option = FindLong(command, std::string_view(spelling).substr(2));
            if (option == nullptr) {
                problem = "unknown option " + spelling;
                if (const std::string meant = NearestName(std::string_view(spelling).substr(2), OptionNames(command));
                    !meant.empty())
                    usage.Meant = "--" + meant;
                return std::nullopt;
            }
            std::optional<std::string> value;
            if (equals != std::string::npos)
                value = argument.substr(equals + 1);
            else if (option->Metavar != nullptr && i + 1 < arguments.size())
                value = arguments[++i];
            if (!Take(result, *option, spelling, value, problem))
                return std::nullopt;
        } else {
            // A group of short options; one that takes a value ends it.
            for (std::size_t k = 1; k < argument.size(); ++k) {
                const std::string spelling = std::string("-") + argument[k];
                const COptionRow* option = FindShort(command, argument[k]);
                if (option == nullptr) {
                    problem = "unknown option " + spelling;
                    return std::nullopt;
                }
                std::optional<std::string> value;
                if (option->Metavar != nullptr) {
                    if (k + 1 < argument.size())
                        value = argument.substr(k + 1);
                    else if (i + 1 < arguments.size())
                        value = arguments[++i];
                    k = argument.size();
                }
                if (!Take(result, *option, spelling, value, problem))
                    return std::nullopt;
            }
        }
    }
    if (result.Has("help"))
        return result;  // help needs no operands
    if (result.Operands.size() < command.MinOperands) {
        problem = std::string(command.Name) + " needs " + command.Needs;
        return std::nullopt;
    }
    if (result.Operands.size() > command.MaxOperands) {
        problem = std::string(command.Name) + " takes " + (command.MaxOperands == 1 ? "one file" : command.Needs) +
                  ", not " + std::to_string(result.Operands.size());
        return std::nullopt;
    }
    return result;
}

std::string ToolHelp(std::span<const CCommandRow> commands) {
    std::string text = "Usage: transvane-cli COMMAND [OPTION]... FILE...\n";
    for (const CCommandRow& command : commands)
        text += std::string("       transvane-cli ") + command.Name + " " + command.Synopsis + "\n";
    text +=
        "       transvane-cli help [COMMAND]\n"
        "       transvane-cli --help | --version\n"
        "\n"
        "Converts Vantrel project files of format version 400 to 500 (.vtr, or a\n"
        "backup .vk1 .. .vk9) into version-500 files.\n"
        "\n"
        "Commands:\n";
    // The summaries line up after the longest name.
    std::size_t width = std::string_view("help").size();
    for (const CCommandRow& command : commands)
        width = std::max(width, std::string_view(command.Name).size());
    const auto row = [&](std::string_view name, std::string_view summary) {
        text += "  " + std::string(name) + std::string(width - name.size() + 2, ' ') + std::string(summary) + "\n";
    };
    for (const CCommandRow& command : commands)
        row(command.Name, command.Summary);
    row("help", "Describes the tool, or one command as COMMAND --help does.");
    text +=
        "\n"
        "Options may stand anywhere after the command; -- ends them.\n"
        "'transvane-cli help COMMAND' describes a command and its options.\n"
        "\n"
        "Messages go to standard error: each is one line of fixed text, followed\n"
        "by lines indented by two spaces that give its file, place and cause.\n"
        "\n"
        "Exit status: 0 done, 1 a file failed (to load, convert or save),\n"
        "2 usage error.\n";
    return text;
}

namespace {

// Help stays within 79 columns, a terminal's 80 less the cursor's.
constexpr std::size_t HelpWidth = 79;

// words after a lead that ends at column at, broken between words so that
// no line passes HelpWidth; the lines after the first start at column at.
std::string Wrapped(std::string_view words, std::size_t at) {
    std::string text;
    std::size_t column = at;
    while (!words.empty()) {
        const std::size_t end = std::min(words.find(' '), words.size());
        const std::string_view word = words.substr(0, end);
        words.remove_prefix(std::min(end + 1, words.size()));
        if (word.empty())
            continue;
        if (column > at && column + 1 + word.size() > HelpWidth) {
            text += '\n';
            text.append(at, ' ');
            column = at;
        }
        if (column > at) {
            text += ' ';
            ++column;
        }
        text += word;
        column += word.size();
    }
    return text + "\n";
}

}  // namespace

std::string CommandHelp(const CCommandRow& command) {
    const std::string usage = std::string("Usage: transvane-cli ") + command.Name + " ";
    std::string text = usage + Wrapped(std::string(command.Synopsis) + " [OPTION]...", usage.size()) + "\n" +
                       command.Help + "\nOptions:\n";
    for (const COptionRow& option : command.Options) {
        std::string spelling = option.Short != 0 ? std::string("-") + option.Short + ", " : "    ";
        spelling += std::string("--") + option.Long;
        if (option.Metavar != nullptr)
            spelling += std::string(" ") + option.Metavar;
        if (spelling.size() < 22)
            spelling.resize(22, ' ');
        const std::string lead = "  " + spelling + " ";
        text += lead + Wrapped(option.Help, lead.size());
    }
    return text;
}

int UsageError(const std::string& problem, const std::string& meant) {
    std::fprintf(stderr, "transvane-cli: %s\n", OneLine(problem).c_str());
    if (!meant.empty())
        std::fprintf(stderr, "  did you mean %s?\n", OneLine(meant).c_str());
    std::fprintf(stderr, "Try 'transvane-cli --help'.\n");
    return 2;
}

}  // namespace transvane
