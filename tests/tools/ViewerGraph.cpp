#include "tests/tools/ViewerGraph.h"

#include "capture/GraphRegistration.h"
#include "platform/com/ClassRegistry.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/core/SampleGrabberInterface.h"
#include "platform/media/devices/Directory.h"
#include "platform/media/pins/FlowMeter.h"
#include "platform/media/renderers/VideoRenderer.h"

namespace {

ComPtr<IPin> PinOf(const ComPtr<IBaseFilter>& filter, const char16_t* name) {
    ComPtr<IPin> pin;
    if (filter)
        filter->FindPin(name, pin.Receive());
    return pin;
}

// A buffer callback that only lets the frames pass.
class PassingCallback final : public ComObject<ISampleGrabberCB> {
public:
    HRESULT SampleCB(double, IMediaSample*) override { return S_OK; }
    HRESULT BufferCB(double, uint8_t*, int32_t) override { return S_OK; }
};

} // namespace

ViewerGraph::ViewerGraph(const std::u16string& camera) {
    RegisterMediaClasses();
    CoCreateInstance(CLSID_FilterGraph, nullptr, 1, IID_IFilterGraph2, graph.ReceiveVoid());
    DeviceDirectory::Bind({DeviceKind::Virtual, camera}, IID_IBaseFilter, source.ReceiveVoid());
    CoCreateInstance(CLSID_SampleGrabber, nullptr, 1, IID_IBaseFilter, grabber.ReceiveVoid());
    CoCreateInstance(CLSID_VideoRenderer, nullptr, 1, IID_IBaseFilter, renderer.ReceiveVoid());
    if (!graph || !source || !grabber || !renderer)
        return;
    AM_MEDIA_TYPE wanted{};
    wanted.majortype = MEDIATYPE_Video;
    wanted.subtype = MEDIASUBTYPE_RGB24;
    wanted.formattype = FORMAT_VideoInfo;
    grabber.As<ISampleGrabber>()->SetMediaType(&wanted);
    grabber.As<ISampleGrabber>()->SetCallback(ComPtr<ISampleGrabberCB>::Adopt(new PassingCallback).Get(), 1);
    graph->AddFilter(source.Get(), u"Kamera");
    graph->AddFilter(grabber.Get(), u"SampleGrabber");
    graph->AddFilter(renderer.Get(), u"VideoRenderer");
    graph->Connect(PinOf(source, u"Capture").Get(), PinOf(grabber, u"Input").Get());
    graph->Connect(PinOf(grabber, u"Output").Get(), PinOf(renderer, u"Input").Get());
    RegisterGraphForViewer(graph.Get(), &cookie_);
}

ViewerGraph::~ViewerGraph() {
    Stop();
    if (cookie_ != 0)
        RevokeGraphRegistration(cookie_);
    if (graph)
        for (const auto& filter : {source, grabber, renderer})
            if (filter)
                graph->RemoveFilter(filter.Get());
}

HRESULT ViewerGraph::Run() {
    const auto control = graph.As<IMediaControl>();
    return control ? control->Run() : E_NOINTERFACE;
}

HRESULT ViewerGraph::Stop() {
    const auto control = graph.As<IMediaControl>();
    return control ? control->Stop() : E_NOINTERFACE;
}

uint64_t ViewerGraph::SourceSamples() const {
    const auto flow = PinOf(source, u"Capture").As<IPinFlow>();
    return flow ? flow->Flow().Samples() : 0;
}
