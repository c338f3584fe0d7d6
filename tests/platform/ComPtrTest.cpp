#include "platform/com/ComPtr.h"
#include "platform/com/TaskAllocator.h"
#include "platform/media/core/MediaType.h"

#include <gtest/gtest.h>

namespace {

inline constexpr IID IID_ICounted{0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};

struct ICounted : IUnknown {};

class Counted : public ICounted {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_ICounted) {
            AddRef();
            *object = static_cast<ICounted*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; }
    ULONG references = 1;
};

} // namespace

TARNOLIX_INTERFACE_ID(ICounted, IID_ICounted);

namespace {

TEST(ComPtr, AdoptTakesOverWhileConstructionAddsAReference) {
    Counted object;
    {
        ComPtr<ICounted> shared(&object);
        EXPECT_EQ(object.references, 2u);
        ComPtr<ICounted> copy = shared;
        EXPECT_EQ(object.references, 3u);
        ComPtr<ICounted> moved = std::move(copy);
        EXPECT_EQ(object.references, 3u);
    }
    EXPECT_EQ(object.references, 1u);
    {
        auto adopted = ComPtr<ICounted>::Adopt(&object);
        EXPECT_EQ(object.references, 1u);
    }
    EXPECT_EQ(object.references, 0u);
}

TEST(ComPtr, AsQueriesAndReceiveReleasesFirst) {
    Counted object;
    ComPtr<ICounted> counted(&object);
    ComPtr<IUnknown> unknown = counted.As<IUnknown>();
    EXPECT_TRUE(unknown);
    EXPECT_EQ(object.references, 3u);
    object.QueryInterface(IID_ICounted, unknown.ReceiveVoid());
    EXPECT_EQ(object.references, 3u) << "the old reference went before the new one came";
    unknown = nullptr;
    counted.Reset();
    EXPECT_EQ(object.references, 1u);
}

TEST(MediaType, FreeReleasesFormatBlockAndObject) {
    Counted object;
    object.AddRef();
    AM_MEDIA_TYPE type{};
    type.pUnk = &object;
    type.cbFormat = 88;
    type.pbFormat = static_cast<uint8_t*>(CoTaskMemAlloc(88));
    FreeMediaType(type);
    EXPECT_EQ(type.cbFormat, 0u);
    EXPECT_EQ(type.pbFormat, nullptr);
    EXPECT_EQ(type.pUnk, nullptr);
    EXPECT_EQ(object.references, 1u);
    FreeMediaType(type); // twice is harmless
}

} // namespace
