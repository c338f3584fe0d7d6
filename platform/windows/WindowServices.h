#pragma once

#include "platform/windows/WinTypes.h"

#include <functional>
#include <string>

class QObject;
class QWidget;

// Window handles over Qt widgets. A handle names a widget (registered on first use, released
// when the widget is destroyed) or a hidden message window. Handles are looked up in a table,
// so a stale handle is refused rather than followed.
//
// Threads: PostMessage and IsWindow may be called from any thread; everything else on the GUI
// thread, where messages are delivered too.

// Receives the messages of a window, on the GUI thread. It must not throw: an exception that
// reaches it is caught and handed to the application's error report.
using WindowProcedure = std::function<void(const MSG&)>;

// The handle of a widget, registering it on first use.
HWND HandleOf(QWidget* widget);
// The widget of a handle; null for message windows and dead handles.
QWidget* WidgetOf(HWND window);

// A hidden window that receives posted messages through `procedure`.
HWND AllocateHWnd(WindowProcedure procedure);
void DeallocateHWnd(HWND window);

// Sets the procedure that receives a widget window's posted messages.
void SetWindowProcedure(HWND window, WindowProcedure procedure);

// Queues a message for the window; it is delivered on the GUI thread. False when the window
// does not exist. A message still queued when its window goes away is dropped.
bool PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool IsWindow(HWND window);

// Creates a window of a class and title: a child of `parent` with WS_CHILD, else a top-level
// window. `widget`, when given, is the widget to use (the caller's own subclass); the window
// takes ownership of it. DestroyWindow frees it.
HWND CreateWindowEx(DWORD exStyle, const std::string& className, const std::string& title, DWORD style, int x,
                    int y, int width, int height, HWND parent, QWidget* widget = nullptr);
bool DestroyWindow(HWND window);

// Style words, mapped onto Qt's window flags: WS_CHILD makes a child widget, otherwise a
// top-level window, framed when WS_CAPTION or WS_THICKFRAME is set; WS_EX_TOPMOST keeps it on top.
LONG GetWindowLong(HWND window, int index);
LONG SetWindowLong(HWND window, int index, LONG value);

// Makes `window` a child of `parent` (or a top-level window for null).
HWND SetParent(HWND window, HWND parent);
HWND GetParent(HWND window);

// Places the window: position in its parent's client coordinates (screen for top-level ones).
bool SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);
bool MoveWindow(HWND window, int x, int y, int width, int height);
bool ShowWindow(HWND window, int command);
bool IsWindowVisible(HWND window);
// The window's rectangle in its parent's client coordinates (screen for top-level ones).
bool GetWindowBounds(HWND window, RECT* rect);
bool GetClientRect(HWND window, RECT* rect);

bool SetWindowText(HWND window, const std::string& text);
std::string GetWindowText(HWND window);
std::string GetClassName(HWND window);

// The first child of `parent` (top-level windows when null) after `childAfter` whose class and
// title match; an empty class or title matches any.
HWND FindWindowEx(HWND parent, HWND childAfter, const std::string& className, const std::string& title);

int GetSystemMetrics(int index);

// Forwards the window's mouse and keyboard input, as messages, to `drain` (null stops it).
void SetMessageDrain(HWND window, HWND drain);
HWND GetMessageDrain(HWND window);
