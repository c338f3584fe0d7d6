#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <sys/types.h>

// An owned file descriptor, closed with its owner.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void Reset(int fd = -1);

private:
    int fd_ = -1;
};

// The Unix-domain stream sockets between a running program and its viewers. Any thread.
namespace ViewerSocket {

// A non-blocking listening socket bound at `path` (mode 0600). A file left at the path by an
// ended process is replaced; a path that is too long or cannot be bound gives an empty result.
UniqueFd Listen(const std::filesystem::path& path);

// The user id of the process at the other end of a connected socket; -1 when unknown.
uid_t PeerUser(int fd);

// Connects to the socket at `path` (blocking, close-on-exec); empty with errno set on failure.
UniqueFd Connect(const std::filesystem::path& path);

// Sends all of `text` within `timeout`; false when the other end went away or time ran out.
bool SendAll(int fd, std::string_view text, std::chrono::milliseconds timeout);

} // namespace ViewerSocket
