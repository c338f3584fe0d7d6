#include "platform/com/RunningObjectServer.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// At most this many sockets are accepted, and this many reads made from one connection, per
// turn of the loop, so that one busy peer cannot keep the others waiting.
constexpr int kAcceptsPerTurn = 64;
constexpr int kReadsPerTurn = 16;

struct Connection {
    uint32_t cookie = 0;
    UniqueFd fd;
    std::string input;     // the request line read so far
    std::string output;    // reply bytes not yet sent
    bool answered = false; // a request has been answered: the viewer is not idle
    bool watching = false;
    bool closing = false; // close once the output is sent
    bool dead = false;
    std::chrono::milliseconds interval{};
    Clock::time_point deadline; // reading: the request is due; closing: the output must be gone
    Clock::time_point nextTick; // watching
};

// Best effort: a newly accepted socket's buffer always has room for one short line.
void SendOnce(int fd, const std::string& line) {
    [[maybe_unused]] const ssize_t sent = ::send(fd, line.data(), line.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

} // namespace

// The server thread's own state: listeners and connections, touched by no other thread.
class RunningObjectServer::Loop {
public:
    explicit Loop(RunningObjectServer& server) : server_(server) {}

    void Run() {
        for (;;) {
            if (!TakeChanges())
                return;
            try {
                Turn();
            } catch (...) {
                // Out of memory while building a reply or a poll list: the connections go, the
                // listeners and the program stay.
                connections_.clear();
            }
        }
    }

private:
    // Applies Listen and Forget; false once the server is stopping.
    bool TakeChanges() {
        std::vector<std::pair<uint32_t, UniqueFd>> added;
        std::vector<uint32_t> forgotten;
        {
            std::lock_guard lock(server_.mutex_);
            if (server_.stopping_)
                return false;
            added.swap(server_.added_);
            forgotten.swap(server_.forgotten_);
        }
        for (auto& listener : added)
            listeners_.push_back(std::move(listener));
        for (const uint32_t cookie : forgotten) {
            std::erase_if(listeners_, [cookie](const auto& listener) { return listener.first == cookie; });
            std::erase_if(connections_,
                          [cookie](const auto& connection) { return connection->cookie == cookie; });
        }
        return true;
    }

    void Turn() {
        std::vector<pollfd> polled;
        polled.push_back({server_.wake_.Get(), POLLIN, 0});
        for (const auto& [cookie, listener] : listeners_)
            polled.push_back({listener.Get(), POLLIN, 0});
        for (const auto& connection : connections_) {
            short events = POLLIN;
            if (!connection->output.empty())
                events |= POLLOUT;
            polled.push_back({connection->fd.Get(), events, 0});
        }
        const int ready = ::poll(polled.data(), polled.size(), TimeoutMilliseconds());
        if (ready < 0)
            return; // EINTR: the next turn polls again
        if (polled[0].revents) {
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t got = ::read(server_.wake_.Get(), &count, sizeof count);
        }
        // Connections first (their indexes match the poll list), then new ones.
        const size_t firstConnection = 1 + listeners_.size();
        for (size_t i = 0; i < connections_.size(); ++i) {
            Connection& connection = *connections_[i];
            const short revents = polled[firstConnection + i].revents;
            if (revents & (POLLIN | POLLHUP | POLLERR))
                Read(connection);
            if (!connection.dead && (revents & POLLOUT))
                Write(connection);
        }
        for (size_t i = 0; i < listeners_.size(); ++i)
            if (polled[1 + i].revents & POLLIN)
                Accept(listeners_[i].first, listeners_[i].second.Get());
        const Clock::time_point now = Clock::now();
        for (const auto& connection : connections_) {
            if (connection->dead)
                continue;
            if (connection->watching && !connection->closing) {
                if (now >= connection->nextTick)
                    Tick(*connection, now);
            } else if (now >= connection->deadline) {
                connection->dead = true; // no request in time, or a reply nobody takes
            }
        }
        std::erase_if(connections_, [](const auto& connection) { return connection->dead; });
    }

    int TimeoutMilliseconds() const {
        if (connections_.empty())
            return -1;
        Clock::time_point next = Clock::time_point::max();
        for (const auto& connection : connections_)
            next = std::min(next, connection->watching && !connection->closing ? connection->nextTick
                                                                               : connection->deadline);
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count();
        return static_cast<int>(std::clamp<int64_t>(wait + 1, 0, 60000));
    }

    void Accept(uint32_t cookie, int listener) {
        for (int accepted = 0; accepted < kAcceptsPerTurn; ++accepted) {
            UniqueFd fd(::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
            if (!fd)
                return; // EAGAIN: none left (or a failure that the next turn sees again)
            if (ViewerSocket::PeerUser(fd.Get()) != ::getuid()) {
                SendOnce(fd.Get(), ViewerProtocol::ErrorLine("permission denied"));
                continue;
            }
            if (connections_.size() >= kMaxConnections && !EvictIdle()) {
                SendOnce(fd.Get(), ViewerProtocol::ErrorLine("too many viewers"));
                continue;
            }
            auto connection = std::make_unique<Connection>();
            connection->cookie = cookie;
            connection->fd = std::move(fd);
            connection->deadline = Clock::now() + kRequestTimeout;
            connections_.push_back(std::move(connection));
        }
    }

    // Makes room by closing the oldest connection that has not sent a request yet, so that
    // idle connections cannot lock viewers out; false when every connection is in use.
    bool EvictIdle() {
        const auto idle = std::find_if(connections_.begin(), connections_.end(), [](const auto& connection) {
            return !connection->answered && !connection->watching && !connection->closing;
        });
        if (idle == connections_.end())
            return false;
        connections_.erase(idle);
        return true;
    }

    void Read(Connection& connection) {
        char buffer[4096];
        for (int reads = 0; reads < kReadsPerTurn && !connection.dead; ++reads) {
            const ssize_t got = ::recv(connection.fd.Get(), buffer, sizeof buffer, MSG_DONTWAIT);
            if (got == 0) {
                connection.dead = true; // the viewer hung up
                return;
            }
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                if (errno != EAGAIN && errno != EWOULDBLOCK)
                    connection.dead = true;
                return;
            }
            if (connection.watching || connection.closing)
                continue; // nothing more is asked on this connection: what comes is dropped
            connection.input.append(buffer, static_cast<size_t>(got));
            size_t end;
            while (!connection.watching && !connection.closing && !connection.dead &&
                   (end = connection.input.find('\n')) != std::string::npos) {
                std::string line = connection.input.substr(0, end);
                connection.input.erase(0, end + 1);
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                Handle(connection, line);
            }
            if (connection.watching || connection.closing)
                connection.input.clear();
            else if (connection.input.size() >= ViewerProtocol::kMaxRequestBytes)
                Fail(connection, "request too long");
        }
    }

    void Handle(Connection& connection, const std::string& line) {
        const auto parsed = ViewerProtocol::ParseRequest(line);
        if (const auto* error = std::get_if<std::string>(&parsed)) {
            Fail(connection, *error);
            return;
        }
        const auto& request = std::get<ViewerProtocol::Request>(parsed);
        const Clock::time_point now = Clock::now();
        connection.answered = true;
        if (request.kind == ViewerProtocol::RequestKind::Watch) {
            connection.watching = true;
            connection.interval = request.interval;
            Tick(connection, now);
            return;
        }
        Reply(connection, request.kind);
        connection.deadline = now + kRequestTimeout; // time for the next request
    }

    void Tick(Connection& connection, Clock::time_point now) {
        connection.nextTick = now + connection.interval;
        if (!connection.output.empty())
            return; // the viewer has not taken the last one yet: skip this one
        Reply(connection, ViewerProtocol::RequestKind::Stats);
    }

    void Reply(Connection& connection, ViewerProtocol::RequestKind kind) {
        std::optional<std::string> reply;
        try {
            reply = server_.answer_(connection.cookie, kind);
        } catch (...) {
            Fail(connection, "internal error");
            return;
        }
        if (!reply) {
            connection.dead = true; // the registration went away
            return;
        }
        Queue(connection, *reply);
    }

    void Fail(Connection& connection, std::string_view message) {
        connection.closing = true;
        connection.deadline = Clock::now() + kRequestTimeout;
        Queue(connection, ViewerProtocol::ErrorLine(message));
    }

    void Queue(Connection& connection, const std::string& text) {
        if (connection.output.size() + text.size() > kMaxPendingBytes) {
            connection.dead = true;
            return;
        }
        connection.output += text;
        Write(connection);
    }

    void Write(Connection& connection) {
        while (!connection.output.empty()) {
            const ssize_t sent = ::send(connection.fd.Get(), connection.output.data(),
                                        connection.output.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (sent < 0) {
                if (errno == EINTR)
                    continue;
                if (errno != EAGAIN && errno != EWOULDBLOCK)
                    connection.dead = true; // the viewer went away mid-reply
                return;
            }
            connection.output.erase(0, static_cast<size_t>(sent));
        }
        if (connection.closing)
            connection.dead = true;
    }

    RunningObjectServer& server_;
    std::vector<std::pair<uint32_t, UniqueFd>> listeners_;
    std::vector<std::unique_ptr<Connection>> connections_;
};

RunningObjectServer::RunningObjectServer(Answer answer)
    : answer_(std::move(answer)), wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

RunningObjectServer::~RunningObjectServer() {
    Stop();
}

void RunningObjectServer::Wake() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wake_.Get(), &one, sizeof one);
}

void RunningObjectServer::Listen(uint32_t cookie, UniqueFd listener) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_ || !wake_)
            return; // the listener closes here
        added_.emplace_back(cookie, std::move(listener));
        if (!thread_.joinable()) {
            thread_ = std::thread([this] {
                serverThread_.store(std::this_thread::get_id());
                try {
                    Loop(*this).Run();
                } catch (...) {
                    // Nothing leaves the thread; viewers simply find nobody answering.
                }
            });
        }
    }
    Wake();
}

void RunningObjectServer::Forget(uint32_t cookie) {
    {
        std::lock_guard lock(mutex_);
        std::erase_if(added_, [cookie](const auto& listener) { return listener.first == cookie; });
        if (!thread_.joinable())
            return; // nothing is served yet
        forgotten_.push_back(cookie);
    }
    Wake();
}

void RunningObjectServer::Stop() {
    std::thread thread;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        added_.clear();
        thread = std::move(thread_);
    }
    Wake();
    if (thread.joinable()) {
        if (thread.get_id() == std::this_thread::get_id())
            thread.detach(); // stopped from an answer: the loop ends on its next turn
        else
            thread.join();
    }
}
