#include "tools/GraphsProgram.h"

#include "tools/GraphsClient.h"
#include "tools/GraphsCommandLine.h"
#include "tools/GraphsText.h"

namespace {

using RequestKind = ViewerProtocol::RequestKind;

// One request and its reply on a connection of its own; the reply's text goes to `line`.
JsonValue Ask(const RunningObjectFiles::Entry& graph, RequestKind kind, std::string& line) {
    TGraphConnection connection(graph);
    connection.Request(kind);
    return *connection.Reply(line);
}

int List(const TGraphsOptions& options, std::ostream& out, std::ostream& err) {
    const auto graphs = RunningGraphs();
    if (graphs.empty()) {
        err << "tarnolix-graphs: no Tarnolix graph is running\n";
        return 1;
    }
    if (!options.json)
        out << GraphListHeading();
    for (const auto& graph : graphs) {
        std::string line;
        try {
            const JsonValue stats = Ask(graph, RequestKind::Stats, line);
            out << (options.json ? line + "\n" : GraphListLine(graph.name, graph.pid, &stats, {}));
        } catch (const EGraphUnavailable& error) {
            if (!options.json)
                out << GraphListLine(graph.name, graph.pid, nullptr, error.Message());
        }
    }
    return 0;
}

int Show(const TGraphsOptions& options, std::ostream& out) {
    const auto graph = FindGraph(RunningGraphs(), options.target);
    TGraphConnection connection(graph);
    std::string describeLine;
    std::string statsLine;
    connection.Request(RequestKind::Describe);
    const JsonValue describe = *connection.Reply(describeLine);
    connection.Request(RequestKind::Stats);
    const JsonValue stats = *connection.Reply(statsLine);
    if (options.json)
        out << describeLine << "\n" << statsLine << "\n";
    else if (options.dot)
        out << GraphDot(describe, stats);
    else
        out << GraphText(describe, stats);
    return 0;
}

int Watch(const TGraphsOptions& options, std::ostream& out, const std::atomic<bool>& interrupted,
          bool terminal) {
    const auto graph = FindGraph(RunningGraphs(), options.target);
    TGraphConnection connection(graph);
    const auto interval = ViewerProtocol::kDefaultWatchInterval;
    connection.Request(RequestKind::Watch, interval);
    for (int drawn = 0; options.count == 0 || drawn < options.count; ++drawn) {
        std::string line;
        const auto stats = connection.Reply(line, interval + TGraphConnection::kReplyTimeout, &interrupted);
        if (!stats)
            break; // Ctrl-C
        if (options.json)
            out << line << "\n";
        else
            out << (terminal ? "\033[H\033[2J" : "") << GraphRatesText(*stats) << (terminal ? "" : "\n");
        out.flush();
    }
    return 0;
}

} // namespace

int RunGraphs(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
              const std::atomic<bool>& interrupted, bool terminal) {
    TGraphsOptions options;
    try {
        options = ParseGraphsCommandLine(arguments);
    } catch (const EGraphsUsage& error) {
        err << "tarnolix-graphs: " << error.Message() << "\n" << kGraphsUsage;
        return 2;
    }
    try {
        switch (options.command) {
        case TGraphsOptions::Command::Help:
            out << kGraphsUsage;
            return 0;
        case TGraphsOptions::Command::List:
            return List(options, out, err);
        case TGraphsOptions::Command::Show:
            return Show(options, out);
        case TGraphsOptions::Command::Watch:
            return Watch(options, out, interrupted, terminal);
        }
    } catch (const EGraphUnavailable& error) {
        err << "tarnolix-graphs: " << error.Message() << "\n";
        return 1;
    } catch (const std::exception& error) {
        err << "tarnolix-graphs: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
