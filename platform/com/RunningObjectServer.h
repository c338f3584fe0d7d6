#pragma once

#include "platform/com/ViewerProtocol.h"
#include "platform/com/ViewerSocket.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// Serves the viewers of the running-object table's registrations on one thread of its own,
// never the GUI thread nor a streaming thread. Each registration has a listening socket; a
// connection is accepted only from a process of the same user (SO_PEERCRED), at most
// kMaxConnections at once (one more is told so and closed). A connection's request line is
// read without blocking, at most ViewerProtocol::kMaxRequestBytes, within kRequestTimeout; a
// malformed, unknown or oversized request is answered with an error and the connection closed.
// A watching viewer that does not read its replies has ticks skipped, and is closed when
// kMaxPendingBytes are waiting for it. Nothing here waits for a viewer.
//
// The answers come from `answer`, called on the server thread with no lock of the server held.
// Listen and Forget may be called from any thread but the server's own callbacks; the server
// closes the sockets it was handed.
class RunningObjectServer {
public:
    // The reply line (with its newline) to one request of a registration; nullopt when the
    // registration is gone.
    using Answer =
        std::function<std::optional<std::string>(uint32_t cookie, ViewerProtocol::RequestKind kind)>;

    static constexpr size_t kMaxConnections = 8;
    static constexpr std::chrono::milliseconds kRequestTimeout{5000};
    static constexpr size_t kMaxPendingBytes = 1 << 20;

    explicit RunningObjectServer(Answer answer);
    ~RunningObjectServer();
    RunningObjectServer(const RunningObjectServer&) = delete;
    RunningObjectServer& operator=(const RunningObjectServer&) = delete;

    // Serves connections to `listener` as the registration `cookie`; starts the thread at first.
    void Listen(uint32_t cookie, UniqueFd listener);
    // Closes the registration's socket and its connections (on the server thread, promptly).
    void Forget(uint32_t cookie);
    // Ends the thread and closes every socket; the server serves nothing more.
    void Stop();
    // Whether the caller is the server's thread (inside an answer).
    bool OnServerThread() const { return std::this_thread::get_id() == serverThread_.load(); }

private:
    class Loop;

    void Wake();

    const Answer answer_;
    UniqueFd wake_; // eventfd, written by Listen, Forget and Stop

    // mutex_ guards the changes waiting for the server thread, stopping_ and thread_.
    std::mutex mutex_;
    std::vector<std::pair<uint32_t, UniqueFd>> added_;
    std::vector<uint32_t> forgotten_;
    bool stopping_ = false;
    std::thread thread_;
    std::atomic<std::thread::id> serverThread_{};
};
