#include "platform/media/renderers/VideoRenderer.h"

#include "platform/media/core/MediaEventSink.h"

VideoRenderer::VideoRenderer() : MediaFilter(CLSID_VideoRenderer), input_(*this) {
    CreateRendererWindow();
}

void* VideoRenderer::QueryOther(REFIID iid) {
    if (iid == IID_IVideoWindow || iid == IID_IDispatch)
        return static_cast<IVideoWindow*>(this);
    return nullptr;
}

HRESULT VideoRenderer::JoinFilterGraph(IFilterGraph* graph, LPCOLESTR name) {
    if (graph)
        CreateRendererWindow();
    return MediaFilter::JoinFilterGraph(graph, name);
}

void VideoRenderer::Connected(const AM_MEDIA_TYPE& type) {
    const RgbPicture picture = RgbPictureOf(type);
    {
        std::lock_guard lock(pictureMutex_);
        picture_ = picture;
        connected_ = true;
    }
    FitToPicture(picture.width, picture.height);
    // The graph owns this filter, so it outlives the call; the sink is counted for it.
    ComPtr<IMediaEventSink> events;
    if (IFilterGraph* graph = Graph())
        graph->QueryInterface(IID_IMediaEventSink, events.ReceiveVoid());
    if (events)
        events->Notify(EC_VIDEO_SIZE_CHANGED, PackVideoSize(picture.width, picture.height), 0);
}

void VideoRenderer::Disconnected() {
    std::lock_guard lock(pictureMutex_);
    connected_ = false;
}

HRESULT VideoRenderer::OnRun(REFERENCE_TIME) {
    ShowIfAutomatic();
    return S_OK;
}

HRESULT VideoRenderer::OnPause(FILTER_STATE) {
    ShowIfAutomatic();
    return S_OK;
}

HRESULT VideoRenderer::Draw(IMediaSample* sample) {
    if (!sample)
        return E_POINTER;
    if (State() == State_Stopped)
        return VFW_E_WRONG_STATE;
    RgbPicture picture;
    {
        std::lock_guard lock(pictureMutex_);
        if (!connected_)
            return VFW_E_NOT_CONNECTED;
        picture = picture_;
    }
    uint8_t* bytes = nullptr;
    if (const HRESULT result = PictureBytes(sample, picture, &bytes); FAILED(result))
        return result;
    if (Slot()->Put(bytes, picture.width, picture.height, picture.stride, picture.bitCount, picture.bottomUp))
        FramePut();
    return S_OK;
}
