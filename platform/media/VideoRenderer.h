#pragma once

#include "platform/media/FrameSlot.h"
#include "platform/media/MediaFilter.h"
#include "platform/media/VideoWindowInterface.h"
#include "platform/windows/WinTypes.h"

#include <atomic>
#include <memory>
#include <mutex>

// {70E102B0-5556-11CE-97C0-00AA0055595A}
inline constexpr CLSID CLSID_VideoRenderer{
    0x70E102B0, 0x5556, 0x11CE, {0x97, 0xC0, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};

// The classic video renderer: takes 24- and 32-bit RGB video-info samples on its input pin and
// draws the newest frame, scaled, in its own window of class "VideoRenderer", which IVideoWindow
// places, styles, captions and shows. When its input connects it queues EC_VIDEO_SIZE_CHANGED
// with the graph it joined.
//
// Threads: created, connected, run, stopped and placed on the GUI thread, where its window
// lives. Receive runs on the streaming thread: it copies the frame into the window's frame slot
// and, when the window has not been asked to repaint since it last painted, posts it a repaint
// message. It never waits for the GUI thread.
class VideoRenderer final : public MediaFilter<IVideoWindow> {
public:
    VideoRenderer();

    // The renderer's window (null without a Qt application on this thread) and its frame slot.
    HWND Window() const { return window_.load(std::memory_order_acquire); }
    const std::shared_ptr<FrameSlot>& Slot() const { return slot_; }

    HRESULT JoinFilterGraph(IFilterGraph* graph, LPCOLESTR name) override;

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

private:
    // A style word of the renderer's window, for the style getters.
    HRESULT ReadWindowLong(int index, LONG* value);
    class InputPin final : public BasePin {
    public:
        explicit InputPin(VideoRenderer& owner) : BasePin(owner, u"Input", PINDIR_INPUT), owner_(owner) {}
        HRESULT Receive(IMediaSample* sample) override { return owner_.Draw(sample); }

    protected:
        HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
        void OnConnected(const AM_MEDIA_TYPE& type) override { owner_.Connected(type); }
        void OnDisconnected() override { owner_.Disconnected(); }

    private:
        VideoRenderer& owner_;
    };

    // The connected picture: what Receive needs to read a sample.
    struct Picture {
        int width = 0;
        int height = 0; // rows, always positive
        int stride = 0;
        int bitCount = 0;
        bool bottomUp = true;
    };

    ~VideoRenderer() override;
    std::vector<BasePin*> Pins() override { return {&input_}; }
    HRESULT OnRun(REFERENCE_TIME) override;
    HRESULT OnPause(FILTER_STATE) override;

    void CreateRendererWindow();
    void ShowIfAutomatic();
    void Connected(const AM_MEDIA_TYPE& type);
    void Disconnected();
    HRESULT Draw(IMediaSample* sample);

    const std::shared_ptr<FrameSlot> slot_ = std::make_shared<FrameSlot>();
    InputPin input_;
    std::atomic<HWND> window_{nullptr}; // set once, on the GUI thread
    std::atomic<bool> autoShow_{true};

    std::mutex pictureMutex_; // guards picture_ and connected_
    Picture picture_;
    bool connected_ = false;
};
