#pragma once

#include "platform/com/ComPtr.h"
#include "platform/com/RunningObjectTableInterface.h"

#include <map>
#include <mutex>
#include <string>

// The process's running-object table: registered objects by name, each registration also
// published as a file for other processes (RunningObjectFiles). Names are compared by their
// display names. The table holds a reference to each registered object and its name until
// Revoke; the files of registrations still standing are removed at normal exit. Any thread may
// use it; objects are released outside the table's lock, so an object's destruction may call
// back into the table.
class RunningObjectTable final : public ComObject<IRunningObjectTable> {
public:
    // The one table of the process, which lives until the process ends.
    static RunningObjectTable& Instance();

    HRESULT Register(DWORD flags, IUnknown* object, IMoniker* name, DWORD* cookie) override;
    HRESULT Revoke(DWORD cookie) override;
    HRESULT IsRunning(IMoniker* name) override;
    HRESULT GetObject(IMoniker* name, IUnknown** object) override;
    HRESULT EnumRunning(IEnumMoniker** names) override;

private:
    RunningObjectTable() = default;
    static void WithdrawAllAtExit();

    struct Registration {
        ComPtr<IUnknown> object;
        ComPtr<IMoniker> name;
        std::u16string displayName;
    };

    // mutex_ guards registrations_ and nextCookie_.
    std::mutex mutex_;
    std::map<DWORD, Registration> registrations_;
    DWORD nextCookie_ = 1;
};
