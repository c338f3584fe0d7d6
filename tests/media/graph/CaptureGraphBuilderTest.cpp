#include "platform/com/ClassRegistry.h"
#include "platform/com/PropertyBagInterface.h"
#include "platform/com/SiteInterfaces.h"
#include "platform/com/TaskAllocator.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/converters/Classes.h"
#include "platform/media/converters/ColourConversion.h"
#include "platform/media/core/CaptureBuilderInterfaces.h"
#include "platform/media/core/VideoFormat.h"
#include "platform/media/pins/PinQueries.h"
#include "platform/runtime/UnicodeText.h"
#include "tests/media/support/GraphTestFilters.h"
#include "tests/media/support/JpegEncoding.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

// An input pin "In" taking 24-bit RGB that keeps the bytes of the last sample.
class PictureSink final : public MediaFilter<> {
public:
    static ComPtr<IBaseFilter> Create(PictureSink** self) {
        *self = new PictureSink;
        return ComPtr<IBaseFilter>::Adopt(*self);
    }
    std::vector<uint8_t> Last() {
        std::lock_guard lock(pin_.mutex);
        return pin_.last;
    }
    int Samples() {
        std::lock_guard lock(pin_.mutex);
        return pin_.samples;
    }

private:
    class InputPin final : public BasePin {
    public:
        explicit InputPin(IBaseFilter& filter) : BasePin(filter, u"In", PINDIR_INPUT) {}
        HRESULT Receive(IMediaSample* sample) override {
            uint8_t* data = nullptr;
            sample->GetPointer(&data);
            std::lock_guard lock(mutex);
            last.assign(data, data + sample->GetActualDataLength());
            ++samples;
            return S_OK;
        }
        std::mutex mutex; // guards last and samples
        std::vector<uint8_t> last;
        int samples = 0;

    protected:
        HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override {
            return VideoFormatOf(type) ? S_OK : S_FALSE;
        }
    };

    PictureSink() : MediaFilter(GUID{0x4, 0, 0, {}}), pin_(*this) {}
    std::vector<BasePin*> Pins() override { return {&pin_}; }

    InputPin pin_;
};

// The graph's site: records the building callbacks and answers them as told.
class BuildSite final : public ComObject<IAMGraphBuilderCallback, IAMFilterGraphCallback> {
public:
    HRESULT SelectedFilter(IMoniker* moniker) override {
        ComPtr<IPropertyBag> bag;
        moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReceiveVoid());
        ScopedVariant name;
        if (bag)
            bag->Read(u"FriendlyName", &name, nullptr);
        calls.push_back("SelectedFilter " + Utf16ToUtf8(name.String()));
        return selectedResult;
    }
    HRESULT CreatedFilter(IBaseFilter* filter) override {
        CLSID clsid{};
        filter->GetClassID(&clsid);
        calls.push_back(clsid == CLSID_Colour ? "CreatedFilter colour" : "CreatedFilter other");
        return S_OK;
    }
    HRESULT UnableToRender(IPin* pin) override {
        calls.push_back("UnableToRender");
        lastUnrendered = ComPtr<IPin>(pin);
        if (allowAfterUnable)
            selectedResult = S_OK;
        return allowAfterUnable ? S_OK : S_FALSE;
    }

    std::vector<std::string> calls;
    HRESULT selectedResult = S_OK;
    bool allowAfterUnable = false;
    ComPtr<IPin> lastUnrendered;
};

struct BuilderFixture : ::testing::Test {
    void SetUp() override {
        RegisterMediaClasses();
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                   graph.ReceiveVoid()),
                  S_OK);
        ASSERT_EQ(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_ICaptureGraphBuilder2, builder.ReceiveVoid()),
                  S_OK);
        ASSERT_EQ(builder->SetFiltergraph(graph.Get()), S_OK);
        site = ComPtr<BuildSite>::Adopt(new BuildSite);
        ASSERT_EQ(graph.As<IObjectWithSite>()->SetSite(static_cast<IAMGraphBuilderCallback*>(site.Get())),
                  S_OK);
        sinkFilter = PictureSink::Create(&sink);
    }
    void TearDown() override { graph.As<IObjectWithSite>()->SetSite(nullptr); }

    void AddSource(ScopedMediaType offer) {
        std::vector<ScopedMediaType> offers;
        offers.push_back(std::move(offer));
        AddSource(std::move(offers));
    }
    void AddSource(std::vector<ScopedMediaType> offers) {
        sourceFilter = TestSource::Create(std::move(offers), &source);
        ASSERT_EQ(graph->AddFilter(sourceFilter.Get(), u"Kamera"), S_OK);
        ASSERT_EQ(graph->AddFilter(sinkFilter.Get(), u"Renderer"), S_OK);
    }
    HRESULT Render() {
        return builder->RenderStream(&PIN_CATEGORY_PREVIEW, nullptr, sourceFilter.Get(), nullptr,
                                     sinkFilter.Get());
    }
    void Push(std::vector<uint8_t> bytes) {
        auto sample = MediaSample::Create(bytes.data(), static_cast<int32_t>(bytes.size()),
                                          static_cast<int32_t>(bytes.size()), 0, 1);
        source->Output().Deliver(sample.Get());
    }
    size_t FilterCount() {
        ComPtr<IEnumFilters> filters;
        graph->EnumFilters(filters.Receive());
        size_t count = 0;
        ComPtr<IBaseFilter> filter;
        while (filters->Next(1, filter.Receive(), nullptr) == S_OK)
            ++count;
        return count;
    }

    ComPtr<IGraphBuilder> graph;
    ComPtr<ICaptureGraphBuilder2> builder;
    ComPtr<BuildSite> site;
    TestSource* source = nullptr;
    ComPtr<IBaseFilter> sourceFilter;
    PictureSink* sink = nullptr;
    ComPtr<IBaseFilter> sinkFilter;
};

using CaptureGraphBuilding = BuilderFixture;

TEST_F(CaptureGraphBuilding, AYuy2SourceGetsAColourConverterAndItsColoursComeOutRight) {
    AddSource(VideoInfoType(MEDIASUBTYPE_YUY2, 2, 2, 16));
    ASSERT_EQ(Render(), S_OK);
    EXPECT_EQ(site->calls,
              (std::vector<std::string>{"SelectedFilter Color Space Converter", "CreatedFilter colour"}));
    EXPECT_EQ(FilterCount(), 3u);
    ComPtr<IPin> sinkInput = PinsOf(sinkFilter.Get()).front();
    AM_MEDIA_TYPE type{};
    ASSERT_EQ(sinkInput->ConnectionMediaType(&type), S_OK);
    const auto format = VideoFormatOf(type);
    FreeMediaType(type);
    ASSERT_TRUE(format);
    EXPECT_EQ(format->width, 2);
    EXPECT_EQ(format->height, 2);

    ASSERT_EQ(graph.As<IMediaControl>()->Run(), S_OK);
    // Top row white (Y 235), bottom row pure red (Y 81, U 90, V 240); YUY2 rows are top-down.
    Push({235, 128, 235, 128, 81, 90, 81, 240});
    ASSERT_EQ(sink->Samples(), 1);
    const std::vector<uint8_t> picture = sink->Last();
    ASSERT_EQ(picture.size(), static_cast<size_t>(Rgb24Stride(2) * 2));
    const auto near = [](int value, int expected) { return std::abs(value - expected) <= 2; };
    // Bottom-up output: the first row in memory is the bottom (red) row, bytes blue, green, red.
    EXPECT_TRUE(near(picture[0], 0) && near(picture[1], 0) && near(picture[2], 255)) << int(picture[2]);
    const uint8_t* top = picture.data() + Rgb24Stride(2);
    EXPECT_TRUE(near(top[0], 255) && near(top[1], 255) && near(top[2], 255));
    graph.As<IMediaControl>()->Stop();
}

class Planar420Building : public BuilderFixture, public ::testing::WithParamInterface<GUID> {};

// 2x2 pure red (Y 81, U 90, V 240): a luma plane, then one chroma sample (NV12: U V; I420: U, V).
TEST_P(Planar420Building, GetsAColourConverterThatReadsThePlanes) {
    AddSource(VideoInfoType(GetParam(), 2, 2, 12));
    ASSERT_EQ(Render(), S_OK);
    EXPECT_EQ(site->calls,
              (std::vector<std::string>{"SelectedFilter Color Space Converter", "CreatedFilter colour"}));
    ASSERT_EQ(graph.As<IMediaControl>()->Run(), S_OK);
    Push({81, 81, 81, 81, 90}); // short: dropped
    EXPECT_EQ(sink->Samples(), 0);
    Push({81, 81, 81, 81, 90, 240});
    ASSERT_EQ(sink->Samples(), 1);
    const std::vector<uint8_t> picture = sink->Last();
    for (const int at : {0, 3, Rgb24Stride(2), Rgb24Stride(2) + 3})
        EXPECT_TRUE(picture[at] <= 2 && picture[at + 1] <= 2 && picture[at + 2] >= 253) << at;
    graph.As<IMediaControl>()->Stop();
}

INSTANTIATE_TEST_SUITE_P(Nv12AndI420, Planar420Building,
                         ::testing::Values(MEDIASUBTYPE_NV12, MEDIASUBTYPE_I420),
                         [](const auto& info) { return info.param == MEDIASUBTYPE_NV12 ? "NV12" : "I420"; });

TEST_F(CaptureGraphBuilding, ATypeBothPinsAgreeOnNeedsNoConverter) {
    AddSource(VideoInfoType(MEDIASUBTYPE_RGB24, 4, 4, 24));
    ASSERT_EQ(Render(), S_OK);
    EXPECT_TRUE(site->calls.empty());
    EXPECT_EQ(FilterCount(), 2u);
}

TEST_F(CaptureGraphBuilding, AConverterTheSiteRefusesIsSkippedAndThePinReported) {
    AddSource(VideoInfoType(MEDIASUBTYPE_YUY2, 2, 2, 16));
    site->selectedResult = E_FAIL;
    EXPECT_EQ(Render(), VFW_E_CANNOT_CONNECT);
    EXPECT_EQ(site->calls,
              (std::vector<std::string>{"SelectedFilter Color Space Converter", "UnableToRender"}));
    EXPECT_EQ(site->lastUnrendered.Get(), static_cast<IPin*>(&source->Output()));
    EXPECT_EQ(FilterCount(), 2u) << "no converter is left behind";
    EXPECT_FALSE(source->Output().IsConnected());
}

TEST_F(CaptureGraphBuilding, UnableToRenderAnsweringOkEarnsOneMoreTry) {
    AddSource(VideoInfoType(MEDIASUBTYPE_UYVY, 2, 2, 16));
    site->selectedResult = E_FAIL;
    site->allowAfterUnable = true;
    EXPECT_EQ(Render(), S_OK);
    EXPECT_EQ(site->calls,
              (std::vector<std::string>{"SelectedFilter Color Space Converter", "UnableToRender",
                                        "SelectedFilter Color Space Converter", "CreatedFilter colour"}));
}

TEST_F(CaptureGraphBuilding, TheFirstOfferedSubtypeChoosesTheConverter) {
    std::vector<ScopedMediaType> offers;
    offers.push_back(VideoInfoType(MEDIASUBTYPE_MJPG, 4, 2, 24));
    offers.push_back(VideoInfoType(MEDIASUBTYPE_YUY2, 2, 2, 16));
    AddSource(std::move(offers));
    ASSERT_EQ(Render(), S_OK);
    EXPECT_EQ(site->calls,
              (std::vector<std::string>{"SelectedFilter MJPEG Decompressor", "CreatedFilter other"}))
        << "a source's best type first, ahead of the catalogue's order";
}

TEST_F(CaptureGraphBuilding, NothingFitsAPinNoConverterTakes) {
    AddSource(VideoInfoType(GUID{0x12345678, 0, 0x10, {}}, 2, 2, 16));
    EXPECT_EQ(Render(), VFW_E_CANNOT_CONNECT);
    EXPECT_EQ(site->calls, (std::vector<std::string>{"UnableToRender"}));
    EXPECT_EQ(FilterCount(), 2u);
}

TEST_F(CaptureGraphBuilding, ShortOrBrokenPicturesAreDroppedNotReadPastTheirEnd) {
    AddSource(VideoInfoType(MEDIASUBTYPE_RGB32, 4, -2, 32));
    ASSERT_EQ(Render(), S_OK);
    ASSERT_EQ(graph.As<IMediaControl>()->Run(), S_OK);
    Push(std::vector<uint8_t>(4 * 4 * 2 - 1, 0x40));
    EXPECT_EQ(sink->Samples(), 0);
    std::vector<uint8_t> picture(4 * 4 * 2, 0);
    picture[0] = 7; // top-left pixel of a top-down picture: blue 7
    Push(picture);
    ASSERT_EQ(sink->Samples(), 1);
    EXPECT_EQ(sink->Last()[Rgb24Stride(4)], 7) << "the top row is the last in a bottom-up picture";
    graph.As<IMediaControl>()->Stop();
}

// A source whose output pins report their categories: "Capture" and, optionally, "Preview".
class CategorisedSource final : public MediaFilter<> {
public:
    static ComPtr<IBaseFilter> Create(bool withPreview, CategorisedSource** self) {
        *self = new CategorisedSource(withPreview);
        return ComPtr<IBaseFilter>::Adopt(*self);
    }
    BasePin& Capture() { return capture_; }
    BasePin& Preview() { return preview_; }

private:
    class CategoryPin final : public BasePin, public IKsPropertySet {
    public:
        CategoryPin(IBaseFilter& filter, std::u16string name, const GUID& category)
            : BasePin(filter, std::move(name), PINDIR_OUTPUT), category_(category) {}
        HRESULT QueryInterface(REFIID iid, void** object) override {
            if (object && iid == IID_IKsPropertySet) {
                *object = static_cast<IKsPropertySet*>(this);
                AddRef();
                return S_OK;
            }
            return BasePin::QueryInterface(iid, object);
        }
        ULONG AddRef() override { return BasePin::AddRef(); }
        ULONG Release() override { return BasePin::Release(); }
        HRESULT Set(REFGUID, DWORD, void*, DWORD, void*, DWORD) override { return E_NOTIMPL; }
        HRESULT Get(REFGUID set, DWORD id, void*, DWORD, void* data, DWORD size, DWORD* returned) override {
            if (set != AMPROPSETID_Pin || id != AMPROPERTY_PIN_CATEGORY || size < sizeof(GUID))
                return E_PROP_ID_UNSUPPORTED;
            std::memcpy(data, &category_, sizeof(GUID));
            *returned = sizeof(GUID);
            return S_OK;
        }
        HRESULT QuerySupported(REFGUID, DWORD, DWORD*) override { return E_NOTIMPL; }

    protected:
        HRESULT CheckMediaType(const AM_MEDIA_TYPE&) override { return S_OK; }
        std::vector<ScopedMediaType> ProposedTypes() override {
            std::vector<ScopedMediaType> types;
            types.push_back(VideoInfoType(MEDIASUBTYPE_RGB24, 4, 4, 24));
            return types;
        }

    private:
        static constexpr HRESULT E_PROP_ID_UNSUPPORTED = MakeHResult(0x80070490);
        const GUID category_;
    };

    explicit CategorisedSource(bool withPreview)
        : MediaFilter(GUID{0x5, 0, 0, {}}), withPreview_(withPreview),
          capture_(*this, u"Capture", PIN_CATEGORY_CAPTURE),
          preview_(*this, u"Preview", PIN_CATEGORY_PREVIEW) {}
    std::vector<BasePin*> Pins() override {
        if (withPreview_)
            return {&capture_, &preview_};
        return {&capture_};
    }

    const bool withPreview_;
    CategoryPin capture_;
    CategoryPin preview_;
};

TEST_F(CaptureGraphBuilding, ThePreviewPinIsRenderedOrTheCapturePinWhenThereIsNone) {
    for (const bool withPreview : {true, false}) {
        CategorisedSource* categorised = nullptr;
        auto filter = CategorisedSource::Create(withPreview, &categorised);
        PictureSink* renderer = nullptr;
        auto rendererFilter = PictureSink::Create(&renderer);
        ASSERT_TRUE(SUCCEEDED(graph->AddFilter(filter.Get(), u"Kamera")));
        ASSERT_TRUE(SUCCEEDED(graph->AddFilter(rendererFilter.Get(), u"Renderer")));
        ASSERT_EQ(builder->RenderStream(&PIN_CATEGORY_PREVIEW, nullptr, filter.Get(), nullptr,
                                        rendererFilter.Get()),
                  S_OK);
        EXPECT_EQ(categorised->Preview().IsConnected(), withPreview);
        EXPECT_EQ(categorised->Capture().IsConnected(), !withPreview);
        graph->RemoveFilter(filter.Get());
        graph->RemoveFilter(rendererFilter.Get());
    }
}

TEST_F(CaptureGraphBuilding, AnMjpegSourceGetsTheDecompressor) {
    AddSource(VideoInfoType(MEDIASUBTYPE_MJPG, 16, 8, 24));
    ASSERT_EQ(Render(), S_OK);
    EXPECT_EQ(site->calls,
              (std::vector<std::string>{"SelectedFilter MJPEG Decompressor", "CreatedFilter other"}));
    ASSERT_EQ(graph.As<IMediaControl>()->Run(), S_OK);
    Push({0xFF, 0xD8, 0x00, 0x01}); // not a picture: dropped
    EXPECT_EQ(sink->Samples(), 0);
    Push(EncodeRepeatedRow(std::vector<uint8_t>(3 * 16, 128), 8));
    ASSERT_EQ(sink->Samples(), 1);
    EXPECT_NEAR(sink->Last()[0], 128, 3);
    graph.As<IMediaControl>()->Stop();
}

TEST_F(CaptureGraphBuilding, AnIntermediateWhoseOutputFitsNothingIsReportedByThatPin) {
    AddSource(VideoInfoType(MEDIASUBTYPE_YUY2, 2, 2, 16));
    auto journal = std::make_shared<Journal>();
    JournalFilter* middle = nullptr;
    auto middleFilter =
        JournalFilter::Create(journal, {"grabber", {MEDIASUBTYPE_RGB24}, {MEDIASUBTYPE_RGB24}}, &middle);
    ASSERT_EQ(graph->AddFilter(middleFilter.Get(), u"Grabber"), S_OK);
    // The sink takes only video-info types, which the intermediate does not offer: nothing fits.
    EXPECT_EQ(builder->RenderStream(&PIN_CATEGORY_PREVIEW, nullptr, sourceFilter.Get(), middleFilter.Get(),
                                    sinkFilter.Get()),
              VFW_E_CANNOT_CONNECT);
    EXPECT_TRUE(middle->Input().IsConnected()) << "source to intermediate, through the converter";
    EXPECT_FALSE(middle->Output().IsConnected());
    EXPECT_EQ(site->calls.back(), "UnableToRender");
    EXPECT_EQ(site->lastUnrendered.Get(), static_cast<IPin*>(&middle->Output()));
}

} // namespace
