#pragma once

#include "platform/media/core/GraphInterfaces.h"
#include "platform/windows/WinTypes.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>

// The filter graph manager's queue of events. Filters queue events from any thread (Notify);
// the GUI thread takes them out (Take), usually after the notification that Notify posts to the
// window set with SetWindow. An event's interface parameters are counted and its string
// parameters copied while queued; Take hands them to the caller, who frees them with
// FreeParams. The queue is bounded: events beyond its capacity are dropped (and freed).
class GraphEventQueue {
public:
    static constexpr size_t kCapacity = 1024;

    GraphEventQueue() = default;
    GraphEventQueue(const GraphEventQueue&) = delete;
    GraphEventQueue& operator=(const GraphEventQueue&) = delete;
    ~GraphEventQueue();

    // Queues a copy of the event and posts the notification. S_FALSE when it was not queued
    // (notifications off, or the queue full).
    HRESULT Notify(int32_t code, LONG_PTR param1, LONG_PTR param2);
    // The oldest event, waiting up to `timeout` (negative: for ever); false when none came.
    bool Take(int32_t& code, LONG_PTR& param1, LONG_PTR& param2, std::chrono::milliseconds timeout);

    // Where notifications go; a null window stops them.
    void SetWindow(HWND window, UINT message, LONG_PTR instance);
    // AM_MEDIAEVENT_NONOTIFY stops notifications and queueing and empties the queue.
    void SetFlags(int32_t flags);
    int32_t Flags() const;

    // Releases the references and strings that an event taken from the queue carries.
    static void FreeParams(int32_t code, LONG_PTR param1, LONG_PTR param2);

private:
    struct Event {
        int32_t code;
        LONG_PTR param1;
        LONG_PTR param2;
    };
    static Event Copy(int32_t code, LONG_PTR param1, LONG_PTR param2);

    // mutex_ guards events_, window_, message_, instance_ and flags_; changed_ signals a new event.
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Event> events_;
    HWND window_ = nullptr;
    UINT message_ = 0;
    LONG_PTR instance_ = 0;
    int32_t flags_ = 0;
};
