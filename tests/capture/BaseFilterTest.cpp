#include "capture/BaseFilter.h"
#include "capture/GraphRegistration.h"
#include "capture/PinList.h"
#include "capture/SysDevEnum.h"

#include "platform/com/ItemMoniker.h"
#include "platform/com/RunningObjectTableInterface.h"
#include "platform/com/TaskAllocator.h"
#include "platform/com/TaskString.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/core/DeviceEnumInterfaces.h"
#include "platform/runtime/StandardErrors.h"
#include "platform/runtime/UnicodeText.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <unistd.h>

namespace {

std::u16string DisplayName(IMoniker* moniker) {
    LPOLESTR name = nullptr;
    moniker->GetDisplayName(nullptr, nullptr, &name);
    std::u16string text = name ? std::u16string(name) : std::u16string();
    CoTaskMemFree(name);
    return text;
}

class BaseFilter : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterMediaClasses();
        setenv("TARNOLIX_VIRTUAL_CAMERAS", "pattern:64x48@30", 1);
    }
    void TearDown() override { unsetenv("TARNOLIX_VIRTUAL_CAMERAS"); }
};

TEST(PersistentMemory, StoredFormIsACountThenTheBytes) {
    TPersistentMemory memory;
    const uint8_t empty[4] = {0, 0, 0, 0};
    memory.LoadData(empty, 4);
    EXPECT_EQ(memory.ByteCount(), 0u);
    EXPECT_EQ(memory.Bytes(), nullptr);
    EXPECT_EQ(memory.SaveData(), (std::vector<uint8_t>{0, 0, 0, 0}));

    const uint8_t three[7] = {3, 0, 0, 0, 7, 8, 9};
    memory.LoadData(three, 7);
    EXPECT_EQ(memory.SaveData(), std::vector<uint8_t>(three, three + 7));
    TPersistentMemory copy;
    copy.Assign(memory);
    EXPECT_TRUE(copy.SameBytes(memory));
    TPersistentMemory none;
    EXPECT_FALSE(none.SameBytes(TPersistentMemory())) << "empty blocks never count as equal";
}

TEST(PersistentMemory, ShortDataIsAReadErrorAndKeepsTheBlock) {
    TPersistentMemory memory;
    const uint8_t one[5] = {1, 0, 0, 0, 42};
    memory.LoadData(one, 5);
    const uint8_t claims[6] = {0xFF, 0xFF, 0xFF, 0xFF, 1, 2};
    EXPECT_THROW(memory.LoadData(claims, 6), EReadError);
    EXPECT_THROW(memory.LoadData(claims, 3), EReadError);
    ASSERT_EQ(memory.ByteCount(), 1u);
    EXPECT_EQ(memory.Bytes()[0], 42);
}

TEST_F(BaseFilter, AStoredMonikerComesBackAsANewObjectOfTheSameDevice) {
    TSysDevEnum devices(CLSID_VideoInputDeviceCategory);
    ASSERT_EQ(devices.DeviceCount(), 1);
    ComPtr<IMoniker> moniker = devices.GetMoniker(0);
    ASSERT_TRUE(moniker);
    TBaseFilter stored;
    stored.SetMoniker(moniker.Get());
    EXPECT_GT(stored.ByteCount(), 16u) << "class id, then the moniker's state";
    ComPtr<IMoniker> again = stored.Moniker();
    ASSERT_TRUE(again);
    EXPECT_NE(again.Get(), moniker.Get());
    EXPECT_EQ(DisplayName(again.Get()), DisplayName(moniker.Get()));

    ComPtr<IBaseFilter> first = stored.BindFilter();
    ComPtr<IBaseFilter> second = stored.BindFilter();
    ASSERT_TRUE(first);
    EXPECT_NE(first.Get(), second.Get()) << "each bind makes a filter of its own";
    TPinList pins(first.Get());
    ASSERT_EQ(pins.Count(), 1);
    EXPECT_FALSE(pins.Connected(0));
    EXPECT_THROW(pins.Items(1), EListError);

    stored.SetMoniker(nullptr);
    EXPECT_EQ(stored.ByteCount(), 0u);
    EXPECT_FALSE(stored.Moniker());
    EXPECT_FALSE(stored.BindFilter());
}

TEST_F(BaseFilter, GarbageBytesGiveNoMoniker) {
    TBaseFilter stored;
    const uint8_t garbage[12] = {8, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
    stored.LoadData(garbage, sizeof garbage);
    EXPECT_FALSE(stored.Moniker());
    EXPECT_FALSE(stored.BindFilter());
}

TEST(GraphRegistration, NameCarriesTheAddressAndTheProcessInHexadecimal) {
    EXPECT_EQ(GraphViewerName(reinterpret_cast<const void*>(uintptr_t{0x1A2B}), 0x4D2),
              "FilterGraph 00001A2B pid 4D2");
}

TEST(GraphRegistration, RegisteredGraphIsRunningUntilRevoked) {
    ComPtr<IUnknown> graph; // any object will do: the table only holds it
    ComPtr<IMoniker> someMoniker;
    ASSERT_EQ(CreateItemMoniker(u"!", u"stand-in", someMoniker.Receive()), S_OK);
    graph = someMoniker.As<IUnknown>();
    DWORD cookie = 0;
    ASSERT_EQ(RegisterGraphForViewer(graph.Get(), &cookie), S_OK);
    EXPECT_NE(cookie, 0u);
    ComPtr<IRunningObjectTable> table;
    ASSERT_EQ(GetRunningObjectTable(0, table.Receive()), S_OK);
    ComPtr<IMoniker> name;
    const std::string text = GraphViewerName(graph.Get(), static_cast<uint32_t>(getpid()));
    ASSERT_EQ(CreateItemMoniker(u"!", Utf8ToUtf16(text).c_str(), name.Receive()), S_OK);
    EXPECT_EQ(table->IsRunning(name.Get()), S_OK);
    EXPECT_EQ(RevokeGraphRegistration(cookie), S_OK);
    EXPECT_EQ(table->IsRunning(name.Get()), S_FALSE);
}

} // namespace
