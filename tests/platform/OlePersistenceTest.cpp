#include "platform/com/OlePersistence.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/ItemMoniker.h"
#include "platform/com/MemoryStream.h"
#include "tests/platform/ComTestObjects.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class OlePersistenceTest : public testing::Test {
protected:
    void SetUp() override {
        ClassRegistry::Instance().Register(CLSID_TestPersistent, &CreateComObject<TestPersistent>);
    }
    void TearDown() override { ClassRegistry::Instance().Unregister(CLSID_TestPersistent); }
};

TEST_F(OlePersistenceTest, SavesClassIdThenStateAndLoadsANewObject) {
    auto original = ComPtr<TestPersistent>::Adopt(new TestPersistent);
    original->text = u"stan";
    auto stream = MemoryStream::Create();
    ASSERT_EQ(OleSaveToStream(original.Get(), stream.Get()), S_OK);
    const auto bytes = ReadWholeStream(stream.Get());
    ASSERT_EQ(bytes.size(), 16u + 4 + 8);
    EXPECT_EQ(std::memcmp(bytes.data(), &CLSID_TestPersistent, 16), 0);

    stream->Seek(0, STREAM_SEEK_SET, nullptr);
    ComPtr<IPersist> loaded;
    ASSERT_EQ(OleLoadFromStream(stream.Get(), IID_IPersist, loaded.ReceiveVoid()), S_OK);
    EXPECT_NE(static_cast<IPersist*>(original.Get()), loaded.Get());
    EXPECT_EQ(static_cast<TestPersistent*>(loaded.Get())->text, u"stan");
}

TEST_F(OlePersistenceTest, LoadFailuresLeaveNoObjectBehind) {
    void* object = reinterpret_cast<void*>(1);
    const uint8_t shortId[] = {1, 2, 3};
    EXPECT_EQ(OleLoadFromStream(MemoryStream::Create(shortId).Get(), IID_IUnknown, &object), STG_E_READFAULT);
    EXPECT_EQ(object, nullptr);

    const CLSID unknown{0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    auto unregistered = MemoryStream::Create({reinterpret_cast<const uint8_t*>(&unknown), 16});
    EXPECT_EQ(OleLoadFromStream(unregistered.Get(), IID_IUnknown, &object), REGDB_E_CLASSNOTREG);

    // The class is known but its state is cut off.
    std::vector<uint8_t> truncated(reinterpret_cast<const uint8_t*>(&CLSID_TestPersistent),
                                   reinterpret_cast<const uint8_t*>(&CLSID_TestPersistent) + 16);
    truncated.insert(truncated.end(), {5, 0, 0, 0, 'a', 0});
    EXPECT_EQ(OleLoadFromStream(MemoryStream::Create(truncated).Get(), IID_IUnknown, &object),
              STG_E_READFAULT);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(TestPersistent::live, 0);
}

TEST_F(OlePersistenceTest, ItemMonikerRoundTripsItsDisplayName) {
    ComPtr<IMoniker> moniker;
    ASSERT_EQ(CreateItemMoniker(u"!", u"FilterGraph 0000ABCD pid 1F", moniker.Receive()), S_OK);
    auto stream = MemoryStream::Create();
    ASSERT_EQ(OleSaveToStream(moniker.Get(), stream.Get()), S_OK);
    stream->Seek(0, STREAM_SEEK_SET, nullptr);
    ComPtr<IMoniker> loaded;
    ASSERT_EQ(OleLoadFromStream(stream.Get(), IID_IMoniker, loaded.ReceiveVoid()), S_OK);
    EXPECT_NE(loaded, moniker);
    EXPECT_EQ(MonikerDisplayName(loaded.Get()), u"!FilterGraph 0000ABCD pid 1F");
    EXPECT_EQ(loaded->IsEqual(moniker.Get()), S_OK);
}

} // namespace
