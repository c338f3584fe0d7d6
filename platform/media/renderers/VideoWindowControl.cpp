#include "platform/media/renderers/VideoWindowControl.h"

#include "platform/media/renderers/VideoRendererWidget.h"
#include "platform/runtime/UnicodeText.h"
#include "platform/windows/PostedCall.h"
#include "platform/windows/WindowServices.h"

#include <QCoreApplication>
#include <QThread>

namespace {

// Styles a window of the renderer cannot take.
constexpr DWORD kRefusedStyles = 0x08000000 /* disabled */ | 0x20000000 /* iconic */ |
                                 0x01000000 /* maximised */ | 0x00100000 /* horizontal scroll */ |
                                 0x00200000 /* vertical scroll */;

} // namespace

bool VideoWindowControl::OnGuiThread() {
    const QCoreApplication* application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

VideoWindowControl::~VideoWindowControl() {
    DestroyOnGuiThread(window_.load(std::memory_order_acquire));
}

void VideoWindowControl::DestroyOnGuiThread(HWND window) {
    if (!window)
        return;
    if (OnGuiThread()) {
        DestroyWindow(window);
    } else if (QCoreApplication* application = QCoreApplication::instance()) {
        // The window belongs to the GUI thread: it goes there, a dead handle being refused.
        PostCall(application, [window] { DestroyWindow(window); });
    }
}

void VideoWindowControl::CreateRendererWindow() {
    if (Window() || !OnGuiThread())
        return;
    auto* widget = new VideoRendererWidget(slot_); // owned by its window from here on
    widget->SetKeepAspectRatio(keepAspectRatio_);
    const HWND window = CreateWindowEx(0, "VideoRenderer", "ActiveMovie Window",
                                       WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 320,
                                       240, nullptr, widget);
    if (!window)
        return;
    RepaintOnFrameMessage(window, widget);
    window_.store(window, std::memory_order_release);
}

void VideoWindowControl::DestroyRendererWindow() {
    if (const HWND window = window_.exchange(nullptr, std::memory_order_acq_rel))
        DestroyWindow(window);
}

void VideoWindowControl::ShowIfAutomatic() {
    const HWND window = Window();
    if (window && autoShow_.load(std::memory_order_relaxed) && OnGuiThread())
        ShowWindow(window, SW_SHOW);
}

void VideoWindowControl::FitToPicture(int width, int height) {
    if (const HWND window = Window(); window && OnGuiThread() && !GetParent(window))
        SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
}

void VideoWindowControl::FramePut() {
    if (const HWND window = Window())
        PostMessage(window, kFrameRepaintMessage, 0, 0);
}

void VideoWindowControl::SetKeepAspectRatio(bool keep) {
    keepAspectRatio_ = keep;
    if (const HWND window = Window())
        if (auto* widget = static_cast<VideoRendererWidget*>(WidgetOf(window)))
            widget->SetKeepAspectRatio(keep);
}

HRESULT VideoWindowControl::put_Caption(BSTR caption) {
    const HWND window = Window();
    if (!window)
        return E_UNEXPECTED;
    SetWindowText(window, Utf16ToUtf8(caption ? std::u16string(caption, SysStringLen(caption)) : u""));
    return S_OK;
}

HRESULT VideoWindowControl::get_Caption(BSTR* caption) {
    if (!caption)
        return E_POINTER;
    const HWND window = Window();
    if (!window)
        return E_UNEXPECTED;
    const std::u16string text = Utf8ToUtf16(GetWindowText(window));
    *caption = SysAllocStringLen(text.data(), static_cast<uint32_t>(text.size()));
    return *caption ? S_OK : E_OUTOFMEMORY;
}

HRESULT VideoWindowControl::put_WindowStyle(LONG style) {
    const HWND window = Window();
    if (!window)
        return E_UNEXPECTED;
    if (static_cast<DWORD>(style) & kRefusedStyles)
        return E_INVALIDARG;
    // Showing and hiding is put_Visible's business.
    const DWORD visible = static_cast<DWORD>(GetWindowLong(window, GWL_STYLE)) & WS_VISIBLE;
    SetWindowLong(window, GWL_STYLE, static_cast<LONG>((static_cast<DWORD>(style) & ~WS_VISIBLE) | visible));
    return S_OK;
}

HRESULT VideoWindowControl::ReadWindowLong(int index, LONG* value) {
    if (!value)
        return E_POINTER;
    const HWND window = Window();
    if (!window)
        return E_UNEXPECTED;
    *value = GetWindowLong(window, index);
    return S_OK;
}

HRESULT VideoWindowControl::get_WindowStyle(LONG* style) {
    return ReadWindowLong(GWL_STYLE, style);
}

HRESULT VideoWindowControl::put_WindowStyleEx(LONG style) {
    const HWND window = Window();
    if (!window)
        return E_UNEXPECTED;
    SetWindowLong(window, GWL_EXSTYLE, style);
    return S_OK;
}

HRESULT VideoWindowControl::get_WindowStyleEx(LONG* style) {
    return ReadWindowLong(GWL_EXSTYLE, style);
}

HRESULT VideoWindowControl::put_AutoShow(LONG autoShow) {
    autoShow_.store(autoShow != OAFALSE, std::memory_order_relaxed);
    return S_OK;
}

HRESULT VideoWindowControl::get_AutoShow(LONG* autoShow) {
    if (!autoShow)
        return E_POINTER;
    *autoShow = autoShow_.load(std::memory_order_relaxed) ? OATRUE : OAFALSE;
    return S_OK;
}

HRESULT VideoWindowControl::put_Visible(LONG visible) {
    const HWND window = Window();
    if (!window)
        return E_UNEXPECTED;
    // Any true value shows it, as callers passing TRUE rather than OATRUE expect.
    ShowWindow(window, visible != OAFALSE ? SW_SHOW : SW_HIDE);
    return S_OK;
}

HRESULT VideoWindowControl::get_Visible(LONG* visible) {
    if (!visible)
        return E_POINTER;
    const HWND window = Window();
    if (!window)
        return E_UNEXPECTED;
    *visible = IsWindowVisible(window) ? OATRUE : OAFALSE;
    return S_OK;
}

HRESULT VideoWindowControl::put_Owner(OAHWND owner) {
    const HWND window = Window();
    if (!window)
        return E_UNEXPECTED;
    const auto parent = reinterpret_cast<HWND>(owner);
    if (parent && !IsWindow(parent))
        return E_INVALIDARG;
    SetParent(window, parent);
    return S_OK;
}

HRESULT VideoWindowControl::get_Owner(OAHWND* owner) {
    if (!owner)
        return E_POINTER;
    const HWND window = Window();
    if (!window)
        return E_UNEXPECTED;
    *owner = reinterpret_cast<OAHWND>(GetParent(window));
    return S_OK;
}

HRESULT VideoWindowControl::put_MessageDrain(OAHWND drain) {
    const HWND window = Window();
    if (!window)
        return E_UNEXPECTED;
    SetMessageDrain(window, reinterpret_cast<HWND>(drain));
    return S_OK;
}

HRESULT VideoWindowControl::get_MessageDrain(OAHWND* drain) {
    if (!drain)
        return E_POINTER;
    const HWND window = Window();
    if (!window)
        return E_UNEXPECTED;
    *drain = reinterpret_cast<OAHWND>(GetMessageDrain(window));
    return S_OK;
}

HRESULT VideoWindowControl::SetWindowPosition(LONG left, LONG top, LONG width, LONG height) {
    const HWND window = Window();
    if (!window)
        return E_UNEXPECTED;
    if (width < 0 || height < 0)
        return E_INVALIDARG;
    SetWindowPos(window, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    return S_OK;
}

HRESULT VideoWindowControl::GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) {
    if (!left || !top || !width || !height)
        return E_POINTER;
    const HWND window = Window();
    RECT bounds{};
    if (!window || !GetWindowBounds(window, &bounds))
        return E_UNEXPECTED;
    *left = bounds.left;
    *top = bounds.top;
    *width = bounds.right - bounds.left;
    *height = bounds.bottom - bounds.top;
    return S_OK;
}
