#include "capture/VideoWindow.h"

#include "capture/DirectShowErrors.h"
#include "capture/FilterGraph.h"
#include "capture/PinList.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/Variant.h"
#include "platform/media/core/GraphInterfaces.h"
#include "platform/media/renderers/VideoRenderer.h"
#include "platform/runtime/UnicodeText.h"
#include "platform/windows/WindowServices.h"

#include <QCursor>
#include <QEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QWidget>

#include <cfenv>

namespace {

constexpr UINT WM_CONTEXTMENU = 0x007B;
constexpr DWORD kWithoutCaptionAndFrame = 0xFF3BFFFF;
constexpr DWORD kWithoutEdges = 0xFFFDFCFE;

Qt::MouseButton ButtonOf(UINT message) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        return Qt::LeftButton;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        return Qt::RightButton;
    default:
        return Qt::MiddleButton;
    }
}

// Creating the mixing renderer may change the floating-point environment (rounding, exception
// masks): it is saved on construction and put back on destruction, whatever happened between.
class FloatingPointEnvironmentGuard {
public:
    FloatingPointEnvironmentGuard() { fegetenv(&saved_); }
    ~FloatingPointEnvironmentGuard() { fesetenv(&saved_); }
    FloatingPointEnvironmentGuard(const FloatingPointEnvironmentGuard&) = delete;
    FloatingPointEnvironmentGuard& operator=(const FloatingPointEnvironmentGuard&) = delete;

private:
    fenv_t saved_;
};

// The context the mixing renderer is asked for in: in-process server or handler.
constexpr DWORD kMixingRendererContext = CLSCTX_INPROC;

} // namespace

// Watches the control: its moves and resizes keep the renderer's window over it, and its own
// mouse input is reported like the renderer window's.
class TVideoWindow::ControlEvents : public QObject {
public:
    explicit ControlEvents(TVideoWindow& owner) : owner_(owner) {}

    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Resize:
        case QEvent::Move:
            owner_.FollowControl();
            break;
        case QEvent::MouseButtonPress:
            if (owner_.OnMouseDown) {
                auto* mouse = static_cast<QMouseEvent*>(event);
                owner_.OnMouseDown(owner_, mouse->button(), mouse->position().toPoint());
            }
            break;
        case QEvent::MouseButtonRelease:
            if (owner_.OnMouseUp) {
                auto* mouse = static_cast<QMouseEvent*>(event);
                owner_.OnMouseUp(owner_, mouse->button(), mouse->position().toPoint());
            }
            break;
        case QEvent::MouseMove:
            if (owner_.OnMouseMove)
                owner_.OnMouseMove(owner_, static_cast<QMouseEvent*>(event)->position().toPoint());
            break;
        default:
            break;
        }
        return false;
    }

private:
    TVideoWindow& owner_;
};

TVideoWindow::TVideoWindow(TComponent* owner, QWidget* parent)
    : TGraphMemberComponent(owner), control_(new QWidget(parent)),
      controlEvents_(std::make_unique<ControlEvents>(*this)) {
    control_->resize(160, 120);
    control_->setAutoFillBackground(true);
    QPalette black = control_->palette();
    black.setColor(QPalette::Window, Qt::black);
    control_->setPalette(black);
    control_->setFocusPolicy(Qt::StrongFocus);
    control_->installEventFilter(controlEvents_.get());
    const HWND handle = HandleOf(control_);
    savedStyle_ = static_cast<DWORD>(GetWindowLong(handle, GWL_STYLE));
    savedExStyle_ = static_cast<DWORD>(GetWindowLong(handle, GWL_EXSTYLE));
    SetWindowProcedure(handle, [this](const MSG& message) { HandleDrainedMessage(message); });
}

TVideoWindow::~TVideoWindow() {
    LeaveGraph();
    if (control_) {
        control_->removeEventFilter(controlEvents_.get());
        std::unique_ptr<QWidget> control(control_.data()); // the control goes with its component
    }
}

bool TVideoWindow::VMR9Available() {
    ComPtr<IBaseFilter> renderer;
    HRESULT result;
    {
        FloatingPointEnvironmentGuard environment;
        result = CoCreateInstance(CLSID_VideoMixingRenderer9, nullptr, kMixingRendererContext,
                                  IID_IBaseFilter, renderer.ReceiveVoid());
    }
    return result == S_OK;
}

void TVideoWindow::SetMode(TVideoMode mode) {
    mode_ = mode == TVideoMode::vmVMR && !VMR9Available() ? TVideoMode::vmNormal : mode;
    if (FilterGraph() && FilterGraph()->Active()) {
        FilterGraph()->DetachMember(this);
        FilterGraph()->AttachMember(this);
    }
}

HRESULT TVideoWindow::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IVMRWindowlessControl9 && windowless_) {
        *object = ComPtr<IVMRWindowlessControl9>(windowless_).Detach();
        return S_OK;
    }
    return renderer_ ? renderer_->QueryInterface(iid, object) : E_NOINTERFACE;
}

void TVideoWindow::MemberNotify(TMemberNotifyKind kind, int32_t) {
    switch (kind) {
    case TMemberNotifyKind::mnAdding:
        renderer_.Reset();
        if (mode_ == TVideoMode::vmVMR)
            CreateMixingRenderer();
        else
            CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                             renderer_.ReceiveVoid());
        break;
    case TMemberNotifyKind::mnAdded:
        if (renderer_ && mode_ == TVideoMode::vmVMR)
            BindMixingRenderer();
        else if (renderer_)
            CheckDirectShowResult(renderer_->QueryInterface(IID_IVideoWindow, videoWindow_.ReceiveVoid()));
        break;
    case TMemberNotifyKind::mnRemoving:
        if (renderer_) {
            CheckDirectShowResult(renderer_->Stop());
            TPinList pins(renderer_.Get());
            for (int i = 0; i < pins.Count(); ++i)
                CheckDirectShowResult(pins.Items(i)->Disconnect());
            if (allocator_ && mode_ == TVideoMode::vmVMR &&
                vmrOptions_.Mode() == TVMRVideoMode::vmrRenderless)
                allocator_.Reset();
        }
        break;
    case TMemberNotifyKind::mnRemoved:
        videoWindow_.Reset();
        windowless_.Reset();
        renderer_.Reset();
        break;
    case TMemberNotifyKind::mnRefresh:
        break;
    }
}

void TVideoWindow::CreateMixingRenderer() {
    FloatingPointEnvironmentGuard environment;
    // The result is not examined: without a renderer, binding and placement do nothing.
    CoCreateInstance(CLSID_VideoMixingRenderer9, nullptr, kMixingRendererContext, IID_IBaseFilter,
                     renderer_.ReceiveVoid());
    if (!renderer_)
        return;
    ComPtr<IVMRFilterConfig9> config;
    renderer_->QueryInterface(IID_IVMRFilterConfig9, config.ReceiveVoid());
    if (!config)
        return;
    switch (vmrOptions_.Mode()) {
    case TVMRVideoMode::vmrWindowed:
        CheckDirectShowResult(config->SetRenderingMode(VMR9Mode_Windowed));
        break;
    case TVMRVideoMode::vmrWindowless:
        CheckDirectShowResult(config->SetRenderingMode(VMR9Mode_Windowless));
        break;
    case TVMRVideoMode::vmrRenderless: {
        if (!SurfaceAllocatorClass)
            throw EDSComponentException("Allocator class not set.", 0);
        HRESULT result = S_OK;
        ComPtr<IUnknown> created = SurfaceAllocatorClass(result, HandleOf(control_), nullptr, nullptr);
        if (FAILED(result))
            throw EDSComponentException("Error Creating Allocator", result);
        CheckDirectShowResult(config->SetRenderingMode(VMR9Mode_Renderless));
        ComPtr<IVMRSurfaceAllocatorNotify9> notify;
        CheckDirectShowResult(
            renderer_->QueryInterface(IID_IVMRSurfaceAllocatorNotify9, notify.ReceiveVoid()));
        ComPtr<IVMRSurfaceAllocator9> allocator;
        CheckDirectShowResult(
            created ? created->QueryInterface(IID_IVMRSurfaceAllocator9, allocator.ReceiveVoid())
                    : E_NOINTERFACE);
        // The renderer counts its own reference to the allocator; the component keeps one more
        // until the renderer leaves the graph.
        notify->AdviseSurfaceAllocator(0, allocator.Get());
        allocator_ = allocator;
        allocator->AdviseNotify(notify.Get());
        break;
    }
    }
}

void TVideoWindow::BindMixingRenderer() {
    ComPtr<IVMRFilterConfig9> config;
    if (CheckDirectShowResult(renderer_->QueryInterface(IID_IVMRFilterConfig9, config.ReceiveVoid())) != S_OK)
        return;
    // With 4 streams and no forced mixer the renderer keeps the number it has.
    if (vmrOptions_.streams_ != 4 || vmrOptions_.preferences_.Contains(TVMRPreference::vpForceMixer)) {
        CheckDirectShowResult(config->SetNumberOfStreams(vmrOptions_.streams_));
        DWORD streams = 0;
        CheckDirectShowResult(config->GetNumberOfStreams(&streams));
        vmrOptions_.streams_ = streams;
    }
    switch (vmrOptions_.Mode()) {
    case TVMRVideoMode::vmrWindowed:
        CheckDirectShowResult(renderer_->QueryInterface(IID_IVideoWindow, videoWindow_.ReceiveVoid()));
        ExchangePreferences(*config);
        break;
    case TVMRVideoMode::vmrWindowless:
        CheckDirectShowResult(
            renderer_->QueryInterface(IID_IVMRWindowlessControl9, windowless_.ReceiveVoid()));
        CheckDirectShowResult(windowless_->SetVideoClippingWindow(HandleOf(control_)));
        ExchangePreferences(*config);
        FollowControl();
        break;
    case TVMRVideoMode::vmrRenderless:
        break;
    }
    config.Reset();
    vmrOptions_.SetKeepAspectRatio(vmrOptions_.KeepAspectRatio());
}

void TVideoWindow::ExchangePreferences(IVMRFilterConfig9& config) {
    // The mixer is the number of streams' business: it is not passed as a preference, and stays
    // in the set as the user put it.
    const bool forceMixer = vmrOptions_.preferences_.Contains(TVMRPreference::vpForceMixer);
    CheckDirectShowResult(
        config.SetRenderingPrefs(vmrOptions_.preferences_.Without(TVMRPreference::vpForceMixer).Bits()));
    DWORD answered = 0;
    CheckDirectShowResult(config.GetRenderingPrefs(&answered));
    TVMRPreferences preferences = TVMRPreferences::FromBits(answered);
    vmrOptions_.preferences_ = forceMixer ? preferences.With(TVMRPreference::vpForceMixer) : preferences;
}

bool TVideoWindow::RendererConnected() const {
    if (!renderer_)
        return false;
    TPinList pins(renderer_.Get());
    for (int i = 0; i < pins.Count(); ++i)
        if (pins.Connected(i))
            return true;
    return false;
}

void TVideoWindow::Place(bool fullScreen) {
    if (videoWindow_ && RendererConnected() && control_) {
        if (!fullScreen) {
            QWidget* parent = control_->parentWidget();
            CheckDirectShowResult(
                videoWindow_->put_Owner(reinterpret_cast<OAHWND>(parent ? HandleOf(parent) : nullptr)));
            CheckDirectShowResult(
                videoWindow_->put_WindowStyle(static_cast<LONG>(savedStyle_ | WS_CHILD | WS_CLIPSIBLINGS)));
            CheckDirectShowResult(videoWindow_->put_WindowStyleEx(static_cast<LONG>(savedExStyle_)));
            const QRect bounds = control_->geometry();
            CheckDirectShowResult(videoWindow_->SetWindowPosition(bounds.left(), bounds.top(), bounds.width(),
                                                                  bounds.height()));
            fullScreenState_ = false;
        } else {
            CheckDirectShowResult(videoWindow_->put_Owner(0));
            CheckDirectShowResult(
                videoWindow_->put_WindowStyle(static_cast<LONG>(savedStyle_ & kWithoutCaptionAndFrame)));
            const DWORD exStyle = (savedExStyle_ & kWithoutEdges) | (fullScreenTopMost_ ? WS_EX_TOPMOST : 0);
            CheckDirectShowResult(videoWindow_->put_WindowStyleEx(static_cast<LONG>(exStyle)));
            CheckDirectShowResult(videoWindow_->SetWindowPosition(0, 0, GetSystemMetrics(SM_CXSCREEN),
                                                                  GetSystemMetrics(SM_CYSCREEN)));
            fullScreenState_ = true;
        }
    }
    if (windowless_)
        fullScreenState_ = false;
    fullScreen_ = fullScreen;
}

void TVideoWindow::SetFullScreen(bool fullScreen) {
    Place(fullScreen);
}

void TVideoWindow::SetFullScreenTopMost(bool topMost) {
    fullScreenTopMost_ = topMost;
    if (fullScreen_)
        Place(true);
}

void TVideoWindow::PlaceAndBind() {
    Place(fullScreen_);
    SetCaptionAndDrain();
}

void TVideoWindow::SetCaptionAndDrain() {
    if (!Name().empty()) {
        const std::u16string caption = Utf8ToUtf16(Name());
        BSTR text = SysAllocString(caption.c_str());
        const HRESULT result = videoWindow_->put_Caption(text);
        SysFreeString(text);
        CheckDirectShowResult(result);
    }
    CheckDirectShowResult(videoWindow_->put_MessageDrain(reinterpret_cast<OAHWND>(HandleOf(control_))));
}

void TVideoWindow::HandleControlEvent(TGraphControlEvent event, int32_t) {
    if (event != TGraphControlEvent::gcRun || !RendererConnected())
        return;
    if (mode_ == TVideoMode::vmVMR)
        Place(fullScreen_); // the caption and the drain follow EC_VMR_RENDERDEVICE_SET
    else if (videoWindow_)
        PlaceAndBind();
}

void TVideoWindow::HandleGraphEvent(int32_t event, intptr_t, intptr_t) {
    if (!videoWindow_)
        return;
    if (event == EC_PALETTE_CHANGED) {
        PlaceAndBind();
    } else if (event == EC_VMR_RENDERDEVICE_SET && vmrOptions_.Mode() == TVMRVideoMode::vmrWindowed) {
        SetCaptionAndDrain();
    }
}

void TVideoWindow::FollowControl() {
    if (!control_)
        return;
    const TVMRVideoMode vmrMode = vmrOptions_.Mode();
    // Position updates are not examined: a renderer that refuses one keeps its place.
    if (mode_ == TVideoMode::vmNormal || vmrMode == TVMRVideoMode::vmrWindowed) {
        if (videoWindow_ && !fullScreen_) {
            const QRect bounds = control_->geometry();
            videoWindow_->SetWindowPosition(bounds.left(), bounds.top(), bounds.width(), bounds.height());
        }
    } else if (vmrMode == TVMRVideoMode::vmrWindowless && windowless_) {
        const RECT destination{0, 0, control_->width(), control_->height()};
        windowless_->SetVideoPosition(nullptr, &destination);
    }
}

bool TVideoWindow::Visible() const {
    return control_ && control_->isVisible();
}

void TVideoWindow::SetVisible(bool visible) {
    if (control_)
        control_->setVisible(visible);
    if (videoWindow_)
        CheckDirectShowResult(videoWindow_->put_Visible(visible ? OATRUE : OAFALSE));
}

HWND TVideoWindow::VideoHandle() const {
    if (videoWindow_ && control_ && control_->parentWidget())
        return FindWindowEx(HandleOf(control_->parentWidget()), nullptr, "VideoRenderer", Name());
    return control_ ? HandleOf(control_) : nullptr;
}

void TVideoWindow::HandleDrainedMessage(const MSG& message) {
    // Input of the renderer's window, passed to the control. While full screen, positions are
    // the cursor's on the screen, which the window covers from (0, 0).
    const QPoint at = fullScreenState_
                          ? QCursor::pos()
                          : QPoint(LowWordSigned(message.lParam), HighWordSigned(message.lParam));
    switch (message.message) {
    case WM_CONTEXTMENU:
        if (fullScreen_ && PopupMenu)
            PopupMenu->popup(QCursor::pos());
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (OnMouseDown)
            OnMouseDown(*this, ButtonOf(message.message), at);
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        if (OnMouseUp)
            OnMouseUp(*this, ButtonOf(message.message), at);
        break;
    case WM_MOUSEMOVE:
        if (OnMouseMove)
            OnMouseMove(*this, at);
        break;
    default:
        break;
    }
}
