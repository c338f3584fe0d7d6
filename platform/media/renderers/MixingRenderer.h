#pragma once

#include "platform/media/core/VmrInterfaces.h"
#include "platform/media/pins/MediaFilter.h"
#include "platform/media/renderers/RgbPicture.h"
#include "platform/media/renderers/VideoWindowControl.h"
#include "platform/media/renderers/WindowlessView.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

// The video mixing renderer 9: takes 24- and 32-bit RGB video-info samples on up to 16 input
// pins ("VMR Input0" ...) and shows them in one of three rendering modes:
// - windowed (the default): in a window of its own, as the classic renderer does, through
//   IVideoWindow;
// - windowless: in a child of the client's clipping window, at the rectangle that
//   IVMRWindowlessControl9 sets;
// - renderless: it draws nothing and hands every frame to the allocator the client advised
//   through IVMRSurfaceAllocatorNotify9 (IVMRSurfaceAllocator9::PresentImage).
// Each mode's interface is answered only in that mode. IVMRAspectRatioControl9 chooses between
// stretching and letter-boxing the picture in the first two.
//
// Mixing: the windowed and windowless pictures are stream 0's; frames of the other streams are
// taken and dropped. In renderless mode every stream's frames go to the allocator, marked with
// their stream, so that the client can compose them.
//
// Configuration rules: the rendering mode and the number of streams can no longer change once an
// input pin is connected (VFW_E_WRONG_STATE), as the connected streams were negotiated for them.
// The rendering preferences are kept and read back; they choose nothing on this platform.
//
// The first frame received after the renderer was stopped queues EC_VMR_RENDERDEVICE_SET
// (parameter: system memory) with its graph: that is when its drawing device is in use.
//
// An advised allocator is released when the allocator is replaced, when the renderer leaves its
// graph, or with the renderer. An allocator usually holds the renderer's notify interface, so
// leaving the graph is what breaks that cycle.
//
// Threads: created, configured, connected, run, stopped and placed on the GUI thread, where its
// windows live. Receive runs on the streaming thread and never waits for the GUI thread.
class MixingRenderer final : public MediaFilter<IVMRFilterConfig9, IVMRAspectRatioControl9>,
                             public VideoWindowControl,
                             public IVMRWindowlessControl9,
                             public IVMRSurfaceAllocatorNotify9 {
public:
    MixingRenderer();

    HRESULT QueryInterface(REFIID iid, void** object) override {
        return MediaFilter::QueryInterface(iid, object);
    }
    ULONG AddRef() override { return MediaFilter::AddRef(); }
    ULONG Release() override { return MediaFilter::Release(); }

    HRESULT JoinFilterGraph(IFilterGraph* graph, LPCOLESTR name) override;

    // IVMRFilterConfig9
    HRESULT SetNumberOfStreams(DWORD streams) override;
    HRESULT GetNumberOfStreams(DWORD* streams) override;
    HRESULT SetRenderingPrefs(DWORD prefs) override;
    HRESULT GetRenderingPrefs(DWORD* prefs) override;
    HRESULT SetRenderingMode(DWORD mode) override;
    HRESULT GetRenderingMode(DWORD* mode) override;

    // IVMRAspectRatioControl9 and IVMRWindowlessControl9
    HRESULT GetAspectRatioMode(DWORD* mode) override;
    HRESULT SetAspectRatioMode(DWORD mode) override;

    // IVMRWindowlessControl9
    HRESULT GetNativeVideoSize(LONG* width, LONG* height, LONG* aspectWidth, LONG* aspectHeight) override;
    HRESULT SetVideoPosition(const RECT* source, const RECT* destination) override;
    HRESULT GetVideoPosition(RECT* source, RECT* destination) override;
    HRESULT SetVideoClippingWindow(HWND window) override;

    // IVMRSurfaceAllocatorNotify9
    HRESULT AdviseSurfaceAllocator(DWORD_PTR userId, IVMRSurfaceAllocator9* allocator) override;
    HRESULT NotifyEvent(LONG code, LONG_PTR param1, LONG_PTR param2) override;

    // The child painting the frames in windowless mode (null before a clipping window is set).
    HWND WindowlessPainter() const { return windowless_.Painter(); }

private:
    class InputPin;

    ~MixingRenderer() override;
    void* QueryOther(REFIID iid) override;
    std::vector<BasePin*> Pins() override;
    HRESULT OnRun(REFERENCE_TIME) override;
    HRESULT OnPause(FILTER_STATE) override;
    HRESULT OnStop() override;

    bool AnyInputConnected() const;
    void Connected(DWORD stream, const RgbPicture& picture);
    HRESULT Draw(DWORD stream, const RgbPicture& picture, IMediaSample* sample);
    void Present(DWORD stream, const RgbPicture& picture, const uint8_t* bits, IMediaSample* sample);
    void QueueEvent(int32_t code, LONG_PTR param1, LONG_PTR param2);

    std::vector<std::unique_ptr<InputPin>> inputs_; // all 16, for the pins' whole life
    WindowlessView windowless_{Slot()};             // GUI thread

    std::atomic<DWORD> mode_{VMR9Mode_Windowed};
    std::atomic<DWORD> streams_{1};
    std::atomic<DWORD> prefs_{0};
    std::atomic<DWORD> aspectMode_{VMR9ARMode_None};
    std::atomic<bool> deviceAnnounced_{false}; // EC_VMR_RENDERDEVICE_SET queued since the stop

    std::mutex allocatorMutex_; // guards allocator_ and userId_
    ComPtr<IVMRSurfaceAllocator9> allocator_;
    DWORD_PTR userId_ = 0;
};
