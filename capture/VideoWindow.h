#pragma once

#include "capture/GraphMemberComponent.h"
#include "capture/VMROptions.h"
#include "platform/com/ComPtr.h"
#include "platform/media/core/VideoWindowInterface.h"
#include "platform/media/core/VmrInterfaces.h"
#include "platform/runtime/Component.h"
#include "platform/windows/WinTypes.h"

#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class QMenu;
class TFilterGraph;

enum class TVideoMode { vmNormal, vmVMR };

// The class of a renderless client's surface allocator: makes one for the video window's
// control window, given two optional device references (none here), and reports a failure in
// `result`. The object answers IVMRSurfaceAllocator9, which takes the renderer's notify
// interface.
using TSurfaceAllocatorClass =
    std::function<ComPtr<IUnknown>(HRESULT& result, HWND window, IUnknown* device, IUnknown* direct3D)>;

// The video window control: a black control on the window, over which the graph's video
// renderer draws the live picture in its own window, kept exactly over the control (or covering
// the screen in full-screen mode). It is a member of a filter graph, contributing the renderer,
// and an event sink of it. The renderer window's mouse and keyboard input comes back to the
// control. GUI thread only.
//
// In vmVMR the renderer is the video mixing renderer 9, configured by VMROptions: windowed (its
// own window, placed like the classic one's), windowless (drawing into the control itself) or
// renderless (frames go to an allocator made from SurfaceAllocatorClass).
class TVideoWindow : public TGraphMemberComponent, public IGraphEventSink {
public:
    TVideoWindow(TComponent* owner, QWidget* parent);
    ~TVideoWindow() override;

    // The visual control itself.
    QWidget* Control() const { return control_; }

    TVideoMode Mode() const { return mode_; }
    // vmVMR falls back to vmNormal when the mixing renderer is not available. While the graph is
    // active, the renderer is rebuilt.
    void SetMode(TVideoMode mode);
    TVMROptions& VMROptions() { return vmrOptions_; }
    const TVMROptions& VMROptions() const { return vmrOptions_; }
    // Whether the mixing renderer can be created. The floating-point environment is the same
    // afterwards as before.
    static bool VMR9Available();
    // The renderless mode's allocator class; not stored with the layout.
    TSurfaceAllocatorClass SurfaceAllocatorClass;
    bool FullScreen() const { return fullScreen_; }
    void SetFullScreen(bool fullScreen);
    bool FullScreenTopMost() const { return fullScreenTopMost_; }
    void SetFullScreenTopMost(bool topMost);
    bool Visible() const;
    void SetVisible(bool visible);
    // The renderer's window when there is one, else the control's own.
    HWND VideoHandle() const;

    // Shown at the cursor on a context-menu request while full screen.
    QMenu* PopupMenu = nullptr;
    // Mouse input on the control, or on the renderer's window passed back to it: the position
    // is the control's own, or the screen's while full screen.
    std::function<void(TVideoWindow&, Qt::MouseButton, QPoint)> OnMouseDown;
    std::function<void(TVideoWindow&, Qt::MouseButton, QPoint)> OnMouseUp;
    std::function<void(TVideoWindow&, QPoint)> OnMouseMove;

    // The component's interface query: IVMRWindowlessControl9 is the windowless control while
    // there is one; the rest is passed on to the renderer while there is one.
    HRESULT QueryInterface(REFIID iid, void** object);
    template <typename I> ComPtr<I> Query() {
        ComPtr<I> result;
        QueryInterface(IIDOf<I>(), result.ReceiveVoid());
        return result;
    }

    IBaseFilter* MemberFilter() override { return renderer_.Get(); }
    void MemberNotify(TMemberNotifyKind kind, int32_t param) override;
    void HandleGraphEvent(int32_t event, intptr_t param1, intptr_t param2) override;
    void HandleControlEvent(TGraphControlEvent event, int32_t param) override;

protected:
    IGraphEventSink* EventSink() override { return this; }

private:
    class ControlEvents;

    void CreateMixingRenderer();
    void BindMixingRenderer();
    void ExchangePreferences(IVMRFilterConfig9& config);
    bool RendererConnected() const;
    void Place(bool fullScreen);
    void PlaceAndBind();
    void SetCaptionAndDrain();
    void FollowControl();
    void HandleDrainedMessage(const MSG& message);

    QPointer<QWidget> control_;
    std::unique_ptr<ControlEvents> controlEvents_;
    TVideoMode mode_ = TVideoMode::vmNormal;
    bool fullScreen_ = false;
    bool fullScreenTopMost_ = false;
    bool fullScreenState_ = false;
    DWORD savedStyle_ = 0;
    DWORD savedExStyle_ = 0;
    TVMROptions vmrOptions_{*this};
    ComPtr<IBaseFilter> renderer_;
    ComPtr<IVideoWindow> videoWindow_;
    ComPtr<IVMRWindowlessControl9> windowless_;
    ComPtr<IVMRSurfaceAllocator9> allocator_; // renderless: the allocator made from the class
};
