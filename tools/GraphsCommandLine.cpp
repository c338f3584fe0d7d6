#include "tools/GraphsCommandLine.h"

#include <charconv>

const char* const kGraphsUsage =
    "usage: tarnolix-graphs [list] [--json]\n"
    "       tarnolix-graphs show NAME|PID [--dot | --json]\n"
    "       tarnolix-graphs watch NAME|PID [--json] [--count N]\n"
    "Lists the filter graphs of running Tarnolix programs, shows one (filters, pins, connections,\n"
    "formats and rates) as text, Graphviz or JSON, or redraws its rates once a second.\n";

TGraphsOptions ParseGraphsCommandLine(const std::vector<std::string>& arguments) {
    using Command = TGraphsOptions::Command;
    TGraphsOptions options;
    std::vector<std::string> positional;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            options.command = Command::Help;
            return options;
        }
        if (argument == "--dot") {
            options.dot = true;
        } else if (argument == "--json") {
            options.json = true;
        } else if (argument == "--count") {
            if (i + 1 >= arguments.size())
                throw EGraphsUsage("missing value after --count");
            const std::string& text = arguments[++i];
            int count = 0;
            const auto result = std::from_chars(text.data(), text.data() + text.size(), count);
            if (result.ec != std::errc() || result.ptr != text.data() + text.size() || count < 1)
                throw EGraphsUsage("--count needs a whole number above 0, not '" + text + "'");
            options.count = count;
        } else if (argument.size() > 1 && argument[0] == '-') {
            throw EGraphsUsage("unknown option " + argument);
        } else {
            positional.push_back(argument);
        }
    }
    if (positional.empty() || positional[0] == "list") {
        if (positional.size() > 1)
            throw EGraphsUsage("list takes no NAME or PID");
        options.command = Command::List;
    } else if (positional[0] == "show" || positional[0] == "watch") {
        options.command = positional[0] == "show" ? Command::Show : Command::Watch;
        if (positional.size() != 2)
            throw EGraphsUsage(positional.size() < 2 ? positional[0] + " needs a graph's NAME or PID"
                                                     : "too many arguments");
        options.target = positional[1];
    } else {
        throw EGraphsUsage("unknown command '" + positional[0] + "'");
    }
    if (options.dot && options.command != Command::Show)
        throw EGraphsUsage("--dot goes with show");
    if (options.dot && options.json)
        throw EGraphsUsage("--dot and --json exclude each other");
    if (options.count != 0 && options.command != Command::Watch)
        throw EGraphsUsage("--count goes with watch");
    return options;
}
