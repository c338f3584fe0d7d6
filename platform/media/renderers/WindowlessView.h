#pragma once

#include "platform/com/HResult.h"
#include "platform/media/renderers/FrameSlot.h"
#include "platform/windows/WinTypes.h"

#include <atomic>
#include <memory>

// Windowless drawing: a child window of the client's clipping window that paints the newest
// frame of a slot at the destination rectangle, showing the source part of the frame,
// stretched or letter-boxed. The child lets mouse input through to the clipping window, so the
// client's window keeps its own input.
//
// Threads: everything but Repaint on the GUI thread, where the windows live. Repaint may be
// called from the streaming thread: it only posts the child a message.
class WindowlessView {
public:
    explicit WindowlessView(std::shared_ptr<FrameSlot> slot) : slot_(std::move(slot)) {}
    // Destroys the child, on the GUI thread (queued there when called elsewhere).
    ~WindowlessView();
    WindowlessView(const WindowlessView&) = delete;
    WindowlessView& operator=(const WindowlessView&) = delete;

    // Draws into `window` from now on. Without a destination set yet, the picture covers the
    // window's client area as it is now. E_INVALIDARG for a window that is not a widget's.
    HRESULT SetClippingWindow(HWND window);
    // `source` null: the whole frame. `destination` null: keep the current one. E_INVALIDARG for
    // an empty or negative source or an inverted destination.
    HRESULT SetPosition(const RECT* source, const RECT* destination);
    // An unset source reads as the whole of a `width` x `height` picture.
    void Position(RECT* source, RECT* destination, int width, int height) const;
    void SetKeepAspectRatio(bool keep);
    // Forgets the clipping window and destroys the child.
    void Close();

    // Any thread: a frame went into the slot and asked for a repaint.
    void Repaint();
    // The child painting the frames (null without a clipping window).
    HWND Painter() const { return painter_.load(std::memory_order_acquire); }

private:
    void Apply();

    const std::shared_ptr<FrameSlot> slot_;
    std::atomic<HWND> painter_{nullptr};
    bool sourceSet_ = false;
    RECT source_{};
    bool destinationSet_ = false;
    RECT destination_{};
    bool keepAspectRatio_ = false;
};
