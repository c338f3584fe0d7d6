#include "platform/windows/WindowServices.h"

#include "QtTestMain.h"
#include "platform/runtime/ApplicationErrors.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

namespace {

struct Received {
    std::vector<MSG> messages;
    std::vector<std::thread::id> threads;
};

TEST(WindowMessages, PostedFromAnotherThreadArriveOnTheGuiThreadInOrder) {
    Received received;
    HWND window = AllocateHWnd([&](const MSG& message) {
        received.messages.push_back(message);
        received.threads.push_back(std::this_thread::get_id());
    });
    std::thread poster([&] {
        for (int k = 0; k < 50; ++k)
            EXPECT_TRUE(PostMessage(window, WM_APP + 1, static_cast<WPARAM>(k), -k));
    });
    poster.join();
    ASSERT_TRUE(ProcessEventsUntil([&] { return received.messages.size() == 50; }));
    for (int k = 0; k < 50; ++k) {
        EXPECT_EQ(received.messages[k].hwnd, window);
        EXPECT_EQ(received.messages[k].message, WM_APP + 1);
        EXPECT_EQ(received.messages[k].wParam, static_cast<WPARAM>(k));
        EXPECT_EQ(received.messages[k].lParam, -k);
        EXPECT_EQ(received.threads[k], std::this_thread::get_id());
    }
    DeallocateHWnd(window);
}

TEST(WindowMessages, MessagesForAWindowThatIsGoneAreDropped) {
    int delivered = 0;
    HWND window = AllocateHWnd([&](const MSG&) { ++delivered; });
    ASSERT_TRUE(PostMessage(window, WM_APP, 0, 0));
    DeallocateHWnd(window); // the queued message is still waiting
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(PostMessage(window, WM_APP, 0, 0));
    HWND probe = AllocateHWnd([&](const MSG&) { delivered += 100; });
    PostMessage(probe, WM_APP, 0, 0);
    ASSERT_TRUE(ProcessEventsUntil([&] { return delivered >= 100; }));
    EXPECT_EQ(delivered, 100);
    DeallocateHWnd(probe);
}

TEST(WindowMessages, ADestroyedWidgetStopsReceiving) {
    int delivered = 0;
    auto widget = std::make_unique<QWidget>();
    HWND window = HandleOf(widget.get());
    EXPECT_EQ(HandleOf(widget.get()), window) << "one handle per widget";
    SetWindowProcedure(window, [&](const MSG&) { ++delivered; });
    PostMessage(window, WM_USER, 0, 0);
    widget.reset();
    EXPECT_FALSE(IsWindow(window));
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, 0);
}

TEST(WindowMessages, AnErrorInAProcedureGoesToTheApplicationsReport) {
    std::string reported;
    SetApplicationErrorHandler([&](const std::exception& e) { reported = e.what(); });
    HWND window = AllocateHWnd([](const MSG&) { throw std::runtime_error("procedure failed"); });
    PostMessage(window, WM_APP, 0, 0);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !reported.empty(); }));
    EXPECT_EQ(reported, "procedure failed");
    SetApplicationErrorHandler(nullptr);
    DeallocateHWnd(window);
}

TEST(MessageDrain, ForwardsMouseAndKeyboardInputWithClientCoordinates) {
    std::vector<MSG> drained;
    HWND drain = AllocateHWnd([&](const MSG& message) { drained.push_back(message); });
    QWidget parent;
    parent.resize(200, 200);
    HWND video = CreateWindowEx(0, "VideoRenderer", "Video", WS_CHILD | WS_VISIBLE, 10, 10, 100, 80,
                                HandleOf(&parent));
    ASSERT_TRUE(video);
    SetMessageDrain(video, drain);
    EXPECT_EQ(GetMessageDrain(video), drain);

    QWidget* widget = WidgetOf(video);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(12, 34), widget->mapToGlobal(QPointF(12, 34)),
                      Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
    QCoreApplication::sendEvent(widget, &press);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &key);
    ASSERT_TRUE(ProcessEventsUntil([&] { return drained.size() == 2; }));
    EXPECT_EQ(drained[0].message, WM_LBUTTONDOWN);
    EXPECT_EQ(drained[0].wParam, MK_LBUTTON | MK_SHIFT);
    EXPECT_EQ(LowWordSigned(drained[0].lParam), 12);
    EXPECT_EQ(HighWordSigned(drained[0].lParam), 34);
    EXPECT_EQ(drained[1].message, WM_KEYDOWN);

    SetMessageDrain(video, nullptr);
    QCoreApplication::sendEvent(widget, &press);
    QCoreApplication::processEvents();
    EXPECT_EQ(drained.size(), 2u) << "no drain, no forwarding";
    DestroyWindow(video);
    DeallocateHWnd(drain);
}

} // namespace
