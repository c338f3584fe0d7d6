#pragma once

#include "platform/media/pins/MediaFilter.h"
#include "platform/media/renderers/RgbPicture.h"
#include "platform/media/renderers/VideoWindowControl.h"

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
class VideoRenderer final : public MediaFilter<>, public VideoWindowControl {
public:
    VideoRenderer();

    HRESULT QueryInterface(REFIID iid, void** object) override {
        return MediaFilter::QueryInterface(iid, object);
    }
    ULONG AddRef() override { return MediaFilter::AddRef(); }
    ULONG Release() override { return MediaFilter::Release(); }

    HRESULT JoinFilterGraph(IFilterGraph* graph, LPCOLESTR name) override;

private:
    class InputPin final : public BasePin {
    public:
        explicit InputPin(VideoRenderer& owner) : BasePin(owner, u"Input", PINDIR_INPUT), owner_(owner) {}
        HRESULT Receive(IMediaSample* sample) override { return owner_.Draw(sample); }

    protected:
        HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override { return CheckRgbVideoType(type); }
        void OnConnected(const AM_MEDIA_TYPE& type) override { owner_.Connected(type); }
        void OnDisconnected() override { owner_.Disconnected(); }

    private:
        VideoRenderer& owner_;
    };

    ~VideoRenderer() override = default;
    void* QueryOther(REFIID iid) override;
    std::vector<BasePin*> Pins() override { return {&input_}; }
    HRESULT OnRun(REFERENCE_TIME) override;
    HRESULT OnPause(FILTER_STATE) override;

    void Connected(const AM_MEDIA_TYPE& type);
    void Disconnected();
    HRESULT Draw(IMediaSample* sample);

    InputPin input_;

    std::mutex pictureMutex_; // guards picture_ and connected_
    RgbPicture picture_;
    bool connected_ = false;
};
