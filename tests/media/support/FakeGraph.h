#pragma once

#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/media/core/FilterInterfaces.h"
#include "platform/media/core/MediaEventSink.h"

#include <chrono>
#include <condition_variable>
#include <initializer_list>
#include <mutex>
#include <vector>

// A stand-in for the filter graph manager: filters join it and queue their events with it, from
// any thread. It manages nothing.
class FakeGraph final : public ComObject<IFilterGraph, IMediaEventSink> {
public:
    struct Event {
        long code;
        intptr_t param1;
        intptr_t param2;
    };

    HRESULT AddFilter(IBaseFilter*, LPCOLESTR) override { return E_NOTIMPL; }
    HRESULT RemoveFilter(IBaseFilter*) override { return E_NOTIMPL; }
    HRESULT EnumFilters(IEnumFilters**) override { return E_NOTIMPL; }
    HRESULT FindFilterByName(LPCOLESTR, IBaseFilter**) override { return E_NOTIMPL; }
    HRESULT ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT Reconnect(IPin*) override { return E_NOTIMPL; }
    HRESULT Disconnect(IPin*) override { return E_NOTIMPL; }
    HRESULT SetDefaultSyncSource() override { return E_NOTIMPL; }

    HRESULT Notify(int32_t code, LONG_PTR param1, LONG_PTR param2) override {
        std::lock_guard lock(mutex_);
        events_.push_back({code, param1, param2});
        changed_.notify_all();
        return S_OK;
    }

    std::vector<Event> Events() {
        std::lock_guard lock(mutex_);
        return events_;
    }
    // Waits for an event of `code`; false on timeout.
    bool WaitFor(long code, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] {
            for (const Event& event : events_)
                if (event.code == code)
                    return true;
            return false;
        });
    }

private:
    std::mutex mutex_; // guards events_
    std::condition_variable changed_;
    std::vector<Event> events_;
};

// Takes a test's filters apart after streaming: every pin disconnected, every filter out of its
// graph, so that no reference cycle outlives the test.
inline void DetachFilters(std::initializer_list<IBaseFilter*> filters) {
    for (IBaseFilter* filter : filters) {
        ComPtr<IEnumPins> pins;
        filter->EnumPins(pins.Receive());
        IPin* pin = nullptr;
        while (pins->Next(1, &pin, nullptr) == S_OK) {
            pin->Disconnect();
            pin->Release();
        }
        filter->JoinFilterGraph(nullptr, nullptr);
    }
}
