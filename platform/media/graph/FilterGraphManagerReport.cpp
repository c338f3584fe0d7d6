// What the filter graph manager tells external viewers (IViewerReport): its filters, pins,
// connections and types, and the flow through its pins. The graph's lock is held only to copy
// the list of filters; the filters and pins are asked afterwards, on the viewer server's thread.
#include "platform/media/graph/FilterGraphManager.h"

#include "platform/media/converters/Classes.h"
#include "platform/media/pins/FlowMeter.h"
#include "platform/media/pins/PinQueries.h"
#include "platform/runtime/JsonWriter.h"
#include "platform/runtime/UnicodeText.h"

#include <cmath>
#include <cstring>

namespace {

const char* StateName(FILTER_STATE state) {
    switch (state) {
    case State_Running:
        return "running";
    case State_Paused:
        return "paused";
    default:
        return "stopped";
    }
}

// The short name of the types a viewer is likely to meet; empty for the others.
const char* GuidName(const GUID& guid) {
    static const std::pair<GUID, const char*> kKnown[] = {
        {MEDIATYPE_Video, "Video"},      {MEDIASUBTYPE_RGB24, "RGB24"},    {MEDIASUBTYPE_RGB32, "RGB32"},
        {MEDIASUBTYPE_YUY2, "YUY2"},     {MEDIASUBTYPE_UYVY, "UYVY"},      {MEDIASUBTYPE_MJPG, "MJPG"},
        {MEDIASUBTYPE_NV12, "NV12"},     {MEDIASUBTYPE_I420, "I420"},      {MEDIASUBTYPE_IYUV, "IYUV"},
        {FORMAT_VideoInfo, "VideoInfo"}, {FORMAT_VideoInfo2, "VideoInfo2"}};
    for (const auto& [known, name] : kKnown)
        if (known == guid)
            return name;
    return "";
}

void WriteGuid(JsonWriter& out, std::string_view key, const GUID& guid) {
    out.Key(key).BeginObject().Field("id", GUIDToString(guid)).Field("name", GuidName(guid)).EndObject();
}

// The picture a video-info format block of type Header describes, when the block is whole.
template <typename Header>
bool ReadPicture(const AM_MEDIA_TYPE& type, BITMAPINFOHEADER& picture, REFERENCE_TIME& frameTime) {
    if (!type.pbFormat || type.cbFormat < sizeof(Header))
        return false;
    Header header;
    std::memcpy(&header, type.pbFormat, sizeof header);
    picture = header.bmiHeader;
    frameTime = header.AvgTimePerFrame;
    return true;
}

bool ReadPicture(const AM_MEDIA_TYPE& type, BITMAPINFOHEADER& picture, REFERENCE_TIME& frameTime) {
    if (type.formattype == FORMAT_VideoInfo)
        return ReadPicture<VIDEOINFOHEADER>(type, picture, frameTime);
    if (type.formattype == FORMAT_VideoInfo2)
        return ReadPicture<VIDEOINFOHEADER2>(type, picture, frameTime);
    return false;
}

void WriteMediaType(JsonWriter& out, IPin* pin) {
    AM_MEDIA_TYPE type{};
    if (FAILED(pin->ConnectionMediaType(&type))) {
        out.Field("media_type", nullptr);
        return;
    }
    out.Key("media_type").BeginObject();
    WriteGuid(out, "major", type.majortype);
    WriteGuid(out, "sub", type.subtype);
    WriteGuid(out, "format", type.formattype);
    BITMAPINFOHEADER picture{};
    REFERENCE_TIME frameTime = 0;
    if (ReadPicture(type, picture, frameTime)) {
        out.Field("width", static_cast<int64_t>(picture.biWidth))
            .Field("height", static_cast<int64_t>(std::abs(static_cast<int64_t>(picture.biHeight))))
            .Field("bit_count", static_cast<int64_t>(picture.biBitCount))
            .Field("frame_interval", static_cast<int64_t>(frameTime));
    }
    out.EndObject();
    FreeMediaType(type);
}

std::string PinName(IPin* pin) {
    PIN_INFO info{};
    if (FAILED(pin->QueryPinInfo(&info)))
        return {};
    if (info.pFilter)
        info.pFilter->Release();
    return Utf16ToUtf8(info.achName);
}

} // namespace

std::string FilterGraphManager::ViewerName(IBaseFilter* filter) const {
    return Utf16ToUtf8(NameOf(filter));
}

HRESULT FilterGraphManager::Describe(JsonWriter& out) {
    FilterGraphManager& graph = *this;
    OAFilterState state = State_Stopped;
    graph.GetState(0, &state);
    out.Field("state", StateName(static_cast<FILTER_STATE>(state)));
    out.Key("filters").BeginArray();
    for (const ComPtr<IBaseFilter>& filter : graph.Filters()) {
        CLSID clsid{};
        filter->GetClassID(&clsid);
        out.BeginObject()
            .Field("name", graph.ViewerName(filter.Get()))
            .Field("class_id", GUIDToString(clsid));
        out.Key("pins").BeginArray();
        for (const ComPtr<IPin>& pin : PinsOf(filter.Get())) {
            PIN_DIRECTION direction = PINDIR_INPUT;
            pin->QueryDirection(&direction);
            out.BeginObject()
                .Field("name", PinName(pin.Get()))
                .Field("direction", direction == PINDIR_INPUT ? "input" : "output");
            const ComPtr<IPin> peer = PeerOf(pin.Get());
            if (peer) {
                out.Key("connected_to")
                    .BeginObject()
                    .Field("filter", graph.ViewerName(FilterOf(peer.Get()).Get()))
                    .Field("pin", PinName(peer.Get()))
                    .EndObject();
                WriteMediaType(out, pin.Get());
            } else {
                out.Field("connected_to", nullptr).Field("media_type", nullptr);
            }
            out.EndObject();
        }
        out.EndArray().EndObject();
    }
    out.EndArray();
    return S_OK;
}

HRESULT FilterGraphManager::Statistics(JsonWriter& out, std::vector<CounterGroup>& groups) {
    FilterGraphManager& graph = *this;
    OAFilterState state = State_Stopped;
    graph.GetState(0, &state);
    out.Field("state", StateName(static_cast<FILTER_STATE>(state)));
    out.Key("pins").BeginArray();
    for (const ComPtr<IBaseFilter>& filter : graph.Filters()) {
        const std::string name = graph.ViewerName(filter.Get());
        for (const ComPtr<IPin>& pin : PinsOf(filter.Get(), PINDIR_OUTPUT)) {
            const ComPtr<IPinFlow> flow = pin.As<IPinFlow>();
            if (!flow)
                continue;
            const double rate = std::round(flow->Flow().Rate() * 100.0) / 100.0;
            out.BeginObject()
                .Field("filter", name)
                .Field("pin", PinName(pin.Get()))
                .Field("samples", flow->Flow().Samples())
                .Field("rate", rate)
                .EndObject();
        }
        if (const ComPtr<ICounterSource> source = filter.As<ICounterSource>()) {
            CounterGroup group = ReadCounterGroup(source.Get(), name);
            if (!group.counters.empty())
                groups.push_back(std::move(group));
        }
    }
    out.EndArray();
    return S_OK;
}
