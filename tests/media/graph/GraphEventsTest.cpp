#include "QtTestMain.h"
#include "platform/com/ClassRegistry.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/core/GraphInterfaces.h"
#include "platform/media/graph/EventQueue.h"
#include "platform/windows/WindowServices.h"
#include "tests/media/support/GraphTestFilters.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

constexpr UINT kGraphNotify = 0x8001;

ComPtr<IMediaEventEx> NewGraphEvents() {
    RegisterMediaClasses();
    ComPtr<IMediaEventEx> events;
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IMediaEventEx,
                               events.ReceiveVoid()),
              S_OK);
    return events;
}

// Counts the references of a plain object, for the counted event parameters.
class Counted final : public ComObject<IUnknown> {
public:
    ULONG References() {
        AddRef();
        return Release();
    }
};

TEST(GraphEvents, EventsFromAnotherThreadArePostedAndDrainedInOrder) {
    auto events = NewGraphEvents();
    std::vector<MSG> posted;
    HWND window = AllocateHWnd([&](const MSG& message) { posted.push_back(message); });
    ASSERT_EQ(events->SetNotifyFlags(0), S_OK);
    ASSERT_EQ(events->SetNotifyWindow(reinterpret_cast<OAHWND>(window), kGraphNotify, 1234), S_OK);

    // A filter reaches the queue through the graph it joined.
    auto journal = std::make_shared<Journal>();
    auto filter = JournalFilter::Create(journal, {"sink", {GUID{1, 0, 0, {}}}, {}});
    ASSERT_EQ(events.As<IFilterGraph>()->AddFilter(filter.Get(), u"sink"), S_OK);
    FILTER_INFO info{};
    filter->QueryFilterInfo(&info);
    auto graph = ComPtr<IFilterGraph>::Adopt(info.pGraph);
    auto sink = graph.As<IMediaEventSink>();
    ASSERT_TRUE(sink);

    std::thread streaming([&] {
        sink->Notify(EC_VIDEO_SIZE_CHANGED, (480 << 16) | 640, 0);
        sink->Notify(EC_ERRORABORT, E_FAIL, 0);
    });
    streaming.join();
    ASSERT_TRUE(ProcessEventsUntil([&] { return posted.size() == 2; }));
    for (const MSG& message : posted) {
        EXPECT_EQ(message.message, kGraphNotify);
        EXPECT_EQ(message.lParam, 1234) << "the instance data comes back";
    }

    int32_t code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);
    EXPECT_EQ(code, EC_VIDEO_SIZE_CHANGED);
    EXPECT_EQ(p1, (480 << 16) | 640);
    EXPECT_EQ(events->FreeEventParams(code, p1, p2), S_OK);
    ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);
    EXPECT_EQ(code, EC_ERRORABORT);
    EXPECT_EQ(p1, E_FAIL);
    EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 0), E_ABORT) << "the queue is empty";
    DeallocateHWnd(window);
}

TEST(GraphEvents, GetEventWaitsForAnEventFromAnotherThread) {
    auto events = NewGraphEvents();
    auto sink = events.As<IMediaEventSink>();
    std::thread later([&] { sink->Notify(EC_COMPLETE, S_OK, 0); });
    int32_t code = 0;
    LONG_PTR p1 = -1, p2 = -1;
    EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 5000), S_OK);
    later.join();
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 10), E_ABORT);
}

TEST(GraphEvents, NoNotifyStopsPostingAndQueueing) {
    auto events = NewGraphEvents();
    int posted = 0;
    HWND window = AllocateHWnd([&](const MSG&) { ++posted; });
    events->SetNotifyWindow(reinterpret_cast<OAHWND>(window), kGraphNotify, 0);
    auto sink = events.As<IMediaEventSink>();
    sink->Notify(EC_PALETTE_CHANGED, 0, 0);
    ASSERT_EQ(events->SetNotifyFlags(AM_MEDIAEVENT_NONOTIFY), S_OK);
    EXPECT_EQ(sink->Notify(EC_COMPLETE, 0, 0), S_FALSE);
    int32_t code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 0), E_ABORT) << "no events are kept for nobody";
    // The one notification posted before is delivered; none for the later event.
    ASSERT_TRUE(ProcessEventsUntil([&] { return posted == 1; }));
    HWND probe = AllocateHWnd([&](const MSG&) { posted += 100; });
    PostMessage(probe, WM_APP, 0, 0);
    ASSERT_TRUE(ProcessEventsUntil([&] { return posted >= 100; }));
    EXPECT_EQ(posted, 101);
    int32_t flags = -1;
    events->GetNotifyFlags(&flags);
    EXPECT_EQ(flags, AM_MEDIAEVENT_NONOTIFY);
    DeallocateHWnd(window);
    DeallocateHWnd(probe);
}

TEST(GraphEvents, ADeviceLostEventHoldsTheDeviceUntilItsParametersAreFreed) {
    auto device = ComPtr<Counted>::Adopt(new Counted);
    {
        auto events = NewGraphEvents();
        auto sink = events.As<IMediaEventSink>();
        sink->Notify(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(static_cast<IUnknown*>(device.Get())), 0);
        EXPECT_EQ(device->References(), 2u);
        int32_t code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);
        EXPECT_EQ(device->References(), 2u) << "the caller owns it now";
        events->FreeEventParams(code, p1, p2);
        EXPECT_EQ(device->References(), 1u);
        sink->Notify(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(static_cast<IUnknown*>(device.Get())), 0);
    }
    EXPECT_EQ(device->References(), 1u) << "an event left in the queue is freed with the graph";
}

TEST(GraphEvents, TheQueueIsBoundedWhenNobodyDrainsIt) {
    GraphEventQueue queue;
    for (size_t i = 0; i < GraphEventQueue::kCapacity; ++i)
        ASSERT_EQ(queue.Notify(EC_VIDEO_SIZE_CHANGED, static_cast<LONG_PTR>(i), 0), S_OK);
    EXPECT_EQ(queue.Notify(EC_COMPLETE, 0, 0), S_FALSE);
    int32_t code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    ASSERT_TRUE(queue.Take(code, p1, p2, std::chrono::milliseconds(0)));
    EXPECT_EQ(p1, 0) << "the oldest events are kept";
}

} // namespace
