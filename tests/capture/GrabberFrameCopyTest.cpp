#include "capture/FrameCopy.h"
#include "platform/media/devices/Directory.h"
#include "platform/media/filters/SampleGrabber.h"
#include "tests/media/support/FakeV4l2Access.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

// Counts frames; GetBitmap is called from inside the callback, as the frame pass does.
class CopyingCallback final : public ComObject<ISampleGrabberCB> {
public:
    explicit CopyingCallback(ISampleGrabber& grabber) : grabber_(grabber) {}
    HRESULT SampleCB(double, IMediaSample*) override { return S_OK; }
    HRESULT BufferCB(double, uint8_t* buffer, int32_t length) override {
        std::lock_guard lock(mutex_);
        if (frames_ == 0) {
            copied = GetBitmap(&grabber_, &fromBuffer, buffer, length);
        }
        ++frames_;
        changed_.notify_all();
        return S_OK;
    }
    bool WaitForFrames(int count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(5), [&] { return frames_ >= count; });
    }

    bool copied = false;
    TBitmap fromBuffer;

private:
    ISampleGrabber& grabber_;
    std::mutex mutex_; // guards frames_, copied and fromBuffer
    std::condition_variable changed_;
    int frames_ = 0;
};

ComPtr<IPin> PinOf(IBaseFilter* filter, const char16_t* name) {
    ComPtr<IPin> pin;
    filter->FindPin(name, pin.Receive());
    return pin;
}

TEST(GrabberFrameCopy, ACameraFrameLandsInTheBitmapTheRightWayUp) {
    FakeV4l2Node node;
    node.path = "/dev/video0";
    node.card = "Kamera";
    node.sizes = {{40, 30}};
    ScopedFakeV4l2 fake({node});
    ComPtr<IBaseFilter> source;
    ASSERT_EQ(
        DeviceDirectory::Bind({DeviceKind::V4l2, u"/dev/video0"}, IID_IBaseFilter, source.ReceiveVoid()),
        S_OK);
    auto grabber = ComPtr<SampleGrabber>::Adopt(new SampleGrabber);
    AM_MEDIA_TYPE wanted{};
    wanted.majortype = MEDIATYPE_Video;
    wanted.subtype = MEDIASUBTYPE_RGB24;
    wanted.formattype = FORMAT_VideoInfo;
    grabber->SetMediaType(&wanted);
    grabber->SetBufferSamples(TRUE);
    auto callback = ComPtr<CopyingCallback>::Adopt(new CopyingCallback(*grabber));
    grabber->SetCallback(callback.Get(), 1);
    ASSERT_EQ(PinOf(source.Get(), u"Capture")->Connect(PinOf(grabber.Get(), u"Input").Get(), nullptr), S_OK);
    grabber->Run(0);
    ASSERT_EQ(source->Run(0), S_OK);
    ASSERT_TRUE(callback->WaitForFrames(3));
    source->Stop();
    grabber->Stop();

    ASSERT_TRUE(callback->copied);
    TBitmap stored;
    ASSERT_TRUE(GetBitmap(grabber.Get(), &stored)) << "from the grabber's copy of the last sample";
    for (TBitmap* bitmap : {&callback->fromBuffer, &stored}) {
        ASSERT_EQ(bitmap->Width(), 40);
        ASSERT_EQ(bitmap->Height(), 30);
        EXPECT_EQ(bitmap->ScanLine(0)[0], 0) << "the camera's top row";
        EXPECT_EQ(bitmap->ScanLine(29)[119], 29) << "the camera's bottom row";
    }
    PinOf(source.Get(), u"Capture")->Disconnect();
    PinOf(grabber.Get(), u"Input")->Disconnect();
}

} // namespace
