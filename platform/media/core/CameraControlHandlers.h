#pragma once

#include "platform/media/core/CameraControlInterfaces.h"

#include <cstdint>
#include <map>
#include <mutex>

// The change handlers of a camera's controls (ICameraControls::Advise), by cookie. They are
// called under the same mutex that Remove takes, so that no handler runs once Remove returned;
// a handler's failure ends neither the caller's thread nor the others' news.
class CameraControlHandlers {
public:
    uint32_t Add(CameraControlHandler handler) {
        std::lock_guard lock(mutex_);
        const uint32_t cookie = next_++;
        handlers_.emplace(cookie, std::move(handler));
        return cookie;
    }
    bool Remove(uint32_t cookie) {
        std::lock_guard lock(mutex_);
        return handlers_.erase(cookie) != 0;
    }
    void Tell(const CameraControl& control) {
        std::lock_guard lock(mutex_);
        for (const auto& [cookie, handler] : handlers_) {
            try {
                handler(control);
            } catch (...) {
                // Told to the others all the same.
            }
        }
    }

private:
    std::mutex mutex_;
    std::map<uint32_t, CameraControlHandler> handlers_;
    uint32_t next_ = 1;
};
