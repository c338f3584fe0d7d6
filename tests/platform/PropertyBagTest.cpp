#include "platform/com/PropertyBag.h"
#include "platform/com/ItemMoniker.h"
#include "platform/com/MonikerEnumerator.h"

#include <gtest/gtest.h>

namespace {

TEST(PropertyBag, ReadsStringsAndRefusesMissingNamesAndOtherKinds) {
    auto bag = PropertyBag::Create({{u"FriendlyName", u"Kamera testowa"}});
    ScopedVariant value;
    ASSERT_EQ(bag->Read(u"FriendlyName", &value, nullptr), S_OK);
    EXPECT_EQ(value.Get().vt, VT_BSTR);
    EXPECT_EQ(value.String(), u"Kamera testowa");
    EXPECT_EQ(SysStringLen(value.Get().bstrVal), 14u);

    ScopedVariant missing;
    EXPECT_TRUE(FAILED(bag->Read(u"CLSID", &missing, nullptr)));
    EXPECT_EQ(missing.Get().vt, VT_EMPTY);

    ScopedVariant number;
    (&number)->vt = VT_I4;
    EXPECT_EQ(bag->Read(u"FriendlyName", &number, nullptr), DISP_E_TYPEMISMATCH);
}

TEST(PropertyBag, WrittenStringsAreCopies) {
    auto bag = PropertyBag::Create({});
    ScopedVariant written;
    (&written)->vt = VT_BSTR;
    (&written)->bstrVal = SysAllocString(u"nowa");
    ASSERT_EQ(bag->Write(u"DevicePath", &written), S_OK);
    ScopedVariant copy;
    VariantCopy(&copy, &written);
    EXPECT_EQ(copy.String(), u"nowa");
    EXPECT_NE(copy.Get().bstrVal, written.Get().bstrVal);
    ScopedVariant read;
    ASSERT_EQ(bag->Read(u"DevicePath", &read, nullptr), S_OK);
    EXPECT_EQ(read.String(), u"nowa");
}

std::vector<ComPtr<IMoniker>> ThreeMonikers() {
    std::vector<ComPtr<IMoniker>> monikers;
    for (const char16_t* name : {u"a", u"b", u"c"}) {
        ComPtr<IMoniker> moniker;
        CreateItemMoniker(u"!", name, moniker.Receive());
        monikers.push_back(moniker);
    }
    return monikers;
}

std::u16string NextName(IEnumMoniker* enumerator, HRESULT expected = S_OK) {
    IMoniker* raw = nullptr;
    ULONG fetched = 0;
    EXPECT_EQ(enumerator->Next(1, &raw, &fetched), expected);
    auto moniker = ComPtr<IMoniker>::Adopt(raw);
    return MonikerDisplayName(moniker.Get());
}

TEST(MonikerEnumerator, NextSkipAndResetWalkTheListInOrder) {
    auto enumerator = MonikerEnumerator::Create(ThreeMonikers());
    EXPECT_EQ(NextName(enumerator.Get()), u"!a");
    EXPECT_EQ(enumerator->Skip(1), S_OK);
    EXPECT_EQ(NextName(enumerator.Get()), u"!c");
    EXPECT_EQ(NextName(enumerator.Get(), S_FALSE), u"");
    EXPECT_EQ(enumerator->Reset(), S_OK);
    EXPECT_EQ(enumerator->Skip(5), S_FALSE);
    EXPECT_EQ(NextName(enumerator.Get(), S_FALSE), u"") << "a skip past the end leaves nothing to take";

    enumerator->Reset();
    IMoniker* batch[4] = {};
    ULONG fetched = 0;
    EXPECT_EQ(enumerator->Next(4, batch, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 3u);
    for (ULONG k = 0; k < fetched; ++k)
        batch[k]->Release();
    EXPECT_EQ(enumerator->Next(2, batch, nullptr), E_INVALIDARG);
}

TEST(MonikerEnumerator, CloneKeepsItsOwnPosition) {
    auto enumerator = MonikerEnumerator::Create(ThreeMonikers());
    enumerator->Skip(1);
    ComPtr<IEnumMoniker> clone;
    ASSERT_EQ(enumerator->Clone(clone.Receive()), S_OK);
    EXPECT_EQ(NextName(clone.Get()), u"!b");
    EXPECT_EQ(NextName(clone.Get()), u"!c");
    EXPECT_EQ(NextName(enumerator.Get()), u"!b");
}

} // namespace
