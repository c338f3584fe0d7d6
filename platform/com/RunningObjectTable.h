#pragma once

#include "platform/com/ComPtr.h"
#include "platform/com/RunningObjectServer.h"
#include "platform/com/RunningObjectTableInterface.h"
#include "platform/com/ViewerInterfaces.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// The process's running-object table: registered objects by name, each registration also
// published as a file for other processes (RunningObjectFiles) with a socket beside it through
// which viewers ask about the object (RunningObjectServer, ViewerProtocol). Names are compared
// by their display names. The table holds a reference to each registered object and its name
// until Revoke; the files of registrations still standing are removed at normal exit. Any
// thread may use it; objects are released outside the table's lock, so an object's destruction
// may call back into the table.
//
// A viewer's request is answered on the server's thread: the object (IViewerReport, when it
// has it) describes itself without the table's lock held, and Revoke waits for an answer in
// progress, so the object's last reference is never dropped on the server's thread. Counter
// sources attached to a registration are read under the table's lock; after Revoke returns,
// none of them is read again.
class RunningObjectTable final : public ComObject<IRunningObjectTable> {
public:
    // The one table of the process, which lives until the process ends.
    static RunningObjectTable& Instance();

    HRESULT Register(DWORD flags, IUnknown* object, IMoniker* name, DWORD* cookie) override;
    HRESULT Revoke(DWORD cookie) override;
    HRESULT IsRunning(IMoniker* name) override;
    HRESULT GetObject(IMoniker* name, IUnknown** object) override;
    HRESULT EnumRunning(IEnumMoniker** names) override;

    // Adds a source of counters to a registration's statistics (after the object's own).
    // E_INVALIDARG when the cookie names no registration.
    HRESULT AttachCounters(DWORD cookie, ICounterSource* source);

private:
    RunningObjectTable();
    static void WithdrawAllAtExit();

    struct Registration {
        ComPtr<IUnknown> object;
        ComPtr<IMoniker> name;
        std::u16string displayName;
        std::vector<ComPtr<ICounterSource>> counters;
    };

    // One reply line for a viewer, on the server's thread; nullopt when the cookie is gone.
    std::optional<std::string> Answer(DWORD cookie, ViewerProtocol::RequestKind kind);

    // mutex_ guards registrations_, nextCookie_ and answering_.
    std::mutex mutex_;
    std::map<DWORD, Registration> registrations_;
    DWORD nextCookie_ = 1;
    DWORD answering_ = 0; // the registration a viewer's answer is being made for
    std::condition_variable answered_;
    RunningObjectServer server_;
};
