#include "platform/media/filters/SampleGrabber.h"
#include "tests/media/support/GrabberTestSupport.h"

#include <gtest/gtest.h>

#include <future>
#include <stdexcept>
#include <thread>

namespace {

const GUID kOtherSubtype{0xE436EB7E, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

ScopedMediaType WantedRgb24() {
    ScopedMediaType wanted;
    wanted->majortype = MEDIATYPE_Video;
    wanted->subtype = MEDIASUBTYPE_RGB24;
    wanted->formattype = FORMAT_VideoInfo;
    return wanted;
}

// Source → grabber → sink, connected, with a callback.
struct GrabberChain {
    GrabberChain() {
        grabberFilter = ComPtr<IBaseFilter>::Adopt(grabber = new SampleGrabber);
        sourceFilter = TestSource::Create({VideoType(kOtherSubtype), RgbVideoType(8, 4)}, &source);
        sinkFilter = TestSink::Create({MEDIASUBTYPE_RGB24}, &sink);
        ScopedMediaType wanted = WantedRgb24();
        EXPECT_EQ(grabber->SetMediaType(&wanted), S_OK);
        EXPECT_EQ(source->Output().Connect(&Pin(0), nullptr), S_OK);
        EXPECT_EQ(Pin(1).Connect(&sink->Input(), nullptr), S_OK);
        callback = ComPtr<RecordingCallback>::Adopt(new RecordingCallback);
    }
    ~GrabberChain() {
        grabberFilter->Stop();
        source->Output().Disconnect();
        Pin(0).Disconnect();
        Pin(1).Disconnect();
        sink->Input().Disconnect();
    }
    IPin& Pin(int index) {
        ComPtr<IEnumPins> pins;
        grabberFilter->EnumPins(pins.Receive());
        IPin* list[2]{};
        ULONG fetched = 0;
        pins->Next(2, list, &fetched);
        ComPtr<IPin> keep[2]{ComPtr<IPin>::Adopt(list[0]), ComPtr<IPin>::Adopt(list[1])};
        return *list[index]; // pins live as long as the filter
    }
    HRESULT Push(uint8_t* bytes, int32_t length, REFERENCE_TIME start) {
        auto sample = MediaSample::Create(bytes, length, length, start, start + 333333);
        return source->Output().Deliver(sample.Get());
    }

    SampleGrabber* grabber = nullptr;
    TestSource* source = nullptr;
    TestSink* sink = nullptr;
    ComPtr<IBaseFilter> grabberFilter, sourceFilter, sinkFilter;
    ComPtr<RecordingCallback> callback;
};

TEST(SampleGrabber, InputTakesOnlyTheWantedTypeAtAnySizeAndReportsIt) {
    GrabberChain chain;
    EXPECT_EQ(chain.source->Output().ConnectedType()->subtype, MEDIASUBTYPE_RGB24)
        << "the first offer is not RGB24 and must be refused";
    AM_MEDIA_TYPE connected{};
    ASSERT_EQ(chain.grabber->GetConnectedMediaType(&connected), S_OK);
    ASSERT_EQ(connected.cbFormat, sizeof(VIDEOINFOHEADER));
    const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(connected.pbFormat);
    EXPECT_EQ(info->bmiHeader.biWidth, 8);
    EXPECT_EQ(info->bmiHeader.biHeight, 4);
    FreeMediaType(connected);
    EXPECT_EQ(chain.sink->Input().ConnectedType()->cbFormat, sizeof(VIDEOINFOHEADER))
        << "the output passes the input's type on";

    SampleGrabber* lone = new SampleGrabber;
    ComPtr<IBaseFilter> loneFilter = ComPtr<IBaseFilter>::Adopt(lone);
    AM_MEDIA_TYPE none{};
    EXPECT_EQ(lone->GetConnectedMediaType(&none), VFW_E_NOT_CONNECTED);
    // A wanted type with a format block fixes the size too.
    ScopedMediaType exact = RgbVideoType(16, 16);
    lone->SetMediaType(&exact);
    TestSource* source = nullptr;
    auto sourceFilter = TestSource::Create({RgbVideoType(8, 4)}, &source);
    ComPtr<IPin> input;
    loneFilter->FindPin(u"Input", input.Receive());
    EXPECT_EQ(source->Output().Connect(input.Get(), nullptr), VFW_E_NO_ACCEPTABLE_TYPES);
}

TEST(SampleGrabber, CallsBackThenPassesTheSameSampleOn) {
    GrabberChain chain;
    chain.grabber->SetCallback(chain.callback.Get(), 1);
    chain.grabberFilter->Run(0);
    uint8_t frame[96] = {7};
    ASSERT_EQ(chain.Push(frame, sizeof frame, 20'000'000), S_OK);
    ASSERT_EQ(chain.callback->buffers.size(), 1u);
    EXPECT_EQ(chain.callback->buffers[0], frame) << "the callback sees the sample's own bytes";
    EXPECT_EQ(chain.callback->lengths[0], 96);
    EXPECT_DOUBLE_EQ(chain.callback->times[0], 2.0);
    EXPECT_EQ(chain.sink->Samples(), 1);

    auto sampleCallback = ComPtr<RecordingCallback>::Adopt(new RecordingCallback);
    chain.grabber->SetCallback(sampleCallback.Get(), 0);
    auto sample = MediaSample::Create(frame, 96, 96, 0, 1);
    chain.source->Output().Deliver(sample.Get());
    ASSERT_EQ(sampleCallback->samples.size(), 1u);
    EXPECT_EQ(sampleCallback->samples[0], sample.Get());
    EXPECT_EQ(chain.grabber->SetCallback(nullptr, 2), E_INVALIDARG);
}

TEST(SampleGrabber, KeepsACopyOfTheLastSampleAndNeverOverrunsTheCallersBuffer) {
    GrabberChain chain;
    int32_t size = 0;
    EXPECT_EQ(chain.grabber->GetCurrentBuffer(&size, nullptr), E_INVALIDARG) << "buffering is off";
    chain.grabber->SetBufferSamples(TRUE);
    EXPECT_EQ(chain.grabber->GetCurrentBuffer(&size, nullptr), VFW_E_WRONG_STATE) << "no sample yet";
    chain.grabberFilter->Run(0);
    uint8_t first[96];
    uint8_t second[96];
    std::fill(std::begin(first), std::end(first), 1);
    std::fill(std::begin(second), std::end(second), 2);
    chain.Push(first, 96, 0);
    chain.Push(second, 96, 1);
    second[0] = 9; // the copy is the grabber's own
    ASSERT_EQ(chain.grabber->GetCurrentBuffer(&size, nullptr), S_OK);
    EXPECT_EQ(size, 96);
    int32_t copy[32];
    std::fill(std::begin(copy), std::end(copy), -1);
    size = 10;
    ASSERT_EQ(chain.grabber->GetCurrentBuffer(&size, copy), S_OK);
    EXPECT_EQ(size, 10);
    const auto* bytes = reinterpret_cast<const uint8_t*>(copy);
    EXPECT_EQ(bytes[0], 2);
    EXPECT_EQ(bytes[9], 2);
    EXPECT_EQ(bytes[10], 0xFF) << "nothing beyond the size asked for";
    chain.grabber->SetBufferSamples(FALSE);
    EXPECT_EQ(chain.grabber->GetCurrentBuffer(&size, nullptr), E_INVALIDARG);
}

TEST(SampleGrabber, StoppedRefusesSamplesAndOneShotTakesOnlyTheFirstOfARun) {
    GrabberChain chain;
    chain.grabber->SetCallback(chain.callback.Get(), 1);
    uint8_t frame[96] = {};
    EXPECT_EQ(chain.Push(frame, 96, 0), VFW_E_WRONG_STATE);
    EXPECT_EQ(chain.callback->Calls(), 0u);
    chain.grabber->SetOneShot(TRUE);
    chain.grabberFilter->Run(0);
    EXPECT_EQ(chain.Push(frame, 96, 0), S_OK);
    EXPECT_EQ(chain.Push(frame, 96, 1), S_FALSE);
    EXPECT_EQ(chain.callback->Calls(), 1u);
    EXPECT_EQ(chain.sink->Samples(), 1);
    chain.grabberFilter->Stop();
    chain.grabberFilter->Run(0);
    EXPECT_EQ(chain.Push(frame, 96, 2), S_OK) << "a new run takes a new shot";
    EXPECT_EQ(chain.callback->Calls(), 2u);
}

TEST(SampleGrabber, AThrowingCallbackDoesNotStopTheStream) {
    GrabberChain chain;
    chain.callback->onBuffer = [](uint8_t*, int32_t) { throw std::runtime_error("frame pass failed"); };
    chain.grabber->SetCallback(chain.callback.Get(), 1);
    chain.grabberFilter->Run(0);
    uint8_t frame[96] = {};
    EXPECT_EQ(chain.Push(frame, 96, 0), S_OK);
    EXPECT_EQ(chain.sink->Samples(), 1);
}

TEST(SampleGrabber, StopWaitsForTheCallbackInProgressAndNoneFollows) {
    GrabberChain chain;
    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false;
    bool release = false;
    chain.callback->onBuffer = [&](uint8_t*, int32_t) {
        std::unique_lock lock(mutex);
        entered = true;
        changed.notify_all();
        changed.wait(lock, [&] { return release; });
    };
    chain.grabber->SetCallback(chain.callback.Get(), 1);
    chain.grabberFilter->Run(0);
    uint8_t frame[96] = {};
    std::thread streaming([&] { chain.Push(frame, 96, 0); });
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(5), [&] { return entered; }));
    }
    auto stopped = std::async(std::launch::async, [&] { return chain.grabberFilter->Stop(); });
    EXPECT_EQ(stopped.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout)
        << "Stop returned while a callback was running";
    {
        std::lock_guard lock(mutex);
        release = true;
    }
    changed.notify_all();
    EXPECT_EQ(stopped.get(), S_OK);
    streaming.join();
    EXPECT_EQ(chain.Push(frame, 96, 1), VFW_E_WRONG_STATE);
    EXPECT_EQ(chain.callback->Calls(), 1u);
}

} // namespace
