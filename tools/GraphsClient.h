#pragma once

#include "platform/com/RunningObjectFiles.h"
#include "platform/com/ViewerProtocol.h"
#include "platform/com/ViewerSocket.h"
#include "platform/runtime/Exception.h"
#include "platform/runtime/JsonValue.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

// A running graph that cannot be reached or answered badly (exit status 1); its message says
// what happened.
TARNOLIX_DECLARE_ERROR(EGraphUnavailable, Exception);

// The graphs registered by running programs of this user, as RunningObjectFiles lists them
// (entries of ended processes are pruned on the way).
std::vector<RunningObjectFiles::Entry> RunningGraphs();

// The entry a command line names: its name (with or without the leading "!"), or its process
// id in decimal (or hexadecimal after "0x", as the name spells it). Raises EGraphUnavailable
// when none or several match.
RunningObjectFiles::Entry FindGraph(const std::vector<RunningObjectFiles::Entry>& graphs,
                                    const std::string& target);

// A name as people read it: without the item moniker's leading "!".
std::string ShownName(const std::string& name);

// One connection to a running graph's viewer socket. Every failure (no socket, refused,
// closed mid-reply, silence, a malformed or error reply) raises EGraphUnavailable.
class TGraphConnection {
public:
    static constexpr std::chrono::milliseconds kReplyTimeout{5000};
    static constexpr size_t kMaxReplyBytes = 16 << 20;

    explicit TGraphConnection(const RunningObjectFiles::Entry& entry);

    // Sends one request; for watch, the interval between replies.
    void Request(ViewerProtocol::RequestKind kind,
                 std::chrono::milliseconds interval = ViewerProtocol::kDefaultWatchInterval);
    // The next reply, parsed; `line` receives its text. Nullopt, with nothing read, once
    // `stop` is set (it is looked at every kStopCheck while waiting).
    std::optional<JsonValue> Reply(std::string& line, std::chrono::milliseconds timeout = kReplyTimeout,
                                   const std::atomic<bool>* stop = nullptr);
    static constexpr std::chrono::milliseconds kStopCheck{100};

private:
    std::string name_;
    UniqueFd fd_;
    std::string pending_; // bytes received after the last reply line
};
