#include "platform/com/ClassRegistry.h"
#include "platform/com/ItemMoniker.h"
#include "platform/com/MonikerInterface.h"
#include "platform/com/StreamInterface.h"
#include "tests/platform/ComTestObjects.h"

#include <gtest/gtest.h>

namespace {

class ClassRegistryTest : public testing::Test {
protected:
    void SetUp() override {
        ClassRegistry::Instance().Register(CLSID_TestPersistent, &CreateComObject<TestPersistent>);
    }
    void TearDown() override { ClassRegistry::Instance().Unregister(CLSID_TestPersistent); }
};

TEST_F(ClassRegistryTest, CreatesARegisteredClassWithOneReferenceForTheCaller) {
    ComPtr<IPersist> object;
    ASSERT_EQ(
        CoCreateInstance(CLSID_TestPersistent, nullptr, CLSCTX_INPROC, IID_IPersist, object.ReceiveVoid()),
        S_OK);
    EXPECT_EQ(TestPersistent::live, 1);
    // Asking through an ancestor interface still finds the object's IPersistStream.
    EXPECT_TRUE(object.As<IPersistStream>());
    object.Reset();
    EXPECT_EQ(TestPersistent::live, 0) << "the factory's own reference was not dropped";
}

TEST_F(ClassRegistryTest, RefusesWhatItCannotCreate) {
    void* object = reinterpret_cast<void*>(1);
    const CLSID unknown{0xDEADBEEF, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_INPROC, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);

    EXPECT_EQ(CoCreateInstance(CLSID_TestPersistent, nullptr, CLSCTX_INPROC, IID_IStream, &object),
              E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(TestPersistent::live, 0) << "the object made for a missing interface was kept";

    EXPECT_EQ(CoCreateInstance(CLSID_TestPersistent, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, &object),
              REGDB_E_CLASSNOTREG);
    ComPtr<IPersist> outer;
    ASSERT_EQ(CoCreateInstance(CLSID_TestPersistent, nullptr, 3, IID_IPersist, outer.ReceiveVoid()), S_OK);
    EXPECT_EQ(CoCreateInstance(CLSID_TestPersistent, outer.Get(), 3, IID_IUnknown, &object),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(CoCreateInstance(CLSID_TestPersistent, nullptr, 3, IID_IUnknown, nullptr), E_POINTER);
}

TEST_F(ClassRegistryTest, UnregisteredClassIsGoneAndTheLibrarysOwnClassesAreThere) {
    ClassRegistry::Instance().Unregister(CLSID_TestPersistent);
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_TestPersistent, nullptr, 3, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
    ComPtr<IMoniker> item;
    EXPECT_EQ(CoCreateInstance(CLSID_ItemMoniker, nullptr, 3, IID_IMoniker, item.ReceiveVoid()), S_OK);
}

} // namespace
