#include "platform/media/renderers/WindowlessView.h"

#include "platform/media/renderers/VideoRendererWidget.h"
#include "platform/media/renderers/VideoWindowControl.h"
#include "platform/windows/WindowServices.h"

namespace {

QRect QRectOf(const RECT& rect) {
    return QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

} // namespace

WindowlessView::~WindowlessView() {
    VideoWindowControl::DestroyOnGuiThread(painter_.exchange(nullptr));
}

HRESULT WindowlessView::SetClippingWindow(HWND window) {
    QWidget* clipping = WidgetOf(window);
    if (!clipping)
        return E_INVALIDARG;
    Close();
    if (!destinationSet_) {
        GetClientRect(window, &destination_);
        destinationSet_ = true;
    }
    auto* widget = new VideoRendererWidget(slot_); // owned by its window from here on
    widget->setAttribute(Qt::WA_TransparentForMouseEvents);
    const HWND painter = CreateWindowEx(0, "VMRWindowlessPainter", "", WS_CHILD, 0, 0, 0, 0, window, widget);
    if (!painter)
        return E_UNEXPECTED;
    RepaintOnFrameMessage(painter, widget);
    painter_.store(painter, std::memory_order_release);
    Apply();
    widget->show();
    return S_OK;
}

HRESULT WindowlessView::SetPosition(const RECT* source, const RECT* destination) {
    if (source && (source->left < 0 || source->top < 0 || source->right <= source->left ||
                   source->bottom <= source->top))
        return E_INVALIDARG;
    if (destination && (destination->right < destination->left || destination->bottom < destination->top))
        return E_INVALIDARG;
    sourceSet_ = source != nullptr;
    if (source)
        source_ = *source;
    if (destination) {
        destination_ = *destination;
        destinationSet_ = true;
    }
    Apply();
    return S_OK;
}

void WindowlessView::Position(RECT* source, RECT* destination, int width, int height) const {
    if (source)
        *source = sourceSet_ ? source_ : RECT{0, 0, width, height};
    if (destination)
        *destination = destination_;
}

void WindowlessView::SetKeepAspectRatio(bool keep) {
    keepAspectRatio_ = keep;
    Apply();
}

void WindowlessView::Close() {
    if (const HWND painter = painter_.exchange(nullptr, std::memory_order_acq_rel))
        DestroyWindow(painter);
}

void WindowlessView::Repaint() {
    if (const HWND painter = Painter())
        PostMessage(painter, kFrameRepaintMessage, 0, 0);
}

void WindowlessView::Apply() {
    const HWND painter = Painter();
    auto* widget = painter ? static_cast<VideoRendererWidget*>(WidgetOf(painter)) : nullptr;
    if (!widget)
        return;
    widget->setGeometry(QRectOf(destination_));
    widget->SetSource(sourceSet_ ? QRectOf(source_) : QRect());
    widget->SetKeepAspectRatio(keepAspectRatio_);
}
