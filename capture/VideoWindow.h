#pragma once

#include "capture/GraphMemberComponent.h"
#include "platform/com/ComPtr.h"
#include "platform/media/VideoWindowInterface.h"
#include "platform/runtime/Component.h"
#include "platform/windows/WinTypes.h"

#include <QPoint>
#include <QPointer>

#include <functional>
#include <memory>

class QMenu;
class QWidget;
class TFilterGraph;

enum class TVideoMode { vmNormal, vmVMR };

// The video window control: a black control on the window, over which the graph's video
// renderer draws the live picture in its own window, kept exactly over the control (or covering
// the screen in full-screen mode). It is a member of a filter graph, contributing the renderer,
// and an event sink of it. The renderer window's mouse and keyboard input comes back to the
// control. GUI thread only.
class TVideoWindow : public TGraphMemberComponent, public IGraphEventSink {
public:
    TVideoWindow(TComponent* owner, QWidget* parent);
    ~TVideoWindow() override;

    // The visual control itself.
    QWidget* Control() const { return control_; }

    TVideoMode Mode() const { return mode_; }
    // vmVMR falls back to vmNormal while the mixing renderer is not available.
    void SetMode(TVideoMode mode);
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

    // The component's interface query: passed on to the renderer while there is one.
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
    ComPtr<IBaseFilter> renderer_;
    ComPtr<IVideoWindow> videoWindow_;
};
