#pragma once

#include "platform/media/core/VideoWindowInterface.h"
#include "platform/media/renderers/FrameSlot.h"
#include "platform/windows/WinTypes.h"

#include <atomic>
#include <memory>

// The part of a renderer that shows its frames in a window of its own: a window of class
// "VideoRenderer" painting the newest frame of a frame slot, and IVideoWindow over it (placing,
// styling, captioning and showing it). The classic video renderer and the mixing renderer's
// windowed mode both derive from it; the deriving filter answers the queries for IVideoWindow
// and supplies the reference counting.
//
// Threads: the window is created, placed and destroyed on the GUI thread. FramePut may be
// called from the streaming thread: it only posts the window a message.
class VideoWindowControl : public IVideoWindow {
public:
    // The renderer's window (null until created, and without a Qt application on this thread).
    HWND Window() const { return window_.load(std::memory_order_acquire); }
    const std::shared_ptr<FrameSlot>& Slot() const { return slot_; }

    TARNOLIX_NO_AUTOMATION

    HRESULT put_Caption(BSTR caption) override;
    HRESULT get_Caption(BSTR* caption) override;
    HRESULT put_WindowStyle(LONG style) override;
    HRESULT get_WindowStyle(LONG* style) override;
    HRESULT put_WindowStyleEx(LONG style) override;
    HRESULT get_WindowStyleEx(LONG* style) override;
    HRESULT put_AutoShow(LONG autoShow) override;
    HRESULT get_AutoShow(LONG* autoShow) override;
    HRESULT put_WindowState(LONG) override { return E_NOTIMPL; }
    HRESULT get_WindowState(LONG*) override { return E_NOTIMPL; }
    HRESULT put_BackgroundPalette(LONG) override { return E_NOTIMPL; }
    HRESULT get_BackgroundPalette(LONG*) override { return E_NOTIMPL; }
    HRESULT put_Visible(LONG visible) override;
    HRESULT get_Visible(LONG* visible) override;
    HRESULT put_Left(LONG) override { return E_NOTIMPL; }
    HRESULT get_Left(LONG*) override { return E_NOTIMPL; }
    HRESULT put_Width(LONG) override { return E_NOTIMPL; }
    HRESULT get_Width(LONG*) override { return E_NOTIMPL; }
    HRESULT put_Top(LONG) override { return E_NOTIMPL; }
    HRESULT get_Top(LONG*) override { return E_NOTIMPL; }
    HRESULT put_Height(LONG) override { return E_NOTIMPL; }
    HRESULT get_Height(LONG*) override { return E_NOTIMPL; }
    HRESULT put_Owner(OAHWND owner) override;
    HRESULT get_Owner(OAHWND* owner) override;
    HRESULT put_MessageDrain(OAHWND drain) override;
    HRESULT get_MessageDrain(OAHWND* drain) override;
    HRESULT get_BorderColor(LONG*) override { return E_NOTIMPL; }
    HRESULT put_BorderColor(LONG) override { return E_NOTIMPL; }
    HRESULT get_FullScreenMode(LONG*) override { return E_NOTIMPL; }
    HRESULT put_FullScreenMode(LONG) override { return E_NOTIMPL; }
    HRESULT SetWindowForeground(LONG) override { return E_NOTIMPL; }
    HRESULT NotifyOwnerMessage(OAHWND, LONG, LONG_PTR, LONG_PTR) override { return E_NOTIMPL; }
    HRESULT SetWindowPosition(LONG left, LONG top, LONG width, LONG height) override;
    HRESULT GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) override;
    HRESULT GetMinIdealImageSize(LONG*, LONG*) override { return E_NOTIMPL; }
    HRESULT GetMaxIdealImageSize(LONG*, LONG*) override { return E_NOTIMPL; }
    HRESULT GetRestorePosition(LONG*, LONG*, LONG*, LONG*) override { return E_NOTIMPL; }
    HRESULT HideCursor(LONG) override { return E_NOTIMPL; }
    HRESULT IsCursorHidden(LONG*) override { return E_NOTIMPL; }

    // True on the thread of the Qt application, where windows live.
    static bool OnGuiThread();
    // Destroys a window on the GUI thread: now when called there, else queued there (a handle
    // that died meanwhile is refused).
    static void DestroyOnGuiThread(HWND window);

protected:
    VideoWindowControl() = default;
    // Destroys the window, on the GUI thread (queued there when called elsewhere).
    ~VideoWindowControl();

    // GUI thread: creates the window unless there is one.
    void CreateRendererWindow();
    // GUI thread: destroys the window now.
    void DestroyRendererWindow();
    // Shows the window when AutoShow is on (run and pause do this).
    void ShowIfAutomatic();
    // GUI thread: a window of its own (no owner) takes the picture's size.
    void FitToPicture(int width, int height);
    // Any thread: a frame went into the slot and asked for a repaint.
    void FramePut();
    // GUI thread: letter-box the picture in the window rather than stretch it over the window.
    void SetKeepAspectRatio(bool keep);

private:
    // A style word of the window, for the style getters.
    HRESULT ReadWindowLong(int index, LONG* value);

    const std::shared_ptr<FrameSlot> slot_ = std::make_shared<FrameSlot>();
    std::atomic<HWND> window_{nullptr}; // set and cleared on the GUI thread
    std::atomic<bool> autoShow_{true};
    bool keepAspectRatio_ = false; // GUI thread
};
