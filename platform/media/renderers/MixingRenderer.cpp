#include "platform/media/renderers/MixingRenderer.h"

#include "platform/media/core/MediaEventSink.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/UnicodeText.h"

namespace {

// EC_VMR_RENDERDEVICE_SET's parameter: the frames are drawn from system memory.
constexpr LONG_PTR kRenderDeviceSystemMemory = 0x04;

bool ValidMode(DWORD mode) {
    return mode == VMR9Mode_Windowed || mode == VMR9Mode_Windowless || mode == VMR9Mode_Renderless;
}

} // namespace

// One input stream: its connected picture, and its samples to the renderer.
class MixingRenderer::InputPin final : public BasePin {
public:
    InputPin(MixingRenderer& owner, DWORD stream)
        : BasePin(owner, Utf8ToUtf16(Format("VMR Input%u", stream)), PINDIR_INPUT), owner_(owner),
          stream_(stream) {}

    HRESULT Receive(IMediaSample* sample) override {
        RgbPicture picture;
        {
            std::lock_guard lock(mutex_);
            if (!connected_)
                return VFW_E_NOT_CONNECTED;
            picture = picture_;
        }
        return owner_.Draw(stream_, picture, sample);
    }
    // The connected picture; false when not connected.
    bool Picture(RgbPicture* picture) const {
        std::lock_guard lock(mutex_);
        *picture = picture_;
        return connected_;
    }

protected:
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override { return CheckRgbVideoType(type); }
    void OnConnected(const AM_MEDIA_TYPE& type) override {
        const RgbPicture picture = RgbPictureOf(type);
        {
            std::lock_guard lock(mutex_);
            picture_ = picture;
            connected_ = true;
        }
        owner_.Connected(stream_, picture);
    }
    void OnDisconnected() override {
        std::lock_guard lock(mutex_);
        connected_ = false;
    }

private:
    MixingRenderer& owner_;
    const DWORD stream_;
    mutable std::mutex mutex_; // guards picture_ and connected_
    RgbPicture picture_;
    bool connected_ = false;
};

MixingRenderer::MixingRenderer() : MediaFilter(CLSID_VideoMixingRenderer9) {
    for (DWORD stream = 0; stream < kMaxVmrStreams; ++stream)
        inputs_.push_back(std::make_unique<InputPin>(*this, stream));
}

MixingRenderer::~MixingRenderer() = default;

void* MixingRenderer::QueryOther(REFIID iid) {
    const DWORD mode = mode_.load();
    if ((iid == IID_IVideoWindow || iid == IID_IDispatch) && mode == VMR9Mode_Windowed)
        return static_cast<IVideoWindow*>(this);
    if (iid == IID_IVMRWindowlessControl9 && mode == VMR9Mode_Windowless)
        return static_cast<IVMRWindowlessControl9*>(this);
    if (iid == IID_IVMRSurfaceAllocatorNotify9 && mode == VMR9Mode_Renderless)
        return static_cast<IVMRSurfaceAllocatorNotify9*>(this);
    return nullptr;
}

std::vector<BasePin*> MixingRenderer::Pins() {
    std::vector<BasePin*> pins;
    for (DWORD stream = 0; stream < streams_.load(); ++stream)
        pins.push_back(inputs_[stream].get());
    return pins;
}

HRESULT MixingRenderer::JoinFilterGraph(IFilterGraph* graph, LPCOLESTR name) {
    if (graph && mode_.load() == VMR9Mode_Windowed) {
        CreateRendererWindow();
    } else if (!graph) {
        std::lock_guard lock(allocatorMutex_);
        allocator_.Reset();
    }
    return MediaFilter::JoinFilterGraph(graph, name);
}

bool MixingRenderer::AnyInputConnected() const {
    for (const auto& input : inputs_)
        if (input->IsConnected())
            return true;
    return false;
}

HRESULT MixingRenderer::SetNumberOfStreams(DWORD streams) {
    if (streams < 1 || streams > kMaxVmrStreams)
        return E_INVALIDARG;
    if (AnyInputConnected())
        return VFW_E_WRONG_STATE;
    streams_.store(streams);
    return S_OK;
}

HRESULT MixingRenderer::GetNumberOfStreams(DWORD* streams) {
    if (!streams)
        return E_POINTER;
    *streams = streams_.load();
    return S_OK;
}

HRESULT MixingRenderer::SetRenderingPrefs(DWORD prefs) {
    if (prefs & ~VMRRenderPrefs_Mask)
        return E_INVALIDARG;
    prefs_.store(prefs);
    return S_OK;
}

HRESULT MixingRenderer::GetRenderingPrefs(DWORD* prefs) {
    if (!prefs)
        return E_POINTER;
    *prefs = prefs_.load();
    return S_OK;
}

HRESULT MixingRenderer::SetRenderingMode(DWORD mode) {
    if (!ValidMode(mode))
        return E_INVALIDARG;
    if (mode == mode_.load())
        return S_OK;
    if (AnyInputConnected())
        return VFW_E_WRONG_STATE;
    mode_.store(mode);
    // Each mode's drawing surface exists only in that mode.
    if (mode == VMR9Mode_Windowed) {
        if (Graph())
            CreateRendererWindow();
    } else {
        DestroyRendererWindow();
    }
    if (mode != VMR9Mode_Windowless)
        windowless_.Close();
    return S_OK;
}

HRESULT MixingRenderer::GetRenderingMode(DWORD* mode) {
    if (!mode)
        return E_POINTER;
    *mode = mode_.load();
    return S_OK;
}

HRESULT MixingRenderer::GetAspectRatioMode(DWORD* mode) {
    if (!mode)
        return E_POINTER;
    *mode = aspectMode_.load();
    return S_OK;
}

HRESULT MixingRenderer::SetAspectRatioMode(DWORD mode) {
    if (mode != VMR9ARMode_None && mode != VMR9ARMode_LetterBox)
        return E_INVALIDARG;
    aspectMode_.store(mode);
    const bool keep = mode == VMR9ARMode_LetterBox;
    SetKeepAspectRatio(keep);
    windowless_.SetKeepAspectRatio(keep);
    return S_OK;
}

HRESULT MixingRenderer::GetNativeVideoSize(LONG* width, LONG* height, LONG* aspectWidth, LONG* aspectHeight) {
    RgbPicture picture;
    if (!inputs_[0]->Picture(&picture))
        return VFW_E_NOT_CONNECTED;
    // Pixels are square: the aspect ratio is the size's own.
    for (LONG* side : {width, aspectWidth})
        if (side)
            *side = picture.width;
    for (LONG* side : {height, aspectHeight})
        if (side)
            *side = picture.height;
    return S_OK;
}

HRESULT MixingRenderer::SetVideoPosition(const RECT* source, const RECT* destination) {
    if (!source && !destination)
        return E_POINTER;
    return windowless_.SetPosition(source, destination);
}

HRESULT MixingRenderer::GetVideoPosition(RECT* source, RECT* destination) {
    if (!source && !destination)
        return E_POINTER;
    RgbPicture picture;
    inputs_[0]->Picture(&picture);
    windowless_.Position(source, destination, picture.width, picture.height);
    return S_OK;
}

HRESULT MixingRenderer::SetVideoClippingWindow(HWND window) {
    if (mode_.load() != VMR9Mode_Windowless)
        return VFW_E_WRONG_STATE;
    if (!OnGuiThread())
        return E_UNEXPECTED;
    return windowless_.SetClippingWindow(window);
}

HRESULT MixingRenderer::AdviseSurfaceAllocator(DWORD_PTR userId, IVMRSurfaceAllocator9* allocator) {
    ComPtr<IVMRSurfaceAllocator9> replaced; // released after the lock
    std::lock_guard lock(allocatorMutex_);
    replaced = std::exchange(allocator_, ComPtr<IVMRSurfaceAllocator9>(allocator));
    userId_ = userId;
    return S_OK;
}

HRESULT MixingRenderer::NotifyEvent(LONG code, LONG_PTR param1, LONG_PTR param2) {
    if (!Graph())
        return VFW_E_NOT_IN_GRAPH;
    QueueEvent(code, param1, param2);
    return S_OK;
}

void MixingRenderer::QueueEvent(int32_t code, LONG_PTR param1, LONG_PTR param2) {
    // The graph owns this filter, so it outlives the call; the sink is counted for it.
    ComPtr<IMediaEventSink> events;
    if (IFilterGraph* graph = Graph())
        graph->QueryInterface(IID_IMediaEventSink, events.ReceiveVoid());
    if (events)
        events->Notify(code, param1, param2);
}

void MixingRenderer::Connected(DWORD stream, const RgbPicture& picture) {
    if (stream == 0 && mode_.load() == VMR9Mode_Windowed) {
        CreateRendererWindow();
        FitToPicture(picture.width, picture.height);
    }
}

HRESULT MixingRenderer::OnRun(REFERENCE_TIME) {
    ShowIfAutomatic();
    return S_OK;
}

HRESULT MixingRenderer::OnPause(FILTER_STATE) {
    ShowIfAutomatic();
    return S_OK;
}

HRESULT MixingRenderer::OnStop() {
    deviceAnnounced_.store(false);
    return S_OK;
}

HRESULT MixingRenderer::Draw(DWORD stream, const RgbPicture& picture, IMediaSample* sample) {
    if (!sample)
        return E_POINTER;
    if (State() == State_Stopped)
        return VFW_E_WRONG_STATE;
    uint8_t* bits = nullptr;
    if (const HRESULT result = PictureBytes(sample, picture, &bits); FAILED(result))
        return result;
    if (!deviceAnnounced_.exchange(true))
        QueueEvent(EC_VMR_RENDERDEVICE_SET, kRenderDeviceSystemMemory, 0);
    const DWORD mode = mode_.load();
    if (mode == VMR9Mode_Renderless) {
        Present(stream, picture, bits, sample);
    } else if (stream == 0 && Slot()->Put(bits, picture.width, picture.height, picture.stride,
                                          picture.bitCount, picture.bottomUp)) {
        if (mode == VMR9Mode_Windowed)
            FramePut();
        else
            windowless_.Repaint();
    }
    return S_OK;
}

void MixingRenderer::Present(DWORD stream, const RgbPicture& picture, const uint8_t* bits,
                             IMediaSample* sample) {
    ComPtr<IVMRSurfaceAllocator9> allocator;
    DWORD_PTR userId = 0;
    {
        std::lock_guard lock(allocatorMutex_);
        allocator = allocator_;
        userId = userId_;
    }
    if (!allocator)
        return;
    VmrFrame frame{
        bits, picture.width, picture.height, picture.stride, picture.bitCount, picture.bottomUp, stream, 0,
        0};
    if (FAILED(sample->GetTime(&frame.start, &frame.stop)))
        frame.start = frame.stop = 0;
    // An allocator that fails a frame loses that frame only: streaming goes on.
    allocator->PresentImage(userId, &frame);
}
