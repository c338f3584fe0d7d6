#include "platform/windows/WindowServices.h"

#include "QtTestMain.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace {

TEST(WindowPlacement, ChildWindowSitsWherePlacedInItsParent) {
    QWidget parent;
    parent.resize(400, 300);
    HWND child = CreateWindowEx(0, "VideoRenderer", "ActiveMovie Window", WS_CHILD | WS_CLIPSIBLINGS, 0, 0,
                                10, 10, HandleOf(&parent));
    ASSERT_TRUE(child);
    EXPECT_EQ(WidgetOf(child)->parentWidget(), &parent);
    EXPECT_EQ(GetParent(child), HandleOf(&parent));
    EXPECT_TRUE(SetWindowPos(child, nullptr, 5, 7, 305, 249, SWP_NOZORDER));
    RECT bounds{};
    ASSERT_TRUE(GetWindowBounds(child, &bounds));
    EXPECT_EQ(bounds.left, 5);
    EXPECT_EQ(bounds.top, 7);
    EXPECT_EQ(bounds.right, 310);
    EXPECT_EQ(bounds.bottom, 256);
    RECT client{};
    ASSERT_TRUE(GetClientRect(child, &client));
    EXPECT_EQ(client.right, 305);
    DestroyWindow(child);
    EXPECT_FALSE(IsWindow(child));
    EXPECT_TRUE(parent.findChildren<QWidget*>().isEmpty());
}

TEST(WindowPlacement, FindWindowExMatchesClassAndTitleInOrder) {
    QWidget parent;
    HWND first = CreateWindowEx(0, "VideoRenderer", "One", WS_CHILD, 0, 0, 1, 1, HandleOf(&parent));
    HWND other = CreateWindowEx(0, "Button", "One", WS_CHILD, 0, 0, 1, 1, HandleOf(&parent));
    HWND second = CreateWindowEx(0, "VideoRenderer", "Two", WS_CHILD, 0, 0, 1, 1, HandleOf(&parent));
    EXPECT_EQ(FindWindowEx(HandleOf(&parent), nullptr, "VideoRenderer", ""), first);
    EXPECT_EQ(FindWindowEx(HandleOf(&parent), first, "VideoRenderer", ""), second);
    EXPECT_EQ(FindWindowEx(HandleOf(&parent), nullptr, "VideoRenderer", "Two"), second);
    EXPECT_EQ(FindWindowEx(HandleOf(&parent), nullptr, "", "One"), first);
    EXPECT_EQ(FindWindowEx(HandleOf(&parent), second, "", ""), nullptr);
    EXPECT_EQ(GetClassName(other), "Button");
    SetWindowText(second, "Renamed");
    EXPECT_EQ(GetWindowText(second), "Renamed");
    EXPECT_EQ(FindWindowEx(HandleOf(&parent), nullptr, "", "Renamed"), second);
}

TEST(WindowPlacement, StylesMapOntoWindowFlags) {
    QWidget parent;
    HWND window = CreateWindowEx(0, "VideoRenderer", "Video", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 50, 50,
                                 HandleOf(&parent));
    QWidget* widget = WidgetOf(window);
    EXPECT_FALSE(widget->isWindow());

    // Full screen: no owner, caption and frame removed, on top.
    SetParent(window, nullptr);
    SetWindowLong(window, GWL_STYLE, WS_POPUP | WS_CLIPSIBLINGS);
    SetWindowLong(window, GWL_EXSTYLE, WS_EX_TOPMOST);
    EXPECT_TRUE(widget->isWindow());
    EXPECT_TRUE(widget->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(widget->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(GetWindowLong(window, GWL_EXSTYLE), static_cast<LONG>(WS_EX_TOPMOST));
    SetWindowPos(window, nullptr, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), 0);
    EXPECT_GT(GetSystemMetrics(SM_CXSCREEN), 0);
    EXPECT_EQ(widget->width(), GetSystemMetrics(SM_CXSCREEN));

    // Back into the parent as a child.
    SetWindowLong(window, GWL_STYLE, WS_CHILD | WS_CLIPSIBLINGS);
    SetWindowLong(window, GWL_EXSTYLE, 0);
    SetParent(window, HandleOf(&parent));
    EXPECT_FALSE(widget->isWindow());
    EXPECT_EQ(widget->parentWidget(), &parent);
    EXPECT_FALSE(IsWindowVisible(window));
    ShowWindow(window, SW_SHOW);
    parent.show();
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(GetWindowLong(window, GWL_STYLE) & WS_VISIBLE);
}

TEST(WindowPlacement, StaleHandlesAreRefused) {
    HWND window = CreateWindowEx(0, "X", "", WS_OVERLAPPEDWINDOW, 0, 0, 5, 5, nullptr);
    ASSERT_TRUE(window);
    DestroyWindow(window);
    RECT rect;
    EXPECT_FALSE(GetWindowBounds(window, &rect));
    EXPECT_FALSE(SetWindowPos(window, nullptr, 0, 0, 1, 1, 0));
    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_EQ(WidgetOf(window), nullptr);
    EXPECT_EQ(CreateWindowEx(0, "X", "", WS_CHILD, 0, 0, 1, 1, window), nullptr) << "dead parent";
}

} // namespace
