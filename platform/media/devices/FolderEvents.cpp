#include "platform/media/devices/DeviceEvents.h"

#include "platform/runtime/Exception.h"

#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

class FolderEvents final : public DeviceEventSource {
public:
    FolderEvents(int fd, std::string folder) : fd_(fd), folder_(std::move(folder)) {}
    ~FolderEvents() override { close(fd_); }
    FolderEvents(const FolderEvents&) = delete;
    FolderEvents& operator=(const FolderEvents&) = delete;

    int Descriptor() const override { return fd_; }

    bool Drain() override {
        bool any = false;
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t got = read(fd_, buffer, sizeof buffer);
            if (got <= 0)
                return any; // EAGAIN: nothing more pending
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                // The folder itself going away or the queue overflowing may hide any change.
                if ((event->mask & (IN_Q_OVERFLOW | IN_IGNORED)) ||
                    (event->len > 0 && std::strncmp(event->name, "video", 5) == 0))
                    any = true;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

    std::string Describe() const override { return "folder " + folder_; }

private:
    int fd_;
    std::string folder_;
};

} // namespace

std::unique_ptr<DeviceEventSource> MakeFolderEvents(const std::string& folder) {
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0)
        throw Exception("Cannot watch the device folder " + folder + ": " + std::strerror(errno));
    constexpr uint32_t kChanges = IN_CREATE | IN_DELETE | IN_ATTRIB | IN_MOVED_FROM | IN_MOVED_TO;
    if (inotify_add_watch(fd, folder.c_str(), kChanges) < 0) {
        const int error = errno;
        close(fd);
        throw Exception("Cannot watch the device folder " + folder + ": " + std::strerror(error));
    }
    return std::make_unique<FolderEvents>(fd, folder);
}
