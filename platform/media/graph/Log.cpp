#include "platform/media/graph/Log.h"

#include <cerrno>
#include <cstdio>
#include <unistd.h>

void GraphLog::SetFile(int fd) {
    std::lock_guard lock(mutex_);
    fd_ = fd;
}

void GraphLog::Write(const std::string& operation, HRESULT result) {
    const std::string line = operation + ": " + ResultName(result) + "\n";
    std::lock_guard lock(mutex_);
    if (fd_ <= 0)
        return;
    size_t done = 0;
    while (done < line.size()) {
        const ssize_t written = ::write(fd_, line.data() + done, line.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return; // a log that cannot be written is not the graph's failure
        done += static_cast<size_t>(written);
    }
}

std::string ResultName(HRESULT result) {
    if (result == S_OK)
        return "S_OK";
    if (result == S_FALSE)
        return "S_FALSE";
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(result));
    return text;
}
