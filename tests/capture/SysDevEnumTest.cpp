#include "capture/SysDevEnum.h"
#include "platform/com/ItemMoniker.h"
#include "platform/com/MemoryStream.h"
#include "platform/com/OleError.h"
#include "platform/com/OlePersistence.h"
#include "platform/media/core/DeviceEnumInterfaces.h"
#include "platform/media/devices/VideoDeviceProviders.h"
#include "platform/runtime/StandardErrors.h"
#include "tests/media/support/FakeV4l2Access.h"

#include <gtest/gtest.h>

#include <linux/videodev2.h>

namespace {

// Devices with bags made to order, listed after the virtual cameras.
class ListedDevices final : public VideoDeviceProvider {
public:
    explicit ListedDevices(std::vector<ProvidedDevice> devices) : devices_(std::move(devices)) {}
    std::vector<ProvidedDevice> Devices() override { return devices_; }

private:
    std::vector<ProvidedDevice> devices_;
};

// Registers provided devices for the lifetime of the object.
class ScopedProvider {
public:
    explicit ScopedProvider(std::vector<ProvidedDevice> devices)
        : provider_(std::make_shared<ListedDevices>(std::move(devices))) {
        VideoDeviceProviders::Add(provider_);
    }
    ~ScopedProvider() { VideoDeviceProviders::Remove(provider_); }

private:
    std::shared_ptr<VideoDeviceProvider> provider_;
};

ProvidedDevice Named(const std::u16string& id, const std::u16string& name) {
    return {id, {{u"FriendlyName", name}}, nullptr};
}

std::vector<std::string> Names(const TSysDevEnum& devices) {
    std::vector<std::string> names;
    for (int32_t k = 0; k < devices.DeviceCount(); ++k)
        names.push_back(devices.DeviceEntries(k).FriendlyName);
    return names;
}

// No V4L2 node unless a test makes one, whatever the machine has attached.
class SysDevEnumTest : public testing::Test {
protected:
    ScopedFakeV4l2 v4l2_;
};

TEST_F(SysDevEnumTest, ListsNoneOneAndThreeCamerasInOrder) {
    {
        ScopedEnvironment none("TARNOLIX_VIRTUAL_CAMERAS", "");
        TSysDevEnum devices(CLSID_VideoInputDeviceCategory);
        EXPECT_EQ(devices.DeviceCount(), 0);
        EXPECT_FALSE(devices.GetMoniker(0));
    }
    {
        ScopedEnvironment unset("TARNOLIX_VIRTUAL_CAMERAS", nullptr);
        TSysDevEnum devices(CLSID_VideoInputDeviceCategory);
        EXPECT_EQ(Names(devices), (std::vector<std::string>{"Kamera testowa"}));
        EXPECT_EQ(devices.DeviceEntries(0).CLSID, CLSID_VirtualCameraSource);
    }
    FakeV4l2Node camera;
    camera.path = "/dev/video0";
    camera.card = "Integrated Camera";
    camera.deviceCaps = V4L2_CAP_VIDEO_CAPTURE;
    v4l2_.Access().SetNodes({camera});
    ScopedEnvironment two("TARNOLIX_VIRTUAL_CAMERAS", "Pierwsza=pattern,Druga=pattern:320x240");
    TSysDevEnum devices(CLSID_VideoInputDeviceCategory);
    EXPECT_EQ(Names(devices), (std::vector<std::string>{"Integrated Camera", "Pierwsza", "Druga"}));
    EXPECT_EQ(devices.DeviceEntries(0).CLSID, CLSID_V4l2CaptureSource);
}

TEST_F(SysDevEnumTest, GetMonikerGivesThatPositionsDeviceAndNothingOutsideTheList) {
    ScopedEnvironment two("TARNOLIX_VIRTUAL_CAMERAS", "Pierwsza=pattern,Druga=pattern:320x240");
    TSysDevEnum devices(CLSID_VideoInputDeviceCategory);
    ASSERT_EQ(devices.DeviceCount(), 2);
    EXPECT_EQ(MonikerDisplayName(devices.GetMoniker(1).Get()),
              u"@device:tarnolix:virtual:Druga=pattern:320x240@30");
    EXPECT_EQ(MonikerDisplayName(devices.GetMoniker(0).Get()),
              u"@device:tarnolix:virtual:Pierwsza=pattern:640x480@30");
    EXPECT_NE(devices.GetMoniker(0), devices.GetMoniker(0)) << "each call enumerates afresh";
    EXPECT_FALSE(devices.GetMoniker(-1));
    EXPECT_FALSE(devices.GetMoniker(devices.DeviceCount()));
}

TEST_F(SysDevEnumTest, CameraDetachedAfterConstruction) {
    ScopedEnvironment three("TARNOLIX_VIRTUAL_CAMERAS", "A=pattern,B=pattern,C=pattern");
    TSysDevEnum devices(CLSID_VideoInputDeviceCategory);
    ASSERT_EQ(devices.DeviceCount(), 3);
    ScopedEnvironment detached("TARNOLIX_VIRTUAL_CAMERAS", "A=pattern,C=pattern");
    EXPECT_EQ(devices.DeviceCount(), 3) << "the list is not rebuilt by itself";
    EXPECT_FALSE(devices.GetMoniker(2));
    EXPECT_EQ(MonikerDisplayName(devices.GetMoniker(1).Get()),
              u"@device:tarnolix:virtual:C=pattern:640x480@30");
    devices.SelectCategory(CLSID_VideoInputDeviceCategory);
    EXPECT_EQ(Names(devices), (std::vector<std::string>{"A", "C"}));
}

TEST_F(SysDevEnumTest, LongNamesAreCutTo255BytesOnACharacterBoundary) {
    ScopedEnvironment none("TARNOLIX_VIRTUAL_CAMERAS", "");
    ScopedProvider provider({Named(u"ascii", std::u16string(300, u'x')),
                             Named(u"polish", std::u16string(150, u'ą')), Named(u"short", u"Kamera ąę")});
    TSysDevEnum devices(CLSID_VideoInputDeviceCategory);
    ASSERT_EQ(devices.DeviceCount(), 3);
    EXPECT_EQ(devices.DeviceEntries(0).FriendlyName, std::string(255, 'x'));
    // 150 two-byte characters: 127 of them (254 bytes) fit; half of the 128th would not be text.
    std::string polish;
    for (int k = 0; k < 127; ++k)
        polish += "ą";
    EXPECT_EQ(devices.DeviceEntries(1).FriendlyName, polish);
    EXPECT_EQ(devices.DeviceEntries(2).FriendlyName, "Kamera ąę");
}

TEST_F(SysDevEnumTest, MissingClsidIsZeroAndMissingNameIsEmpty) {
    ScopedEnvironment none("TARNOLIX_VIRTUAL_CAMERAS", "");
    ScopedProvider provider({Named(u"bez", u"Bez CLSID"), {u"pusty", {}, nullptr}});
    TSysDevEnum devices(CLSID_VideoInputDeviceCategory);
    ASSERT_EQ(devices.DeviceCount(), 2);
    EXPECT_EQ(devices.DeviceEntries(0).CLSID, GUID_NULL);
    EXPECT_EQ(devices.DeviceEntries(1).FriendlyName, "");
}

TEST_F(SysDevEnumTest, BadClsidRaisesTheOleErrorAndKeepsTheEntriesBeforeIt) {
    ScopedEnvironment one("TARNOLIX_VIRTUAL_CAMERAS", "Dobra=pattern");
    ProvidedDevice bad = Named(u"zly", u"Zły CLSID");
    bad.properties[u"CLSID"] = u"{nie-klasa}";
    ScopedProvider provider({Named(u"bez", u"Bez CLSID"), bad, Named(u"po", u"Po złym")});
    try {
        TSysDevEnum devices(CLSID_VideoInputDeviceCategory);
        FAIL() << "no error from the constructor";
    } catch (const EOleSysError& e) {
        EXPECT_EQ(e.Message(), "Invalid class string");
        EXPECT_EQ(e.ErrorCode(), CO_E_CLASSSTRING);
    }

    // A category without devices builds; selecting the video-input one then fails part way.
    TSysDevEnum devices(GUID_NULL);
    EXPECT_EQ(devices.DeviceCount(), 0);
    EXPECT_THROW(devices.SelectCategory(CLSID_VideoInputDeviceCategory), EOleSysError);
    EXPECT_EQ(Names(devices), (std::vector<std::string>{"Dobra", "Bez CLSID"}));
    EXPECT_EQ(devices.SelectedCategory(), CLSID_VideoInputDeviceCategory);
}

TEST_F(SysDevEnumTest, EntryOutsideTheListNamesTheIndex) {
    ScopedEnvironment one("TARNOLIX_VIRTUAL_CAMERAS", "A=pattern");
    TSysDevEnum devices(CLSID_VideoInputDeviceCategory);
    for (const int32_t index : {devices.DeviceCount(), -1}) {
        try {
            devices.DeviceEntries(index);
            FAIL() << "no error for " << index;
        } catch (const EListError& e) {
            EXPECT_EQ(e.Message(), "List index out of bounds (" + std::to_string(index) + ")");
        }
    }
}

TEST_F(SysDevEnumTest, CategoryListHoldsTheVideoInputCategory) {
    ScopedEnvironment none("TARNOLIX_VIRTUAL_CAMERAS", "");
    TSysDevEnum devices(CLSID_VideoInputDeviceCategory);
    ASSERT_GE(devices.CategoryCount(), 1);
    EXPECT_EQ(devices.CategoryEntries(0).CLSID, CLSID_VideoInputDeviceCategory);
    devices.SelectCategory(CLSID_ActiveMovieCategories);
    EXPECT_EQ(devices.DeviceCount(), devices.CategoryCount());
}

TEST_F(SysDevEnumTest, MonikerSavedAndLoadedNamesTheSameDeviceAsANewObject) {
    FakeV4l2Node camera;
    camera.path = "/dev/video0";
    camera.card = "Integrated Camera";
    camera.deviceCaps = V4L2_CAP_VIDEO_CAPTURE;
    v4l2_.Access().SetNodes({camera});
    ScopedEnvironment one("TARNOLIX_VIRTUAL_CAMERAS", "A=pattern");
    TSysDevEnum devices(CLSID_VideoInputDeviceCategory);
    for (int32_t index = 0; index < devices.DeviceCount(); ++index) {
        const ComPtr<IMoniker> moniker = devices.GetMoniker(index);
        auto stream = MemoryStream::Create();
        ASSERT_EQ(OleSaveToStream(moniker.Get(), stream.Get()), S_OK);
        const std::vector<uint8_t> bytes = ReadWholeStream(stream.Get());
        auto copy = MemoryStream::Create(bytes);
        ComPtr<IMoniker> loaded;
        ASSERT_EQ(OleLoadFromStream(copy.Get(), IID_IMoniker, loaded.ReceiveVoid()), S_OK);
        EXPECT_NE(loaded, moniker);
        EXPECT_EQ(MonikerDisplayName(loaded.Get()), MonikerDisplayName(moniker.Get()));
    }
}

} // namespace
