#include "capture/SysDevEnum.h"

#include "platform/com/ClassIdText.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/OleError.h"
#include "platform/com/PropertyBagInterface.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/core/DeviceEnumInterfaces.h"
#include "platform/runtime/StandardErrors.h"
#include "platform/runtime/UnicodeText.h"

namespace {

// The capacity of a device's name, in bytes.
constexpr size_t kFriendlyNameCapacity = 255;

// The class enumerator of a category, or none when the system device enumerator cannot be made
// or the category has no devices (anything but S_OK).
ComPtr<IEnumMoniker> ClassEnumerator(const GUID& category) {
    RegisterMediaClasses();
    ComPtr<ICreateDevEnum> devices;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC, IID_ICreateDevEnum,
                                devices.ReceiveVoid())))
        return {};
    ComPtr<IEnumMoniker> monikers;
    if (devices->CreateClassEnumerator(category, monikers.Receive(), 0) != S_OK)
        return {};
    return monikers;
}

// Reads one device's entry from its moniker's property bag. A moniker without a bag, or a bag
// without a name, gives an empty name.
TDeviceEntry ReadEntry(IMoniker* moniker) {
    TDeviceEntry entry;
    ComPtr<IPropertyBag> bag;
    moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReceiveVoid());
    if (!bag)
        return entry;
    ScopedVariant name;
    if (bag->Read(u"FriendlyName", &name, nullptr) == S_OK)
        entry.FriendlyName = Utf8Prefix(Utf16ToUtf8(name.String()), kFriendlyNameCapacity);
    ScopedVariant clsid;
    if (bag->Read(u"CLSID", &clsid, nullptr) == S_OK) {
        const std::u16string text(clsid.String());
        OleCheck(CLSIDFromString(text.c_str(), &entry.CLSID));
    }
    return entry;
}

// Empties list, then fills it with the devices of category in the enumerator's order.
void EnumerateCategory(const GUID& category, std::vector<TDeviceEntry>& list) {
    list.clear();
    const ComPtr<IEnumMoniker> monikers = ClassEnumerator(category);
    if (!monikers)
        return;
    IMoniker* raw = nullptr;
    while (monikers->Next(1, &raw, nullptr) == S_OK) {
        const auto moniker = ComPtr<IMoniker>::Adopt(raw);
        list.push_back(ReadEntry(moniker.Get()));
    }
}

TDeviceEntry EntryAt(const std::vector<TDeviceEntry>& list, int32_t index) {
    if (index < 0 || static_cast<size_t>(index) >= list.size())
        RaiseListIndexError(index);
    return list[static_cast<size_t>(index)];
}

} // namespace

TSysDevEnum::TSysDevEnum(const GUID& category) {
    EnumerateCategory(CLSID_ActiveMovieCategories, categories_);
    SelectCategory(category);
}

void TSysDevEnum::SelectCategory(const GUID& category) {
    category_ = category;
    EnumerateCategory(category_, devices_);
}

int32_t TSysDevEnum::DeviceCount() const {
    return static_cast<int32_t>(devices_.size());
}

TDeviceEntry TSysDevEnum::DeviceEntries(int32_t index) const {
    return EntryAt(devices_, index);
}

int32_t TSysDevEnum::CategoryCount() const {
    return static_cast<int32_t>(categories_.size());
}

TDeviceEntry TSysDevEnum::CategoryEntries(int32_t index) const {
    return EntryAt(categories_, index);
}

ComPtr<IMoniker> TSysDevEnum::GetMoniker(int32_t index) const {
    if (index < 0 || index >= DeviceCount())
        return {};
    const ComPtr<IEnumMoniker> monikers = ClassEnumerator(category_);
    if (!monikers)
        return {};
    ComPtr<IMoniker> moniker;
    if (monikers->Skip(static_cast<ULONG>(index)) == S_OK)
        monikers->Next(1, moniker.Receive(), nullptr);
    monikers->Reset();
    return moniker;
}
