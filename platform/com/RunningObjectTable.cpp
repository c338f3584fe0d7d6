#include "platform/com/RunningObjectTable.h"

#include "platform/com/ItemMoniker.h"
#include "platform/com/MonikerEnumerator.h"
#include "platform/com/RunningObjectFiles.h"
#include "platform/runtime/UnicodeText.h"

#include <cstdlib>
#include <vector>

RunningObjectTable& RunningObjectTable::Instance() {
    // Never destroyed: objects still registered at exit stay reachable, and the exit handler only
    // removes the published files.
    static RunningObjectTable* const table = [] {
        std::atexit(&RunningObjectTable::WithdrawAllAtExit);
        return new RunningObjectTable();
    }();
    return *table;
}

void RunningObjectTable::WithdrawAllAtExit() {
    RunningObjectTable& table = Instance();
    std::lock_guard lock(table.mutex_);
    for (const auto& [cookie, registration] : table.registrations_)
        RunningObjectFiles::Withdraw(cookie);
}

HRESULT RunningObjectTable::Register(DWORD, IUnknown* object, IMoniker* name, DWORD* cookie) {
    if (!cookie)
        return E_POINTER;
    *cookie = 0;
    if (!object || !name)
        return E_INVALIDARG;
    Registration registration{ComPtr<IUnknown>(object), ComPtr<IMoniker>(name), MonikerDisplayName(name)};
    const std::string published = Utf16ToUtf8(registration.displayName);
    std::lock_guard lock(mutex_);
    bool known = false;
    for (const auto& [existing, entry] : registrations_)
        known = known || entry.displayName == registration.displayName;
    DWORD assigned = nextCookie_++;
    if (nextCookie_ == 0)
        nextCookie_ = 1;
    // After a wrap-around, skip cookies still in use.
    while (registrations_.contains(assigned))
        assigned = nextCookie_++;
    registrations_.emplace(assigned, std::move(registration));
    RunningObjectFiles::Publish(assigned, published);
    *cookie = assigned;
    return known ? MK_S_MONIKERALREADYREGISTERED : S_OK;
}

HRESULT RunningObjectTable::Revoke(DWORD cookie) {
    Registration revoked;
    {
        std::lock_guard lock(mutex_);
        const auto found = registrations_.find(cookie);
        if (found == registrations_.end())
            return E_INVALIDARG;
        revoked = std::move(found->second);
        registrations_.erase(found);
        RunningObjectFiles::Withdraw(cookie);
    }
    // revoked's references go here, without the lock.
    return S_OK;
}

HRESULT RunningObjectTable::IsRunning(IMoniker* name) {
    ComPtr<IUnknown> object;
    const HRESULT hr = GetObject(name, object.Receive());
    return hr == S_OK ? S_OK : S_FALSE;
}

HRESULT RunningObjectTable::GetObject(IMoniker* name, IUnknown** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!name)
        return E_INVALIDARG;
    const std::u16string displayName = MonikerDisplayName(name);
    std::lock_guard lock(mutex_);
    for (const auto& [cookie, registration] : registrations_) {
        if (registration.displayName == displayName) {
            *object = ComPtr<IUnknown>(registration.object).Detach();
            return S_OK;
        }
    }
    return MK_E_UNAVAILABLE;
}

HRESULT RunningObjectTable::EnumRunning(IEnumMoniker** names) {
    if (!names)
        return E_POINTER;
    std::vector<ComPtr<IMoniker>> monikers;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [cookie, registration] : registrations_)
            monikers.push_back(registration.name);
    }
    *names = MonikerEnumerator::Create(std::move(monikers)).Detach();
    return S_OK;
}

HRESULT GetRunningObjectTable(DWORD reserved, IRunningObjectTable** table) {
    if (!table)
        return E_POINTER;
    *table = nullptr;
    if (reserved != 0)
        return E_INVALIDARG;
    RunningObjectTable& instance = RunningObjectTable::Instance();
    instance.AddRef();
    *table = &instance;
    return S_OK;
}
