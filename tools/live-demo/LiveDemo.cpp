// A live virtual camera in a real window: capture source → sample grabber → video renderer,
// connected by hand, the renderer's window placed as a child of the demo's main window. The
// label under it counts the frames the grabber's callback has seen.
//
// Usage: live-demo [camera entry, default "pattern:640x480@30"] [seconds to run, default: until closed]

#include "platform/com/ClassRegistry.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/devices/Directory.h"
#include "platform/media/filters/SampleGrabber.h"
#include "platform/media/renderers/VideoRenderer.h"
#include "platform/runtime/UnicodeText.h"
#include "platform/windows/WindowServices.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

class FrameCounter final : public ComObject<ISampleGrabberCB> {
public:
    HRESULT SampleCB(double, IMediaSample*) override { return S_OK; }
    HRESULT BufferCB(double time, uint8_t*, int32_t) override {
        frames.fetch_add(1, std::memory_order_relaxed);
        lastTime.store(time, std::memory_order_relaxed);
        return S_OK;
    }
    std::atomic<int> frames{0};
    std::atomic<double> lastTime{0};
};

ComPtr<IPin> PinOf(const ComPtr<IBaseFilter>& filter, const char16_t* name) {
    ComPtr<IPin> pin;
    filter->FindPin(name, pin.Receive());
    return pin;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const std::string entry = argc > 1 ? argv[1] : "pattern:640x480@30";
    RegisterMediaClasses();

    ComPtr<IBaseFilter> source;
    HRESULT result = DeviceDirectory::Bind({DeviceKind::Virtual, Utf8ToUtf16(entry)}, IID_IBaseFilter,
                                           source.ReceiveVoid());
    ComPtr<IBaseFilter> grabberFilter, rendererFilter;
    CoCreateInstance(CLSID_SampleGrabber, nullptr, 1, IID_IBaseFilter, grabberFilter.ReceiveVoid());
    CoCreateInstance(CLSID_VideoRenderer, nullptr, 1, IID_IBaseFilter, rendererFilter.ReceiveVoid());
    if (FAILED(result) || !grabberFilter || !rendererFilter) {
        std::fprintf(stderr, "live-demo: cannot create the filters for \"%s\" (0x%08X)\n", entry.c_str(),
                     static_cast<unsigned>(result));
        return 1;
    }
    auto grabber = grabberFilter.As<ISampleGrabber>();
    auto counter = ComPtr<FrameCounter>::Adopt(new FrameCounter);
    AM_MEDIA_TYPE wanted{};
    wanted.majortype = MEDIATYPE_Video;
    wanted.subtype = MEDIASUBTYPE_RGB24;
    wanted.formattype = FORMAT_VideoInfo;
    grabber->SetMediaType(&wanted);
    grabber->SetCallback(counter.Get(), 1);
    if (PinOf(source, u"Capture")->Connect(PinOf(grabberFilter, u"Input").Get(), nullptr) != S_OK ||
        PinOf(grabberFilter, u"Output")->Connect(PinOf(rendererFilter, u"Input").Get(), nullptr) != S_OK) {
        std::fprintf(stderr, "live-demo: the pins do not connect\n");
        return 1;
    }

    QWidget main;
    main.setWindowTitle("Tarnolix – podgląd na żywo");
    main.resize(680, 560);
    auto* videoArea = new QWidget(&main);
    videoArea->setGeometry(20, 20, 640, 480);
    auto* label = new QLabel(&main);
    label->setGeometry(20, 510, 640, 30);
    main.show();

    auto window = rendererFilter.As<IVideoWindow>();
    window->put_Owner(reinterpret_cast<OAHWND>(HandleOf(&main)));
    window->put_WindowStyle(static_cast<LONG>(WS_CHILD | WS_CLIPSIBLINGS));
    window->SetWindowPosition(20, 20, 640, 480);
    BSTR caption = SysAllocString(u"VideoWindow");
    window->put_Caption(caption);
    SysFreeString(caption);
    window->put_MessageDrain(reinterpret_cast<OAHWND>(HandleOf(videoArea)));

    rendererFilter->Run(0);
    grabberFilter->Run(0);
    if (FAILED(result = source->Run(0))) {
        std::fprintf(stderr, "live-demo: the camera does not run (0x%08X)\n", static_cast<unsigned>(result));
        return 1;
    }
    window->put_Visible(OATRUE);

    QTimer status;
    QObject::connect(&status, &QTimer::timeout, [&] {
        label->setText(QString("Klatki: %1, czas: %2 s")
                           .arg(counter->frames.load(std::memory_order_relaxed))
                           .arg(counter->lastTime.load(std::memory_order_relaxed), 0, 'f', 2));
    });
    status.start(200);
    if (argc > 2)
        QTimer::singleShot(static_cast<int>(std::atof(argv[2]) * 1000), &application, &QApplication::quit);

    const int code = application.exec();
    source->Stop();
    grabberFilter->Stop();
    rendererFilter->Stop();
    std::printf("live-demo: %d frames reached the callback\n", counter->frames.load());
    for (const auto& [filter, pin] : {std::pair{source, u"Capture"},
                                      {grabberFilter, u"Input"},
                                      {grabberFilter, u"Output"},
                                      {rendererFilter, u"Input"}})
        PinOf(filter, pin)->Disconnect();
    window->put_Owner(0);
    return code;
}
