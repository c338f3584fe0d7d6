#include "platform/media/VideoRenderer.h"

#include "platform/media/MediaEventSink.h"
#include "platform/media/VideoRendererWidget.h"
#include "platform/runtime/UnicodeText.h"
#include "platform/windows/WindowServices.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>

#include <cstdlib>

namespace {

// {E436EB7E-524F-11CE-9F53-0020AF0BA770}
constexpr GUID kSubtypeRgb32{0xE436EB7E, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

// The renderer's private message to its window: a new frame waits in the slot.
constexpr UINT kRepaintMessage = WM_USER + 0x2F1;

// Styles a window of the renderer cannot take.
constexpr DWORD kRefusedStyles = 0x08000000 /* disabled */ | 0x20000000 /* iconic */ |
                                 0x01000000 /* maximised */ | 0x00100000 /* horizontal scroll */ |
                                 0x00200000 /* vertical scroll */;

bool OnGuiThread() {
    const QCoreApplication* application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

const VIDEOINFOHEADER* VideoInfoOf(const AM_MEDIA_TYPE& type) {
    if (type.formattype != FORMAT_VideoInfo || type.cbFormat < sizeof(VIDEOINFOHEADER) || !type.pbFormat)
        return nullptr;
    return reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
}

} // namespace

VideoRenderer::VideoRenderer() : MediaFilter(CLSID_VideoRenderer), input_(*this) {
    if (OnGuiThread())
        CreateRendererWindow();
}

VideoRenderer::~VideoRenderer() {
    const HWND window = window_.load(std::memory_order_acquire);
    if (!window)
        return;
    if (OnGuiThread()) {
        DestroyWindow(window);
    } else if (QCoreApplication* application = QCoreApplication::instance()) {
        // The window belongs to the GUI thread: it goes there, a dead handle being refused.
        QMetaObject::invokeMethod(
            application, [window] { DestroyWindow(window); }, Qt::QueuedConnection);
    }
}

void VideoRenderer::CreateRendererWindow() {
    auto* widget = new VideoRendererWidget(slot_); // owned by its window from here on
    const HWND window = CreateWindowEx(0, "VideoRenderer", "ActiveMovie Window",
                                       WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 320,
                                       240, nullptr, widget);
    if (!window)
        return;
    SetWindowProcedure(window, [target = QPointer<QWidget>(widget)](const MSG& message) {
        if (message.message == kRepaintMessage && target)
            target->update();
    });
    window_.store(window, std::memory_order_release);
}

HRESULT VideoRenderer::JoinFilterGraph(IFilterGraph* graph, LPCOLESTR name) {
    if (!Window() && graph && OnGuiThread())
        CreateRendererWindow();
    return MediaFilter::JoinFilterGraph(graph, name);
}

HRESULT VideoRenderer::InputPin::CheckMediaType(const AM_MEDIA_TYPE& type) {
    if (type.majortype != MEDIATYPE_Video)
        return S_FALSE;
    const VIDEOINFOHEADER* info = VideoInfoOf(type);
    if (!info)
        return S_FALSE;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    const bool rgb24 = type.subtype == MEDIASUBTYPE_RGB24 && header.biBitCount == 24;
    const bool rgb32 = type.subtype == kSubtypeRgb32 && header.biBitCount == 32;
    if (!(rgb24 || rgb32) || header.biCompression != BI_RGB)
        return S_FALSE;
    // Sides a window can show, and a frame whose bytes fit in a sample's 32-bit length.
    if (header.biWidth <= 0 || header.biWidth > 32768 || header.biHeight == 0 ||
        std::abs(header.biHeight) > 32768)
        return S_FALSE;
    return S_OK;
}

void VideoRenderer::Connected(const AM_MEDIA_TYPE& type) {
    const BITMAPINFOHEADER& header = VideoInfoOf(type)->bmiHeader;
    Picture picture;
    picture.width = header.biWidth;
    picture.height = std::abs(header.biHeight);
    picture.bitCount = header.biBitCount;
    picture.stride = (picture.width * picture.bitCount / 8 + 3) / 4 * 4;
    picture.bottomUp = header.biHeight > 0;
    {
        std::lock_guard lock(pictureMutex_);
        picture_ = picture;
        connected_ = true;
    }
    if (const HWND window = Window(); window && OnGuiThread() && !GetParent(window))
        SetWindowPos(window, nullptr, 0, 0, picture.width, picture.height, SWP_NOMOVE | SWP_NOZORDER);
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

void VideoRenderer::ShowIfAutomatic() {
    const HWND window = Window();
    if (window && autoShow_.load(std::memory_order_relaxed) && OnGuiThread())
        ShowWindow(window, SW_SHOW);
}

HRESULT VideoRenderer::Draw(IMediaSample* sample) {
    if (!sample)
        return E_POINTER;
    if (State() == State_Stopped)
        return VFW_E_WRONG_STATE;
    Picture picture;
    {
        std::lock_guard lock(pictureMutex_);
        if (!connected_)
            return VFW_E_NOT_CONNECTED;
        picture = picture_;
    }
    uint8_t* bytes = nullptr;
    if (FAILED(sample->GetPointer(&bytes)) || !bytes)
        return E_POINTER;
    // A sample shorter than the connected picture would be read past its end.
    if (sample->GetActualDataLength() < int64_t{picture.stride} * picture.height)
        return E_INVALIDARG;
    if (slot_->Put(bytes, picture.width, picture.height, picture.stride, picture.bitCount,
                   picture.bottomUp)) {
        if (const HWND window = Window())
            PostMessage(window, kRepaintMessage, 0, 0);
    }
    return S_OK;
}

HRESULT VideoRenderer::put_Caption(BSTR caption) {
    const HWND window = Window();
    if (!window)
        return E_UNEXPECTED;
    SetWindowText(window, Utf16ToUtf8(caption ? std::u16string(caption, SysStringLen(caption)) : u""));
    return S_OK;
}

HRESULT VideoRenderer::get_Caption(BSTR* caption) {
    if (!caption)
        return E_POINTER;
    const HWND window = Window();
    if (!window)
        return E_UNEXPECTED;
    const std::u16string text = Utf8ToUtf16(GetWindowText(window));
    *caption = SysAllocStringLen(text.data(), static_cast<uint32_t>(text.size()));
    return *caption ? S_OK : E_OUTOFMEMORY;
}

HRESULT VideoRenderer::put_WindowStyle(LONG style) {
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

HRESULT VideoRenderer::ReadWindowLong(int index, LONG* value) {
    if (!value)
        return E_POINTER;
    const HWND window = Window();
    if (!window)
        return E_UNEXPECTED;
    *value = GetWindowLong(window, index);
    return S_OK;
}

HRESULT VideoRenderer::get_WindowStyle(LONG* style) {
    return ReadWindowLong(GWL_STYLE, style);
}

HRESULT VideoRenderer::put_WindowStyleEx(LONG style) {
    const HWND window = Window();
    if (!window)
        return E_UNEXPECTED;
    SetWindowLong(window, GWL_EXSTYLE, style);
    return S_OK;
}

HRESULT VideoRenderer::get_WindowStyleEx(LONG* style) {
    return ReadWindowLong(GWL_EXSTYLE, style);
}

HRESULT VideoRenderer::put_AutoShow(LONG autoShow) {
    autoShow_.store(autoShow != OAFALSE, std::memory_order_relaxed);
    return S_OK;
}

HRESULT VideoRenderer::get_AutoShow(LONG* autoShow) {
    if (!autoShow)
        return E_POINTER;
    *autoShow = autoShow_.load(std::memory_order_relaxed) ? OATRUE : OAFALSE;
    return S_OK;
}

HRESULT VideoRenderer::put_Visible(LONG visible) {
    const HWND window = Window();
    if (!window)
        return E_UNEXPECTED;
    // Any true value shows it, as callers passing TRUE rather than OATRUE expect.
    ShowWindow(window, visible != OAFALSE ? SW_SHOW : SW_HIDE);
    return S_OK;
}

HRESULT VideoRenderer::get_Visible(LONG* visible) {
    if (!visible)
        return E_POINTER;
    const HWND window = Window();
    if (!window)
        return E_UNEXPECTED;
    *visible = IsWindowVisible(window) ? OATRUE : OAFALSE;
    return S_OK;
}

HRESULT VideoRenderer::put_Owner(OAHWND owner) {
    const HWND window = Window();
    if (!window)
        return E_UNEXPECTED;
    const auto parent = reinterpret_cast<HWND>(owner);
    if (parent && !IsWindow(parent))
        return E_INVALIDARG;
    SetParent(window, parent);
    return S_OK;
}

HRESULT VideoRenderer::get_Owner(OAHWND* owner) {
    if (!owner)
        return E_POINTER;
    const HWND window = Window();
    if (!window)
        return E_UNEXPECTED;
    *owner = reinterpret_cast<OAHWND>(GetParent(window));
    return S_OK;
}

HRESULT VideoRenderer::put_MessageDrain(OAHWND drain) {
    const HWND window = Window();
    if (!window)
        return E_UNEXPECTED;
    SetMessageDrain(window, reinterpret_cast<HWND>(drain));
    return S_OK;
}

HRESULT VideoRenderer::get_MessageDrain(OAHWND* drain) {
    if (!drain)
        return E_POINTER;
    const HWND window = Window();
    if (!window)
        return E_UNEXPECTED;
    *drain = reinterpret_cast<OAHWND>(GetMessageDrain(window));
    return S_OK;
}

HRESULT VideoRenderer::SetWindowPosition(LONG left, LONG top, LONG width, LONG height) {
    const HWND window = Window();
    if (!window)
        return E_UNEXPECTED;
    if (width < 0 || height < 0)
        return E_INVALIDARG;
    SetWindowPos(window, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    return S_OK;
}

HRESULT VideoRenderer::GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) {
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
