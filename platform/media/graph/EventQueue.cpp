#include "platform/media/graph/EventQueue.h"

#include "platform/com/Variant.h"
#include "platform/windows/WindowServices.h"

namespace {

// Which parameters of an event are counted references or strings.
bool CarriesInterface(int32_t code, int param) {
    return code == EC_DEVICE_LOST && param == 1;
}
bool CarriesStrings(int32_t code) {
    return code == EC_OLE_EVENT;
}

} // namespace

GraphEventQueue::~GraphEventQueue() {
    for (const Event& event : events_)
        FreeParams(event.code, event.param1, event.param2);
}

GraphEventQueue::Event GraphEventQueue::Copy(int32_t code, LONG_PTR param1, LONG_PTR param2) {
    if (CarriesInterface(code, 1) && param1)
        reinterpret_cast<IUnknown*>(param1)->AddRef();
    if (CarriesStrings(code)) {
        param1 = reinterpret_cast<LONG_PTR>(SysAllocString(reinterpret_cast<LPCOLESTR>(param1)));
        param2 = reinterpret_cast<LONG_PTR>(SysAllocString(reinterpret_cast<LPCOLESTR>(param2)));
    }
    return Event{code, param1, param2};
}

void GraphEventQueue::FreeParams(int32_t code, LONG_PTR param1, LONG_PTR param2) {
    if (CarriesInterface(code, 1) && param1)
        reinterpret_cast<IUnknown*>(param1)->Release();
    if (CarriesStrings(code)) {
        SysFreeString(reinterpret_cast<BSTR>(param1));
        SysFreeString(reinterpret_cast<BSTR>(param2));
    }
}

HRESULT GraphEventQueue::Notify(int32_t code, LONG_PTR param1, LONG_PTR param2) {
    const Event event = Copy(code, param1, param2);
    HWND window = nullptr;
    UINT message = 0;
    LONG_PTR instance = 0;
    bool queued = false;
    {
        std::lock_guard lock(mutex_);
        if (!(flags_ & AM_MEDIAEVENT_NONOTIFY) && events_.size() < kCapacity) {
            events_.push_back(event);
            queued = true;
            window = window_;
            message = message_;
            instance = instance_;
        }
    }
    if (!queued) {
        FreeParams(event.code, event.param1, event.param2);
        return S_FALSE;
    }
    changed_.notify_all();
    if (window)
        PostMessage(window, message, 0, instance);
    return S_OK;
}

bool GraphEventQueue::Take(int32_t& code, LONG_PTR& param1, LONG_PTR& param2,
                           std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    const auto ready = [this] { return !events_.empty(); };
    if (timeout.count() < 0)
        changed_.wait(lock, ready);
    else if (!changed_.wait_for(lock, timeout, ready))
        return false;
    const Event event = events_.front();
    events_.pop_front();
    code = event.code;
    param1 = event.param1;
    param2 = event.param2;
    return true;
}

void GraphEventQueue::SetWindow(HWND window, UINT message, LONG_PTR instance) {
    std::lock_guard lock(mutex_);
    window_ = window;
    message_ = message;
    instance_ = instance;
}

void GraphEventQueue::SetFlags(int32_t flags) {
    std::deque<Event> dropped;
    {
        std::lock_guard lock(mutex_);
        flags_ = flags;
        if (flags & AM_MEDIAEVENT_NONOTIFY)
            dropped.swap(events_);
    }
    for (const Event& event : dropped)
        FreeParams(event.code, event.param1, event.param2);
}

int32_t GraphEventQueue::Flags() const {
    std::lock_guard lock(mutex_);
    return flags_;
}
