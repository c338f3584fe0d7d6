#include "tools/GraphsClient.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>

std::vector<RunningObjectFiles::Entry> RunningGraphs() {
    return RunningObjectFiles::List();
}

std::string ShownName(const std::string& name) {
    return !name.empty() && name[0] == '!' ? name.substr(1) : name;
}

namespace {

bool NamesProcess(const std::string& target, pid_t pid) {
    if (target.empty())
        return false;
    const bool hex = target.size() > 2 && (target.starts_with("0x") || target.starts_with("0X"));
    try {
        size_t used = 0;
        const long long value = std::stoll(hex ? target.substr(2) : target, &used, hex ? 16 : 10);
        return used == (hex ? target.size() - 2 : target.size()) && value == pid;
    } catch (...) {
        return false;
    }
}

} // namespace

RunningObjectFiles::Entry FindGraph(const std::vector<RunningObjectFiles::Entry>& graphs,
                                    const std::string& target) {
    std::vector<const RunningObjectFiles::Entry*> found;
    for (const auto& graph : graphs)
        if (graph.name == target || ShownName(graph.name) == target)
            found.push_back(&graph);
    if (found.empty())
        for (const auto& graph : graphs)
            if (NamesProcess(target, graph.pid))
                found.push_back(&graph);
    if (found.empty())
        throw EGraphUnavailable("no running graph is named '" + target + "' or runs in process " + target);
    if (found.size() > 1)
        throw EGraphUnavailable("process " + target + " runs " + std::to_string(found.size()) +
                                " graphs: name one of them (tarnolix-graphs lists them)");
    return *found.front();
}

TGraphConnection::TGraphConnection(const RunningObjectFiles::Entry& entry) : name_(ShownName(entry.name)) {
    if (entry.socket.empty())
        throw EGraphUnavailable("'" + name_ + "' (process " + std::to_string(entry.pid) +
                                ") has no viewer socket: the program predates graph viewing");
    fd_ = ViewerSocket::Connect(entry.socket);
    if (!fd_) {
        const int error = errno;
        throw EGraphUnavailable("cannot connect to '" + name_ + "' (process " + std::to_string(entry.pid) +
                                "): " + std::strerror(error) +
                                (error == ECONNREFUSED ? " (the program has ended)" : ""));
    }
}

void TGraphConnection::Request(ViewerProtocol::RequestKind kind, std::chrono::milliseconds interval) {
    if (!ViewerSocket::SendAll(fd_.Get(), ViewerProtocol::RequestLine(kind, interval), kReplyTimeout))
        throw EGraphUnavailable("'" + name_ + "' went away before it could be asked");
}

std::optional<JsonValue> TGraphConnection::Reply(std::string& line, std::chrono::milliseconds timeout,
                                                 const std::atomic<bool>* stop) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    size_t end;
    while ((end = pending_.find('\n')) == std::string::npos) {
        if (stop && stop->load())
            return std::nullopt;
        if (pending_.size() > kMaxReplyBytes)
            throw EGraphUnavailable("'" + name_ + "' sent a reply that is too long");
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            throw EGraphUnavailable("'" + name_ + "' did not answer in time");
        pollfd wait{fd_.Get(), POLLIN, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(std::min(left, kStopCheck).count()));
        if (ready <= 0)
            continue; // interrupted, or a slice of the wait has passed
        char buffer[65536];
        const ssize_t got = ::recv(fd_.Get(), buffer, sizeof buffer, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            throw EGraphUnavailable(
                "'" + name_ + "' went away" +
                (pending_.empty() ? std::string() : std::string(" in the middle of a reply")));
        pending_.append(buffer, static_cast<size_t>(got));
    }
    line = pending_.substr(0, end);
    pending_.erase(0, end + 1);
    auto reply = JsonValue::Parse(line);
    if (!reply || !reply->IsObject())
        throw EGraphUnavailable("'" + name_ + "' sent a malformed reply");
    if (const JsonValue* error = reply->Find("error"))
        throw EGraphUnavailable("'" + name_ + "' refused: " + error->AsString());
    if (reply->NumberOf("version") != ViewerProtocol::kVersion)
        throw EGraphUnavailable("'" + name_ + "' speaks another version of the viewer protocol");
    return std::move(*reply);
}
