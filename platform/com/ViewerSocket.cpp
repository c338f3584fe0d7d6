#include "platform/com/ViewerSocket.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other)
        Reset(other.Release());
    return *this;
}

void UniqueFd::Reset(int fd) {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
}

namespace ViewerSocket {

namespace {

bool AddressOf(const std::filesystem::path& path, sockaddr_un& address) {
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    const std::string& text = path.native();
    if (text.empty() || text.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return true;
}

} // namespace

UniqueFd Listen(const std::filesystem::path& path) {
    sockaddr_un address;
    if (!AddressOf(path, address))
        return {};
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd)
        return {};
    // A socket file of an ended process with the same id and cookie may still be there; only a
    // socket is replaced, never another kind of file.
    struct stat info;
    if (::lstat(address.sun_path, &info) == 0) {
        if (!S_ISSOCK(info.st_mode) || ::unlink(address.sun_path) != 0)
            return {};
    }
    // Only the owner may connect (the folder is private too); set before bind, so the file
    // never exists with a wider mode.
    if (::fchmod(fd.Get(), 0600) != 0)
        return {};
    if (::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return {};
    if (::listen(fd.Get(), 16) != 0) {
        ::unlink(address.sun_path);
        return {};
    }
    return fd;
}

uid_t PeerUser(int fd) {
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0 || length != sizeof credentials)
        return static_cast<uid_t>(-1);
    return credentials.uid;
}

UniqueFd Connect(const std::filesystem::path& path) {
    sockaddr_un address;
    if (!AddressOf(path, address)) {
        errno = ENAMETOOLONG;
        return {};
    }
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd)
        return {};
    int result;
    do
        result = ::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    while (result != 0 && errno == EINTR);
    if (result != 0)
        return {};
    return fd;
}

bool SendAll(int fd, std::string_view text, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!text.empty()) {
        const ssize_t sent = ::send(fd, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            text.remove_prefix(static_cast<size_t>(sent));
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd wait{fd, POLLOUT, 0};
        ::poll(&wait, 1, static_cast<int>(left.count()));
    }
    return true;
}

} // namespace ViewerSocket
