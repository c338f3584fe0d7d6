#include "platform/media/graph/FilterClassMoniker.h"
#include "platform/com/ClassIdText.h"
#include "platform/com/MemoryStream.h"
#include "platform/com/PropertyBagInterface.h"
#include "platform/com/SiteInterfaces.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/converters/Classes.h"
#include "platform/media/core/FilterInterfaces.h"
#include "platform/media/graph/Callbacks.h"

#include <gtest/gtest.h>

namespace {

std::u16string Read(IPropertyBag* bag, LPCOLESTR name) {
    ScopedVariant value;
    bag->Read(name, &value, nullptr);
    return std::u16string(value.String());
}

TEST(FilterClassMoniker, ItsBagNamesTheClassAndBindingMakesANewFilterOfIt) {
    RegisterMediaClasses();
    auto moniker = ComPtr<IMoniker>::Adopt(new FilterClassMoniker(CLSID_Colour, u"Color Space Converter"));
    ComPtr<IPropertyBag> bag;
    ASSERT_EQ(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReceiveVoid()), S_OK);
    EXPECT_EQ(Read(bag.Get(), u"FriendlyName"), u"Color Space Converter");
    EXPECT_EQ(Read(bag.Get(), u"CLSID"), StringFromCLSID(CLSID_Colour));

    ComPtr<IBaseFilter> first, second;
    ASSERT_EQ(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, first.ReceiveVoid()), S_OK);
    ASSERT_EQ(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, second.ReceiveVoid()), S_OK);
    EXPECT_NE(first.Get(), second.Get());
    CLSID clsid{};
    first->GetClassID(&clsid);
    EXPECT_EQ(clsid, CLSID_Colour);
}

TEST(FilterClassMoniker, ASavedMonikerLoadsBackAsAnEqualOne) {
    auto saved = ComPtr<IMoniker>::Adopt(new FilterClassMoniker(CLSID_MjpegDec, u"MJPEG Decompressor"));
    auto stream = MemoryStream::Create();
    ASSERT_EQ(saved->Save(stream.Get(), TRUE), S_OK);
    stream->Seek(0, STREAM_SEEK_SET, nullptr);
    auto loaded = ComPtr<IMoniker>::Adopt(new FilterClassMoniker);
    ASSERT_EQ(loaded->Load(stream.Get()), S_OK);
    EXPECT_EQ(loaded->IsEqual(saved.Get()), S_OK);
    auto other = ComPtr<IMoniker>::Adopt(new FilterClassMoniker(CLSID_Colour, u"MJPEG Decompressor"));
    EXPECT_EQ(other->IsEqual(saved.Get()), S_FALSE);

    auto truncated = MemoryStream::Create();
    uint32_t count = 38;
    truncated->Write(&count, sizeof count, nullptr);
    truncated->Seek(0, STREAM_SEEK_SET, nullptr);
    EXPECT_TRUE(FAILED(loaded->Load(truncated.Get())));
    EXPECT_EQ(loaded->IsEqual(saved.Get()), S_OK) << "a failed load leaves the moniker as it was";
}

class BuilderCallback final : public ComObject<IAMGraphBuilderCallback> {
public:
    HRESULT SelectedFilter(IMoniker*) override { return S_OK; }
    HRESULT CreatedFilter(IBaseFilter*) override { return S_OK; }
};

// A site that is one callback itself and offers the other only as a service.
class ServiceSite final : public ComObject<IServiceProvider, IAMFilterGraphCallback> {
public:
    HRESULT QueryService(REFGUID service, REFIID iid, void** object) override {
        ++queried;
        if (service == IID_IAMGraphBuilderCallback)
            return builder->QueryInterface(iid, object);
        return E_NOINTERFACE;
    }
    HRESULT UnableToRender(IPin*) override { return S_OK; }
    int queried = 0;
    ComPtr<BuilderCallback> builder = ComPtr<BuilderCallback>::Adopt(new BuilderCallback);
};

// A graph stand-in holding a site.
class SiteHolder final : public ComObject<IObjectWithSite> {
public:
    HRESULT SetSite(IUnknown* site) override {
        site_ = ComPtr<IUnknown>(site);
        return S_OK;
    }
    HRESULT GetSite(REFIID iid, void** site) override {
        return site_ ? site_->QueryInterface(iid, site) : E_FAIL;
    }

private:
    ComPtr<IUnknown> site_;
};

TEST(GraphCallbacks, TheSiteIsAskedDirectlyThenAsAServiceProvider) {
    auto holder = ComPtr<SiteHolder>::Adopt(new SiteHolder);
    EXPECT_FALSE(GraphCallback<IAMFilterGraphCallback>(static_cast<IObjectWithSite*>(holder.Get())));
    auto site = ComPtr<ServiceSite>::Adopt(new ServiceSite);
    holder->SetSite(static_cast<IServiceProvider*>(site.Get()));
    auto found = GraphCallback<IAMFilterGraphCallback>(static_cast<IObjectWithSite*>(holder.Get()));
    EXPECT_EQ(found.Get(), static_cast<IAMFilterGraphCallback*>(site.Get())) << "found directly";
    EXPECT_EQ(site->queried, 0);
    auto service = GraphCallback<IAMGraphBuilderCallback>(static_cast<IObjectWithSite*>(holder.Get()));
    EXPECT_EQ(service.Get(), static_cast<IAMGraphBuilderCallback*>(site->builder.Get()))
        << "found as a service";
    EXPECT_EQ(site->queried, 1);
    holder->SetSite(nullptr);
}

} // namespace
