#include "platform/com/ClassRegistry.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/cameras/V4l2FrameSource.h"
#include "platform/media/converters/ColourConversion.h"
#include "platform/media/core/CameraControlInterfaces.h"
#include "platform/media/core/ErrorText.h"
#include "platform/media/core/GraphInterfaces.h"
#include "platform/media/devices/Directory.h"
#include "platform/media/filters/SampleGrabber.h"
#include "platform/media/renderers/VideoRenderer.h"
#include "platform/media/renderers/VideoRendererWidget.h"
#include "platform/media/sources/RecordedMjpegFrameSource.h"
#include "platform/windows/WindowServices.h"
#include "tests/media/support/FakeGraph.h"
#include "tests/media/support/FakeV4l2Access.h"
#include "tests/media/support/GrabberTestSupport.h"
#include "tests/media/support/JpegEncoding.h"
#include "tests/support/QtTestMain.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <tuple>

namespace {

using namespace std::chrono_literals;

ComPtr<IBaseFilter> BindDevice(DeviceKind kind, const std::u16string& id) {
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(DeviceDirectory::Bind({kind, id}, IID_IBaseFilter, filter.ReceiveVoid()), S_OK);
    return filter;
}

ComPtr<IPin> PinOf(const ComPtr<IBaseFilter>& filter, const char16_t* name) {
    ComPtr<IPin> pin;
    filter->FindPin(name, pin.Receive());
    return pin;
}

// Capture source → sample grabber (24-bit RGB, buffer callback) → video renderer, in a fake graph.
struct StreamingGraph {
    explicit StreamingGraph(ComPtr<IBaseFilter> capture) : source(std::move(capture)) {
        grabberFilter = ComPtr<IBaseFilter>::Adopt(grabber = new SampleGrabber);
        rendererFilter = ComPtr<IBaseFilter>::Adopt(renderer = new VideoRenderer);
        for (auto& [filter, name] :
             {std::pair{source, u"Source"}, {grabberFilter, u"Grabber"}, {rendererFilter, u"Renderer"}})
            filter->JoinFilterGraph(graph.Get(), name);
        ScopedMediaType wanted = VideoType(MEDIASUBTYPE_RGB24);
        wanted->formattype = FORMAT_VideoInfo;
        grabber->SetMediaType(&wanted);
        grabber->SetCallback(callback.Get(), 1);
        EXPECT_EQ(PinOf(source, u"Capture")->Connect(PinOf(grabberFilter, u"Input").Get(), nullptr), S_OK);
        EXPECT_EQ(PinOf(grabberFilter, u"Output")->Connect(PinOf(rendererFilter, u"Input").Get(), nullptr),
                  S_OK);
    }
    ~StreamingGraph() {
        Stop();
        DetachFilters({source.Get(), grabberFilter.Get(), rendererFilter.Get()});
    }
    HRESULT Run() {
        rendererFilter->Run(0);
        grabberFilter->Run(0);
        return source->Run(0);
    }
    void Stop() {
        source->Stop();
        grabberFilter->Stop();
        rendererFilter->Stop();
    }

    ComPtr<FakeGraph> graph = ComPtr<FakeGraph>::Adopt(new FakeGraph);
    ComPtr<RecordingCallback> callback = ComPtr<RecordingCallback>::Adopt(new RecordingCallback);
    ComPtr<IBaseFilter> source, grabberFilter, rendererFilter;
    SampleGrabber* grabber = nullptr;
    VideoRenderer* renderer = nullptr;
};

TEST(CaptureStreaming, PatternCameraFramesReachTheCallbackAtItsRateAndTheWindow) {
    StreamingGraph chain(BindDevice(DeviceKind::Virtual, u"pattern:64x48@50"));
    ASSERT_EQ(chain.Run(), S_OK);
    ASSERT_TRUE(chain.callback->WaitForCalls(10));
    const auto [times, lengths] =
        chain.callback->Read([&] { return std::pair(chain.callback->times, chain.callback->lengths); });
    EXPECT_EQ(lengths[0], 192 * 48) << "frames of the camera's size";
    const double span = times[9] - times[0];
    EXPECT_GT(span, 0.9 * 9 / 50) << "paced at 50 frames a second";
    EXPECT_LT(span, 2.0);
    for (size_t k = 1; k < times.size(); ++k)
        EXPECT_GT(times[k], times[k - 1]);
    auto& widget = *static_cast<VideoRendererWidget*>(WidgetOf(chain.renderer->Window()));
    EXPECT_TRUE(ProcessEventsUntil([&] { return widget.FramesPainted() >= 1; }));

    chain.Stop();
    const size_t calls = chain.callback->Calls();
    EXPECT_FALSE(chain.callback->WaitForCalls(calls + 1, 200ms)) << "a callback after Stop";
    ASSERT_EQ(chain.Run(), S_OK) << "Run after Stop";
    EXPECT_TRUE(chain.callback->WaitForCalls(calls + 3));
}

TEST(CaptureStreaming, StopIsPromptEvenBetweenSlowFrames) {
    StreamingGraph chain(BindDevice(DeviceKind::Virtual, u"pattern:32x32@1"));
    ASSERT_EQ(chain.Run(), S_OK);
    ASSERT_TRUE(chain.callback->WaitForCalls(1));
    const auto before = std::chrono::steady_clock::now();
    chain.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 500ms);
}

TEST(CaptureStreaming, ImageCameraServesItsPictureBottomUp) {
    const QString path = QDir::temp().filePath("tarnolix-still-%1.bmp").arg(getpid());
    QImage picture(8, 6, QImage::Format_RGB32);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            picture.setPixel(x, y, y < 3 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    ASSERT_TRUE(picture.save(path, "BMP"));
    {
        StreamingGraph chain(BindDevice(DeviceKind::Virtual, u"image:" + path.toStdU16String()));
        std::vector<uint8_t> bottomRow, topRow;
        chain.callback->onBuffer = [&](uint8_t* bits, int32_t length) {
            if (!bottomRow.empty() || length != 24 * 6)
                return;
            bottomRow.assign(bits, bits + 3);
            topRow.assign(bits + 5 * 24, bits + 5 * 24 + 3);
        };
        ASSERT_EQ(chain.Run(), S_OK);
        ASSERT_TRUE(chain.callback->WaitForCalls(2));
        chain.Stop();
        EXPECT_EQ(bottomRow, (std::vector<uint8_t>{255, 0, 0})) << "blue, first in memory";
        EXPECT_EQ(topRow, (std::vector<uint8_t>{0, 0, 255})) << "red, last in memory";
    }
    QFile::remove(path);
}

FakeV4l2Node SmallCamera() {
    FakeV4l2Node node;
    node.path = "/dev/video0";
    node.card = "Kamera USB";
    node.sizes = {{32, 24}};
    return node;
}

TEST(CaptureStreaming, V4l2CameraStreamsUpsideDownRowsTheRightWayAndClosesEverything) {
    ScopedFakeV4l2 fake({SmallCamera()});
    {
        StreamingGraph chain(BindDevice(DeviceKind::V4l2, u"/dev/video0"));
        ASSERT_EQ(chain.Run(), S_OK);
        ASSERT_TRUE(chain.callback->WaitForCalls(5));
        chain.Stop();
        const auto lengths = chain.callback->Read([&] { return chain.callback->lengths; });
        const auto first = chain.callback->Read([&] { return chain.callback->firstBytes; });
        EXPECT_EQ(lengths[0], 96 * 24);
        EXPECT_EQ(first[0], 23) << "the camera's bottom row comes first";
        EXPECT_EQ(fake.Access().OpenDescriptors(), 0) << "Stop closes the device";
        EXPECT_EQ(fake.Access().Mappings(), 0);
        ASSERT_EQ(chain.Run(), S_OK) << "and Run opens it again";
        ASSERT_TRUE(chain.callback->WaitForCalls(lengths.size() + 3));
    }
    EXPECT_EQ(fake.Access().OpenDescriptors(), 0);
}

TEST(CaptureStreaming, AStreamingV4l2CameraCountsWhatItsDriverDeliveredForViewers) {
    ScopedFakeV4l2 fake({SmallCamera()});
    StreamingGraph chain(BindDevice(DeviceKind::V4l2, u"/dev/video0"));
    const auto counted = chain.source.As<ICounterSource>();
    ASSERT_TRUE(counted);
    NamedCounters counters;
    counted->ReadCounters(counters);
    EXPECT_TRUE(counters.empty()) << "nothing to count before it runs";
    ASSERT_EQ(chain.Run(), S_OK);
    ASSERT_TRUE(chain.callback->WaitForCalls(5));
    counted->ReadCounters(counters);
    ASSERT_EQ(counters.size(), 3u);
    EXPECT_EQ(counters[0].first, "frames_delivered");
    EXPECT_GE(counters[0].second, 5u);
    EXPECT_EQ(counters[1].first, "damaged_frames_dropped");
    EXPECT_EQ(counters[1].second, 0u);
    EXPECT_EQ(counters[2].first, "frames_missed");
    EXPECT_EQ(counters[2].second, 0u);
    fake.Access().SkipFrames("/dev/video0", 4);
    const size_t seen = chain.callback->Read([&] { return chain.callback->lengths.size(); });
    ASSERT_TRUE(chain.callback->WaitForCalls(seen + 3));
    counters.clear();
    counted->ReadCounters(counters);
    EXPECT_EQ(counters[2].second, 4u) << "the gap in the driver's numbers";
    chain.Stop();
    counters.clear();
    counted->ReadCounters(counters);
    EXPECT_TRUE(counters.empty()) << "the device's counts go with it";
}

TEST(CaptureStreaming, ABusyV4l2CameraMakesRunFailWithAClearResult) {
    FakeV4l2Node node = SmallCamera();
    node.busy = true;
    ScopedFakeV4l2 fake({node});
    StreamingGraph chain(BindDevice(DeviceKind::V4l2, u"/dev/video0"));
    EXPECT_EQ(chain.Run(), HRESULT_ERROR_BUSY);
    FILTER_STATE state = State_Running;
    chain.source->GetState(0, &state);
    EXPECT_EQ(state, State_Stopped);
    EXPECT_EQ(fake.Access().OpenDescriptors(), 0);
    char text[128];
    ASSERT_GT(AMGetErrorTextA(HRESULT_ERROR_BUSY, text, sizeof text), 0u);
    EXPECT_STREQ(text, "Żądany zasób jest w użyciu.");
}

TEST(CaptureStreaming, UnpluggedMidStreamTheCameraIsReportedLostAndTheThreadEnds) {
    ScopedFakeV4l2 fake({SmallCamera()});
    StreamingGraph chain(BindDevice(DeviceKind::V4l2, u"/dev/video0"));
    ASSERT_EQ(chain.Run(), S_OK);
    ASSERT_TRUE(chain.callback->WaitForCalls(3));
    fake.Access().Unplug("/dev/video0");
    ASSERT_TRUE(chain.graph->WaitFor(EC_DEVICE_LOST));
    const size_t calls = chain.callback->Calls();
    EXPECT_FALSE(chain.callback->WaitForCalls(calls + 1, 100ms)) << "no frames after the loss";
    const auto before = std::chrono::steady_clock::now();
    chain.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 500ms);
    EXPECT_EQ(fake.Access().OpenDescriptors(), 0);
}

TEST(CaptureStreaming, ACameraFailingMidStreamAbortsWithItsResult) {
    ScopedFakeV4l2 fake({SmallCamera()});
    StreamingGraph chain(BindDevice(DeviceKind::V4l2, u"/dev/video0"));
    ASSERT_EQ(chain.Run(), S_OK);
    ASSERT_TRUE(chain.callback->WaitForCalls(2));
    fake.Access().FailStreaming("/dev/video0", EIO);
    ASSERT_TRUE(chain.graph->WaitFor(EC_ERRORABORT));
    for (const auto& event : chain.graph->Events()) {
        if (event.code == EC_ERRORABORT) {
            EXPECT_EQ(event.param1, VFW_E_RUNTIME_ERROR);
        }
    }
}

TEST(CaptureStreaming, V4l2CameraIsAskedForItsFastestIntervalAndARefusalKeepsItsOwn) {
    FakeV4l2Node refusing = SmallCamera();
    refusing.path = "/dev/video1";
    refusing.refusesInterval = true;
    ScopedFakeV4l2 fake({SmallCamera(), refusing});
    const VideoFormat format{32, 24, 333333};

    V4l2FrameSource fastest(V4l2Access::Current(), "/dev/video0", format);
    ASSERT_EQ(fastest.Start(), S_OK);
    EXPECT_EQ(fastest.FrameInterval(), 333333) << "1/30 s, the fastest listed, not the first (1/5 s)";

    V4l2FrameSource keeps(V4l2Access::Current(), "/dev/video1", format);
    ASSERT_EQ(keeps.Start(), S_OK) << "a refusal is no failure";
    EXPECT_EQ(keeps.FrameInterval(), 2'000'000) << "the device's own 1/5 s, read back";
}

TEST(CaptureStreaming, DamagedV4l2FramesAreDroppedAndStreamingGoesOn) {
    ScopedFakeV4l2 fake({SmallCamera()});
    StreamingGraph chain(BindDevice(DeviceKind::V4l2, u"/dev/video0"));
    ASSERT_EQ(chain.Run(), S_OK);
    ASSERT_TRUE(chain.callback->WaitForCalls(2));
    fake.Access().DamageNextFrames("/dev/video0", 3, 3);
    const size_t before = chain.callback->Calls();
    ASSERT_TRUE(chain.callback->WaitForCalls(before + 4)) << "whole frames follow the damaged ones";
    const auto lengths = chain.callback->Read([&] { return chain.callback->lengths; });
    for (const int32_t length : lengths)
        EXPECT_EQ(length, 96 * 24) << "no damaged frame went downstream";
    EXPECT_FALSE(chain.graph->WaitFor(EC_ERRORABORT, 0ms));
    NamedCounters counters;
    chain.source.As<ICounterSource>()->ReadCounters(counters);
    ASSERT_EQ(counters.size(), 3u);
    EXPECT_EQ(counters[1].second, 6u) << "each short and each flagged frame is counted as damaged";
    EXPECT_GE(counters[0].second, before + 6 + 4) << "and as delivered";
}

TEST(CaptureStreaming, AV4l2ErrorWithNothingToDequeueAbortsInsteadOfSpinning) {
    ScopedFakeV4l2 fake({SmallCamera()});
    StreamingGraph chain(BindDevice(DeviceKind::V4l2, u"/dev/video0"));
    ASSERT_EQ(chain.Run(), S_OK);
    ASSERT_TRUE(chain.callback->WaitForCalls(2));
    fake.Access().ReportErrorWithoutFrames("/dev/video0");
    EXPECT_TRUE(chain.graph->WaitFor(EC_ERRORABORT));
}

// Connects the camera's capture pin to a grabber wanting RGB24 and runs the graph for three
// frames: the subtype the capture pin connected with, and the length and first pixel (blue,
// green, red of the bottom row) of the first RGB frame.
struct NativeCaptured {
    GUID subtype;
    int32_t length;
    std::array<uint8_t, 3> firstPixel;
};
NativeCaptured CaptureThroughGraph(const ComPtr<IBaseFilter>& source) {
    RegisterMediaClasses();
    ComPtr<IGraphBuilder> graph;
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               graph.ReceiveVoid()),
              S_OK);
    SampleGrabber* grabber = nullptr;
    const auto grabberFilter = ComPtr<IBaseFilter>::Adopt(grabber = new SampleGrabber);
    ScopedMediaType wanted = VideoType(MEDIASUBTYPE_RGB24);
    grabber->SetMediaType(&wanted);
    const auto callback = ComPtr<RecordingCallback>::Adopt(new RecordingCallback);
    grabber->SetCallback(callback.Get(), 1);
    std::array<uint8_t, 3> firstPixel{};
    bool seen = false; // written by the streaming thread, read once it has been stopped
    callback->onBuffer = [&](uint8_t* bits, int32_t length) {
        if (!seen && length >= 3)
            std::copy_n(bits, 3, firstPixel.begin());
        seen = true;
    };
    EXPECT_EQ(graph->AddFilter(source.Get(), u"Source"), S_OK);
    EXPECT_EQ(graph->AddFilter(grabberFilter.Get(), u"Grabber"), S_OK);
    EXPECT_EQ(graph->Connect(PinOf(source, u"Capture").Get(), PinOf(grabberFilter, u"Input").Get()), S_OK);
    AM_MEDIA_TYPE type{};
    EXPECT_EQ(PinOf(source, u"Capture")->ConnectionMediaType(&type), S_OK);
    const GUID subtype = type.subtype;
    FreeMediaType(type);

    EXPECT_EQ(graph.As<IMediaControl>()->Run(), S_OK);
    const bool frames = callback->WaitForCalls(3);
    EXPECT_TRUE(frames);
    graph.As<IMediaControl>()->Stop();
    const int32_t length = frames ? callback->Read([&] { return callback->lengths; })[0] : 0;
    graph->RemoveFilter(source.Get());
    return {subtype, length, firstPixel};
}

NativeCaptured NativeCapture(const FakeV4l2Node& camera) {
    ScopedFakeV4l2 fake({camera});
    const NativeCaptured captured = CaptureThroughGraph(BindDevice(DeviceKind::V4l2, u"/dev/video0"));
    EXPECT_EQ(fake.Access().OpenDescriptors(), 0);
    return captured;
}

TEST(CaptureStreaming, ARecordingOfMjpegFramesIsServedAsAnMjpegCamera) {
    // Two frames, bytes between them, and a third cut short, which is left out.
    const std::vector<uint8_t> first = EncodeRepeatedRow(std::vector<uint8_t>(32 * 3, 200), 24);
    const std::vector<uint8_t> second = EncodeRepeatedRow(std::vector<uint8_t>(32 * 3, 40), 24);
    std::vector<uint8_t> recording = first;
    recording.insert(recording.end(), {0x00, 0xFF, 0xD8});
    recording.insert(recording.end(), second.begin(), second.end());
    recording.insert(recording.end(), first.begin(), first.begin() + 100);
    const std::vector<std::vector<uint8_t>> frames = SplitMjpegRecording(recording);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[1], second);

    const QString path = QDir::temp().filePath("tarnolix-recording-%1.mjpeg").arg(getpid());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(recording.data()), static_cast<qint64>(recording.size()));
    file.close();
    const auto [subtype, length, pixel] =
        CaptureThroughGraph(BindDevice(DeviceKind::Virtual, u"mjpeg@100:" + path.toStdU16String()));
    QFile::remove(path);
    EXPECT_EQ(subtype, MEDIASUBTYPE_MJPG) << "decompressed in the graph";
    EXPECT_EQ(length, 96 * 24);
    EXPECT_NEAR(pixel[0], 200, 3);
}

TEST(CaptureStreaming, AV4l2CameraSendingYuyvOrMjpegIsCapturedAsItIsAndConvertedInTheGraph) {
    FakeV4l2Node yuyv = SmallCamera();
    yuyv.nativeModes = {{V4L2_PIX_FMT_YUYV, 32, 24}};
    const auto [yuyvSubtype, yuyvLength, yuyvBlue] = NativeCapture(yuyv);
    EXPECT_EQ(yuyvSubtype, MEDIASUBTYPE_YUY2) << "a converter between the camera and the grabber";
    EXPECT_EQ(yuyvLength, 96 * 24) << "RGB frames of the camera's size";

    FakeV4l2Node mjpeg = SmallCamera();
    mjpeg.nativeModes = {{V4L2_PIX_FMT_MJPEG, 32, 24}};
    mjpeg.compressedFrame = EncodeRepeatedRow(std::vector<uint8_t>(32 * 3, 200), 24);
    const auto [mjpegSubtype, mjpegLength, mjpegBlue] = NativeCapture(mjpeg);
    EXPECT_EQ(mjpegSubtype, MEDIASUBTYPE_MJPG) << "the decompressor between the camera and the grabber";
    EXPECT_EQ(mjpegLength, 96 * 24);

    FakeV4l2Node jpeg = mjpeg; // older cameras call the same frames JPEG
    jpeg.nativeModes = {{V4L2_PIX_FMT_JPEG, 32, 24}};
    const auto [jpegSubtype, jpegLength, jpegBlue] = NativeCapture(jpeg);
    EXPECT_EQ(jpegSubtype, MEDIASUBTYPE_MJPG);
    EXPECT_EQ(jpegLength, 96 * 24);
}

TEST(CaptureStreaming, YuvIsDecodedWithTheEncodingTheDriverReports) {
    // The fake's bottom row (the RGB frame's first) is all 23: Y, U and V far from neutral.
    const auto pixelOf = [](TYuvEncoding encoding) {
        const uint8_t pair[4] = {23, 23, 23, 23};
        uint8_t rgb[8] = {};
        Yuy2ToRgb24(pair, 4, 2, 1, rgb, encoding);
        return std::array<uint8_t, 3>{rgb[0], rgb[1], rgb[2]};
    };
    const TYuvEncoding hd{TYuvMatrix::Bt709, TYuvRange::Limited};
    const TYuvEncoding jpeg{TYuvMatrix::Bt601, TYuvRange::Full};
    ASSERT_NE(pixelOf(hd), pixelOf({}));
    ASSERT_NE(pixelOf(jpeg), pixelOf({}));
    const struct {
        uint32_t colourSpace, ycbcrEncoding, quantization;
        TYuvEncoding expected;
    } drivers[] = {
        {V4L2_COLORSPACE_SRGB, V4L2_YCBCR_ENC_DEFAULT, V4L2_QUANTIZATION_DEFAULT, {}},
        {V4L2_COLORSPACE_REC709, V4L2_YCBCR_ENC_DEFAULT, V4L2_QUANTIZATION_DEFAULT, hd},
        {V4L2_COLORSPACE_SRGB, V4L2_YCBCR_ENC_709, V4L2_QUANTIZATION_LIM_RANGE, hd},
        {V4L2_COLORSPACE_JPEG, V4L2_YCBCR_ENC_DEFAULT, V4L2_QUANTIZATION_DEFAULT, jpeg},
        {V4L2_COLORSPACE_SRGB, V4L2_YCBCR_ENC_601, V4L2_QUANTIZATION_FULL_RANGE, jpeg},
    };
    for (const auto& driver : drivers) {
        FakeV4l2Node camera = SmallCamera();
        camera.nativeModes = {{V4L2_PIX_FMT_YUYV, 32, 24}};
        camera.colourSpace = driver.colourSpace;
        camera.ycbcrEncoding = driver.ycbcrEncoding;
        camera.quantization = driver.quantization;
        EXPECT_EQ(NativeCapture(camera).firstPixel, pixelOf(driver.expected))
            << driver.colourSpace << " " << driver.ycbcrEncoding << " " << driver.quantization;
    }
}

// One frame of a 32x24 camera sending the native format with 8 bytes of padding on every row.
std::vector<uint8_t> PaddedNativeFrame(uint32_t pixelFormat, const GUID& subtype) {
    FakeV4l2Node camera = SmallCamera();
    camera.nativeModes = {{pixelFormat, 32, 24}};
    camera.linePadding = 8;
    ScopedFakeV4l2 fake({camera});
    V4l2FrameSource source(V4l2Access::Current(), camera.path, {32, 24, 0, subtype}, pixelFormat);
    std::vector<uint8_t> frame;
    EXPECT_EQ(source.Start(), S_OK);
    EXPECT_EQ(source.Next([&](uint8_t* bits, int32_t length) { frame.assign(bits, bits + length); }),
              FrameSource::Outcome::Frame);
    return frame;
}

TEST(CaptureStreaming, APlanarV4l2FrameLosesTheDriversRowPaddingPlaneByPlane) {
    // The fake fills each row of bytes-per-line (40) bytes with its number, chroma rows going on
    // from 24: NV12's U V rows are 40 bytes apart, YU12's U and V rows 20.
    const auto nv12 = PaddedNativeFrame(V4L2_PIX_FMT_NV12, MEDIASUBTYPE_NV12);
    ASSERT_EQ(nv12.size(), 32u * 24 * 3 / 2);
    EXPECT_EQ(nv12[31], 0);
    EXPECT_EQ(nv12[32], 1) << "luma rows back to back";
    EXPECT_EQ(nv12[32 * 24], 24) << "the U V rows follow the luma rows";
    EXPECT_EQ(nv12.back(), 35);

    const auto i420 = PaddedNativeFrame(V4L2_PIX_FMT_YUV420, MEDIASUBTYPE_I420);
    ASSERT_EQ(i420.size(), 32u * 24 * 3 / 2);
    EXPECT_EQ(i420[32 * 24 + 16 * 2], 25) << "U rows at half the luma's bytes per line";
    EXPECT_EQ(i420[32 * 24 + 16 * 12], 30) << "the V plane after the U plane";
    EXPECT_EQ(i420.back(), 35);
}

} // namespace

// The published image and camera interfaces reach the V4L2 controls while the camera streams:
// automatic white balance as the white balance's flag, the exposure in log2 seconds and its
// automatic mode; a virtual camera answers none of them.
TEST(CaptureStreaming, AV4l2CameraAnswersThePublishedControlInterfacesWhileItStreams) {
    FakeV4l2Node camera = SmallCamera();
    camera.controls = {
        {.id = V4L2_CID_BRIGHTNESS, .name = "Brightness", .minimum = -64, .maximum = 64},
        {.id = V4L2_CID_AUTO_WHITE_BALANCE,
         .type = V4L2_CTRL_TYPE_BOOLEAN,
         .name = "White Balance, Automatic",
         .maximum = 1,
         .defaultValue = 1},
        {.id = V4L2_CID_WHITE_BALANCE_TEMPERATURE,
         .name = "White Balance Temperature",
         .minimum = 2800,
         .maximum = 6500,
         .step = 10,
         .defaultValue = 4600,
         .master = V4L2_CID_AUTO_WHITE_BALANCE},
        {.id = V4L2_CID_EXPOSURE_AUTO,
         .type = V4L2_CTRL_TYPE_MENU,
         .name = "Auto Exposure",
         .maximum = 3,
         .defaultValue = 3,
         .menu = {"Auto Mode", "Manual Mode", "", "Aperture Priority Mode"}},
        {.id = V4L2_CID_EXPOSURE_ABSOLUTE,
         .name = "Exposure Time, Absolute",
         .minimum = 3,
         .maximum = 2047,
         .defaultValue = 156,
         .master = V4L2_CID_EXPOSURE_AUTO,
         .activeWhenMaster = V4L2_EXPOSURE_MANUAL},
    };
    ScopedFakeV4l2 fake({camera});
    StreamingGraph chain(BindDevice(DeviceKind::V4l2, u"/dev/video0"));
    ASSERT_EQ(chain.Run(), S_OK);
    ComPtr<IAMVideoProcAmp> image;
    ComPtr<IAMCameraControl> controls;
    ASSERT_EQ(chain.source->QueryInterface(IID_IAMVideoProcAmp, image.ReceiveVoid()), S_OK);
    ASSERT_EQ(chain.source->QueryInterface(IID_IAMCameraControl, controls.ReceiveVoid()), S_OK);

    long minimum = 0, maximum = 0, step = 0, defaultValue = 0, caps = 0, value = 0, flags = 0;
    ASSERT_EQ(image->GetRange(VideoProcAmp_Brightness, &minimum, &maximum, &step, &defaultValue, &caps),
              S_OK);
    EXPECT_EQ(std::tuple(minimum, maximum, step, defaultValue, caps), std::tuple(-64L, 64L, 1L, 0L, 2L));
    EXPECT_EQ(image->Set(VideoProcAmp_Brightness, -20, VideoProcAmp_Flags_Manual), S_OK);
    EXPECT_EQ(fake.Access().ControlValue("/dev/video0", V4L2_CID_BRIGHTNESS), -20);
    EXPECT_EQ(image->Set(VideoProcAmp_Brightness, 65, VideoProcAmp_Flags_Manual), E_INVALIDARG);
    EXPECT_EQ(image->Get(VideoProcAmp_Contrast, &value, &flags), E_PROP_ID_UNSUPPORTED);

    ASSERT_EQ(image->Get(VideoProcAmp_WhiteBalance, &value, &flags), S_OK);
    EXPECT_EQ(std::pair(value, flags), std::pair(4600L, long{VideoProcAmp_Flags_Auto}));
    EXPECT_EQ(image->Set(VideoProcAmp_WhiteBalance, 3200, VideoProcAmp_Flags_Manual), S_OK)
        << "the automatic mode goes off first";
    EXPECT_EQ(fake.Access().ControlValue("/dev/video0", V4L2_CID_AUTO_WHITE_BALANCE), 0);
    EXPECT_EQ(fake.Access().ControlValue("/dev/video0", V4L2_CID_WHITE_BALANCE_TEMPERATURE), 3200);

    ASSERT_EQ(controls->GetRange(CameraControl_Exposure, &minimum, &maximum, &step, &defaultValue, &caps),
              S_OK);
    EXPECT_EQ(std::tuple(minimum, maximum, defaultValue, caps), std::tuple(-12L, -2L, -6L, 3L))
        << "0.3 ms to 0.2 s, 1/64 s by default";
    EXPECT_EQ(controls->Set(CameraControl_Exposure, -5, CameraControl_Flags_Manual), S_OK);
    EXPECT_EQ(fake.Access().ControlValue("/dev/video0", V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_MANUAL);
    EXPECT_EQ(fake.Access().ControlValue("/dev/video0", V4L2_CID_EXPOSURE_ABSOLUTE), 313) << "1/32 s";
    EXPECT_EQ(controls->Set(CameraControl_Exposure, 0, CameraControl_Flags_Auto), S_OK);
    EXPECT_EQ(fake.Access().ControlValue("/dev/video0", V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_AUTO);
    EXPECT_EQ(controls->Get(CameraControl_Zoom, &value, &flags), E_PROP_ID_UNSUPPORTED);
    const uint64_t frames = chain.callback->Read([&] { return chain.callback->lengths.size(); });
    EXPECT_TRUE(chain.callback->WaitForCalls(frames + 3)) << "the stream goes on";

    const ComPtr<IBaseFilter> pattern = BindDevice(DeviceKind::Virtual, u"pattern:32x24@30");
    EXPECT_EQ(pattern->QueryInterface(IID_ICameraControls, image.ReceiveVoid()), E_NOINTERFACE);
}
