#include "platform/com/ClassIdText.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/ItemMoniker.h"
#include "platform/com/MemoryStream.h"
#include "platform/com/OlePersistence.h"
#include "platform/com/PropertyBagInterface.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/cameras/LibV4l2Access.h"
#include "platform/media/core/DeviceEnumInterfaces.h"
#include "platform/media/core/VideoFormat.h"
#include "platform/media/devices/VideoDeviceProviders.h"
#include "platform/media/sources/CaptureSourceFilter.h"
#include "tests/media/support/FakeV4l2Access.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <linux/videodev2.h>
#include <unistd.h>

namespace {

constexpr uint32_t kCapture = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
constexpr uint32_t kMetadata = V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING;

FakeV4l2Node Node(const std::string& path, const std::string& card, uint32_t caps = kCapture) {
    FakeV4l2Node node;
    node.path = path;
    node.card = card;
    node.deviceCaps = caps;
    return node;
}

std::vector<FakeV4l2Node> CameraWithMetadataAndABusyNode() {
    auto camera = Node("/dev/video0", "USB Camera: HD Webcam");
    camera.sizes = {{640, 480}, {1280, 720}};
    camera.identity = "/dev/v4l/by-id/usb-Fake_HD_Webcam-video-index0";
    auto busy = Node("/dev/video2", "Busy");
    busy.failsToOpen = true;
    return {camera, Node("/dev/video1", "USB Camera: HD Webcam", kMetadata), busy,
            Node("/dev/video3", "Druga kamera")};
}

ComPtr<IEnumMoniker> Enumerate(REFCLSID category, HRESULT expected = S_OK) {
    ComPtr<ICreateDevEnum> devices;
    EXPECT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, 3, IID_ICreateDevEnum, devices.ReceiveVoid()),
              S_OK);
    ComPtr<IEnumMoniker> monikers;
    EXPECT_EQ(devices->CreateClassEnumerator(category, monikers.Receive(), 0), expected);
    return monikers;
}

std::vector<ComPtr<IMoniker>> All(IEnumMoniker* enumerator) {
    std::vector<ComPtr<IMoniker>> monikers;
    IMoniker* raw = nullptr;
    while (enumerator && enumerator->Next(1, &raw, nullptr) == S_OK)
        monikers.push_back(ComPtr<IMoniker>::Adopt(raw));
    return monikers;
}

std::u16string Property(IMoniker* moniker, const char16_t* name) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReceiveVoid())))
        return u"<no bag>";
    ScopedVariant value;
    if (FAILED(bag->Read(name, &value, nullptr)))
        return u"<none>";
    return std::u16string(value.String());
}

std::vector<VideoFormat> Formats(IBaseFilter* filter) {
    std::vector<VideoFormat> formats;
    ComPtr<IEnumPins> pins;
    EXPECT_EQ(filter->EnumPins(pins.Receive()), S_OK);
    IPin* raw = nullptr;
    EXPECT_EQ(pins->Next(1, &raw, nullptr), S_OK);
    auto pin = ComPtr<IPin>::Adopt(raw);
    PIN_DIRECTION direction{};
    pin->QueryDirection(&direction);
    EXPECT_EQ(direction, PINDIR_OUTPUT);
    ComPtr<IEnumMediaTypes> types;
    EXPECT_EQ(pin->EnumMediaTypes(types.Receive()), S_OK);
    AM_MEDIA_TYPE* type = nullptr;
    while (types->Next(1, &type, nullptr) == S_OK) {
        if (const auto format = AnyVideoFormatOf(*type))
            formats.push_back(*format);
        EXPECT_EQ(pin->QueryAccept(type), S_OK);
        DeleteMediaType(type);
    }
    return formats;
}

ComPtr<IMoniker> SavedAndLoaded(IMoniker* moniker) {
    auto stream = MemoryStream::Create();
    EXPECT_EQ(OleSaveToStream(moniker, stream.Get()), S_OK);
    stream->Seek(0, STREAM_SEEK_SET, nullptr);
    ComPtr<IMoniker> loaded;
    EXPECT_EQ(OleLoadFromStream(stream.Get(), IID_IMoniker, loaded.ReceiveVoid()), S_OK);
    return loaded;
}

class DeviceEnumeratorTest : public testing::Test {
protected:
    void SetUp() override { RegisterMediaClasses(); }

    ScopedFakeV4l2 v4l2_{CameraWithMetadataAndABusyNode()};
    ScopedEnvironment cameras_{"TARNOLIX_VIRTUAL_CAMERAS", "Wzór=pattern:320x240@15"};
};

TEST_F(DeviceEnumeratorTest, ListsCaptureNodesInOrderThenVirtualCameras) {
    const auto monikers = All(Enumerate(CLSID_VideoInputDeviceCategory).Get());
    ASSERT_EQ(monikers.size(), 3u) << "the metadata node and the node that fails to open are left out";
    EXPECT_EQ(Property(monikers[0].Get(), u"FriendlyName"), u"USB Camera: HD Webcam");
    EXPECT_EQ(Property(monikers[0].Get(), u"DevicePath"), u"/dev/video0");
    EXPECT_EQ(Property(monikers[0].Get(), u"CLSID"), StringFromCLSID(CLSID_V4l2CaptureSource));
    EXPECT_EQ(Property(monikers[1].Get(), u"FriendlyName"), u"Druga kamera");
    EXPECT_EQ(Property(monikers[2].Get(), u"FriendlyName"), u"Wzór");
    EXPECT_EQ(Property(monikers[2].Get(), u"CLSID"), StringFromCLSID(CLSID_VirtualCameraSource));
    EXPECT_EQ(MonikerDisplayName(monikers[0].Get()),
              u"@device:tarnolix:v4l2:/dev/v4l/by-id/usb-Fake_HD_Webcam-video-index0");
    EXPECT_EQ(MonikerDisplayName(monikers[1].Get()), u"@device:tarnolix:v4l2:/dev/video3");
    EXPECT_EQ(v4l2_.Access().OpenDescriptors(), 0) << "a probed node was left open";
}

TEST_F(DeviceEnumeratorTest, CardNameFillingTheWholeFieldIsNotOverread) {
    const std::string full(32, 'K');
    v4l2_.Access().SetNodes({Node("/dev/video0", full + "overflow")});
    ScopedEnvironment none("TARNOLIX_VIRTUAL_CAMERAS", "");
    const auto monikers = All(Enumerate(CLSID_VideoInputDeviceCategory).Get());
    ASSERT_EQ(monikers.size(), 1u);
    EXPECT_EQ(Property(monikers[0].Get(), u"FriendlyName"), std::u16string(32, u'K'));
}

TEST_F(DeviceEnumeratorTest, EmptyAndUnknownCategoriesAnswerFalseWithoutEnumerator) {
    v4l2_.Access().SetNodes({});
    ScopedEnvironment none("TARNOLIX_VIRTUAL_CAMERAS", "");
    EXPECT_FALSE(Enumerate(CLSID_VideoInputDeviceCategory, S_FALSE));
    const CLSID audio{0x33D9A762, 0x90C8, 0x11D0, {0xBD, 0x43, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
    EXPECT_FALSE(Enumerate(audio, S_FALSE));

    const auto categories = All(Enumerate(CLSID_ActiveMovieCategories).Get());
    ASSERT_EQ(categories.size(), 1u);
    EXPECT_EQ(Property(categories[0].Get(), u"CLSID"), StringFromCLSID(CLSID_VideoInputDeviceCategory));
}

TEST_F(DeviceEnumeratorTest, CamerasAttachedAndDetachedShowAtTheNextEnumeration) {
    EXPECT_EQ(All(Enumerate(CLSID_VideoInputDeviceCategory).Get()).size(), 3u);
    v4l2_.Access().SetNodes({});
    EXPECT_EQ(All(Enumerate(CLSID_VideoInputDeviceCategory).Get()).size(), 1u);
    ScopedEnvironment more("TARNOLIX_VIRTUAL_CAMERAS", "A=pattern,B=pattern");
    EXPECT_EQ(All(Enumerate(CLSID_VideoInputDeviceCategory).Get()).size(), 2u);
}

TEST_F(DeviceEnumeratorTest, V4l2MonikerRoundTripsAndBindsToANewFilterEachTime) {
    const auto monikers = All(Enumerate(CLSID_VideoInputDeviceCategory).Get());
    const auto loaded = SavedAndLoaded(monikers[0].Get());
    ASSERT_TRUE(loaded);
    EXPECT_NE(loaded, monikers[0]);
    EXPECT_EQ(MonikerDisplayName(loaded.Get()), MonikerDisplayName(monikers[0].Get()));
    EXPECT_EQ(loaded->IsEqual(monikers[0].Get()), S_OK);
    EXPECT_EQ(loaded->IsEqual(monikers[1].Get()), S_FALSE);
    EXPECT_EQ(Property(loaded.Get(), u"FriendlyName"), u"USB Camera: HD Webcam")
        << "a loaded moniker asks the device";

    ComPtr<IBaseFilter> first;
    ComPtr<IBaseFilter> second;
    ASSERT_EQ(loaded->BindToObject(nullptr, nullptr, IID_IBaseFilter, first.ReceiveVoid()), S_OK);
    ASSERT_EQ(loaded->BindToObject(nullptr, nullptr, IID_IBaseFilter, second.ReceiveVoid()), S_OK);
    EXPECT_NE(first, second);
    CLSID clsid{};
    EXPECT_EQ(first->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_V4l2CaptureSource);
    const REFERENCE_TIME thirtyPerSecond = 333333;
    EXPECT_EQ(Formats(first.Get()),
              (std::vector<VideoFormat>{{1280, 720, thirtyPerSecond}, {640, 480, thirtyPerSecond}}))
        << "the best size first";
    EXPECT_EQ(v4l2_.Access().OpenDescriptors(), 0);
}

TEST_F(DeviceEnumeratorTest, StableIdentityFollowsARenumberedCameraAndAGoneOneDoesNotBind) {
    const auto loaded = SavedAndLoaded(All(Enumerate(CLSID_VideoInputDeviceCategory).Get())[0].Get());
    auto renumbered = CameraWithMetadataAndABusyNode();
    renumbered[0].path = "/dev/video4";
    v4l2_.Access().SetNodes(renumbered);
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(loaded->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReceiveVoid()), S_OK);
    EXPECT_EQ(static_cast<CaptureSourceFilter*>(filter.Get())->Device(), "/dev/video4");

    v4l2_.Access().SetNodes({});
    EXPECT_EQ(loaded->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReceiveVoid()), MK_E_NOOBJECT);
    EXPECT_FALSE(filter);
    EXPECT_EQ(Property(loaded.Get(), u"FriendlyName"), u"<no bag>");
}

TEST_F(DeviceEnumeratorTest, WithoutALinkTheBusAndCardNameTheCameraWhereverItsNodeGoes) {
    auto camera = Node("/dev/video2", "Kamera USB");
    camera.busInfo = "usb-0000:00:14.0-2";
    v4l2_.Access().SetNodes({camera});
    const auto loaded = SavedAndLoaded(All(Enumerate(CLSID_VideoInputDeviceCategory).Get())[0].Get());
    EXPECT_EQ(MonikerDisplayName(loaded.Get()), u"@device:tarnolix:v4l2:bus:usb-0000:00:14.0-2|Kamera USB");

    auto other = Node("/dev/video2", "Kamera USB"); // the same model on another port
    other.busInfo = "usb-0000:00:14.0-3";
    camera.path = "/dev/video5";
    v4l2_.Access().SetNodes({other, camera});
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(loaded->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReceiveVoid()), S_OK);
    EXPECT_EQ(static_cast<CaptureSourceFilter*>(filter.Get())->Device(), "/dev/video5");
}

TEST_F(DeviceEnumeratorTest, NodeWithoutBgrStillBindsWithNoFormatsAndCurrentSizeIsTheFallback) {
    auto noBgr = Node("/dev/video0", "Bez RGB");
    noBgr.offersBgr24 = false;
    auto noSizes = Node("/dev/video1", "Bez rozmiarów");
    noSizes.sizes.clear();
    v4l2_.Access().SetNodes({noBgr, noSizes});
    const auto monikers = All(Enumerate(CLSID_VideoInputDeviceCategory).Get());
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(monikers[0]->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReceiveVoid()), S_OK);
    EXPECT_TRUE(Formats(filter.Get()).empty());
    ASSERT_EQ(monikers[1]->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReceiveVoid()), S_OK);
    EXPECT_EQ(Formats(filter.Get()), (std::vector<VideoFormat>{{352, 288, 333333}}));
}

TEST_F(DeviceEnumeratorTest, CameraSendingOnlyFormatsWeDoNotConvertBindsWithLibv4l2sBgr) {
    auto bayer = Node("/dev/video0", "Bayer");
    bayer.nativeModes = {{V4L2_PIX_FMT_SGRBG8, 2592, 1944}, {V4L2_PIX_FMT_SGRBG8, 1280, 720}};
    bayer.sizes = {{640, 480}, {2592, 1944}, {1280, 720}};
    v4l2_.Access().SetNodes({bayer});
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(All(Enumerate(CLSID_VideoInputDeviceCategory).Get())[0]->BindToObject(
                  nullptr, nullptr, IID_IBaseFilter, filter.ReceiveVoid()),
              S_OK);
    EXPECT_EQ(Formats(filter.Get()),
              (std::vector<VideoFormat>{{1280, 720, 333333}, {640, 480, 333333}, {2592, 1944, 333333}}))
        << "the largest size up to 1920x1080 at 30 frames a second first";
}

TEST_F(DeviceEnumeratorTest, ACameraOffersOneTypePerNativeModeTheBestFirst) {
    auto webcam = Node("/dev/video0", "Kamera HD");
    webcam.nativeModes = {{V4L2_PIX_FMT_YUYV, 640, 480, {1, 30}},
                          {V4L2_PIX_FMT_YUYV, 1280, 720, {1, 10}},
                          {V4L2_PIX_FMT_MJPEG, 1280, 720, {1, 30}},
                          {V4L2_PIX_FMT_MJPEG, 1920, 1080, {1, 30}},
                          {V4L2_PIX_FMT_GREY, 640, 480, {1, 30}}};
    v4l2_.Access().SetNodes({webcam});
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(All(Enumerate(CLSID_VideoInputDeviceCategory).Get())[0]->BindToObject(
                  nullptr, nullptr, IID_IBaseFilter, filter.ReceiveVoid()),
              S_OK);
    EXPECT_EQ(Formats(filter.Get()), (std::vector<VideoFormat>{{1920, 1080, 333333, MEDIASUBTYPE_MJPG},
                                                               {640, 480, 333333, MEDIASUBTYPE_YUY2},
                                                               {1280, 720, 1000000, MEDIASUBTYPE_YUY2},
                                                               {1280, 720, 333333, MEDIASUBTYPE_MJPG}}))
        << "no 24-bit RGB (grey through libv4l2) beside a best mode that needs a converter";
}

TEST_F(DeviceEnumeratorTest, VirtualCameraMonikerBindsWithoutTheVariable) {
    const auto monikers = All(Enumerate(CLSID_VideoInputDeviceCategory).Get());
    const auto loaded = SavedAndLoaded(monikers[2].Get());
    ScopedEnvironment none("TARNOLIX_VIRTUAL_CAMERAS", "");
    EXPECT_EQ(MonikerDisplayName(loaded.Get()), u"@device:tarnolix:virtual:Wzór=pattern:320x240@15");
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(loaded->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReceiveVoid()), S_OK);
    CLSID clsid{};
    filter->GetClassID(&clsid);
    EXPECT_EQ(clsid, CLSID_VirtualCameraSource);
    EXPECT_EQ(Formats(filter.Get()), (std::vector<VideoFormat>{{320, 240, 666666}}));
    ComPtr<IPin> pin;
    EXPECT_EQ(filter->FindPin(u"Capture", pin.Receive()), S_OK);
    EXPECT_EQ(filter->FindPin(u"Wyjście", pin.Receive()), VFW_E_NOT_FOUND);
}

TEST_F(DeviceEnumeratorTest, ImageCameraWhosePictureIsGoneDoesNotBind) {
    ScopedEnvironment image("TARNOLIX_VIRTUAL_CAMERAS", "Tło=image:/nonexistent/tlo.bmp");
    v4l2_.Access().SetNodes({});
    const auto monikers = All(Enumerate(CLSID_VideoInputDeviceCategory).Get());
    ASSERT_EQ(monikers.size(), 1u);
    EXPECT_EQ(Property(monikers[0].Get(), u"FriendlyName"), u"Tło");
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(monikers[0]->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReceiveVoid()),
              MK_E_NOOBJECT);
}

TEST_F(DeviceEnumeratorTest, ImageCameraOffersThePicturesOwnSize) {
    const std::string path =
        testing::TempDir() + "tarnolix-camera-picture-" + std::to_string(::getpid()) + ".bmp";
    std::vector<uint8_t> header(54, 0);
    header[0] = 'B';
    header[1] = 'M';
    header[14] = 40;
    header[18] = 200; // width 200
    header[22] = 100; // height 100
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(header.data()), 54);
    const std::string entry = "Tło=image:" + path;
    ScopedEnvironment image("TARNOLIX_VIRTUAL_CAMERAS", entry.c_str());
    v4l2_.Access().SetNodes({});
    const auto monikers = All(Enumerate(CLSID_VideoInputDeviceCategory).Get());
    ASSERT_EQ(monikers.size(), 1u);
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(monikers[0]->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReceiveVoid()), S_OK);
    EXPECT_EQ(Formats(filter.Get()), (std::vector<VideoFormat>{{200, 100, 333333}}));
    std::remove(path.c_str());
}

class TwoDevices final : public VideoDeviceProvider {
public:
    std::vector<ProvidedDevice> Devices() override {
        return {{u"bez-clsid", {{u"FriendlyName", u"Bez CLSID"}}, nullptr},
                {u"zly-clsid", {{u"FriendlyName", u"Zły CLSID"}, {u"CLSID", u"{nie-klasa}"}}, nullptr}};
    }
};

TEST_F(DeviceEnumeratorTest, ProvidedDevicesComeLastWithTheirBagsAsGiven) {
    auto provider = std::make_shared<TwoDevices>();
    VideoDeviceProviders::Add(provider);
    const auto monikers = All(Enumerate(CLSID_VideoInputDeviceCategory).Get());
    VideoDeviceProviders::Remove(provider);
    ASSERT_EQ(monikers.size(), 5u);
    EXPECT_EQ(Property(monikers[3].Get(), u"CLSID"), u"<none>");
    EXPECT_EQ(Property(monikers[4].Get(), u"CLSID"), u"{nie-klasa}");
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(monikers[3]->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReceiveVoid()),
              MK_E_NOOBJECT);
}

TEST_F(DeviceEnumeratorTest, CorruptMonikerStateDoesNotLoad) {
    auto stream = MemoryStream::Create({reinterpret_cast<const uint8_t*>(&CLSID_DeviceMoniker), 16});
    const uint8_t badKind[] = {9, 0, 0, 0, 0, 0, 0, 0};
    stream->Seek(0, STREAM_SEEK_END, nullptr);
    stream->Write(badKind, sizeof badKind, nullptr);
    stream->Seek(0, STREAM_SEEK_SET, nullptr);
    ComPtr<IMoniker> loaded;
    EXPECT_EQ(OleLoadFromStream(stream.Get(), IID_IMoniker, loaded.ReceiveVoid()), STG_E_READFAULT);
    EXPECT_FALSE(loaded);
}

TEST(LibV4l2Access, NodesThatAreNotThereNeitherResolveNorOpen) {
    LibV4l2Access system;
    EXPECT_EQ(system.StableIdentity("/dev/tarnolix-no-such-node"), "/dev/tarnolix-no-such-node");
    EXPECT_EQ(system.ResolveIdentity("/dev/v4l/by-id/tarnolix-no-such-camera"), "");
    EXPECT_EQ(system.Open("/dev/tarnolix-no-such-node"), -1);
    for (const std::string& node : system.VideoNodes())
        EXPECT_EQ(node.rfind("/dev/video", 0), 0u) << node;
}

TEST(VideoFormat, MediaTypeIsBottomUpRgb24WithPaddedRows) {
    ScopedMediaType type;
    ASSERT_TRUE(FillVideoMediaType({7, 5, 333333}, type.Get()));
    EXPECT_EQ(type->subtype, MEDIASUBTYPE_RGB24);
    EXPECT_EQ(type->lSampleSize, 24u * 5) << "7 pixels of 3 bytes pad to 24 bytes a row";
    const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
    EXPECT_EQ(info->bmiHeader.biHeight, 5);
    EXPECT_EQ(info->bmiHeader.biSizeImage, 120u);
    EXPECT_EQ(VideoFormatOf(type.Get()), (VideoFormat{7, 5, 333333}));

    AM_MEDIA_TYPE untouched{};
    EXPECT_FALSE(FillVideoMediaType({0, 5, 0}, untouched));
    EXPECT_FALSE(FillVideoMediaType({16384, 65535, 0}, untouched)) << "image larger than 2 GB";
    EXPECT_EQ(untouched.pbFormat, nullptr);
}

} // namespace
