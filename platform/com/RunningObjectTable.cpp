#include "platform/com/RunningObjectTable.h"

#include "platform/com/ItemMoniker.h"
#include "platform/com/MonikerEnumerator.h"
#include "platform/com/RunningObjectFiles.h"
#include "platform/runtime/JsonWriter.h"
#include "platform/runtime/UnicodeText.h"

#include <cstdlib>
#include <unistd.h>
#include <vector>

RunningObjectTable::RunningObjectTable()
    : server_([this](uint32_t cookie, ViewerProtocol::RequestKind kind) { return Answer(cookie, kind); }) {}

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
    table.server_.Stop(); // no viewer is answered while the process ends
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
    Registration registration{ComPtr<IUnknown>(object), ComPtr<IMoniker>(name), MonikerDisplayName(name), {}};
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
    // The socket first: a viewer that finds the entry finds the socket too.
    if (const auto socket = RunningObjectFiles::SocketFile(assigned))
        if (UniqueFd listener = ViewerSocket::Listen(*socket))
            server_.Listen(assigned, std::move(listener));
    RunningObjectFiles::Publish(assigned, published);
    *cookie = assigned;
    return known ? MK_S_MONIKERALREADYREGISTERED : S_OK;
}

HRESULT RunningObjectTable::Revoke(DWORD cookie) {
    Registration revoked;
    {
        std::unique_lock lock(mutex_);
        const auto found = registrations_.find(cookie);
        if (found == registrations_.end())
            return E_INVALIDARG;
        revoked = std::move(found->second);
        registrations_.erase(found);
        RunningObjectFiles::Withdraw(cookie);
        server_.Forget(cookie);
        // An answer in progress holds a reference to the object: let it finish, so that the
        // object's last reference stays with its owner. (An answer's own release may revoke:
        // that one must not wait for itself.)
        if (!server_.OnServerThread())
            answered_.wait(lock, [&] { return answering_ != cookie; });
    }
    // revoked's references go here, without the lock.
    return S_OK;
}

HRESULT RunningObjectTable::AttachCounters(DWORD cookie, ICounterSource* source) {
    if (!source)
        return E_POINTER;
    std::lock_guard lock(mutex_);
    const auto found = registrations_.find(cookie);
    if (found == registrations_.end())
        return E_INVALIDARG;
    found->second.counters.emplace_back(source);
    return S_OK;
}

std::optional<std::string> RunningObjectTable::Answer(DWORD cookie, ViewerProtocol::RequestKind kind) {
    ComPtr<IUnknown> object;
    std::u16string name;
    std::vector<CounterGroup> attached;
    {
        std::lock_guard lock(mutex_);
        const auto found = registrations_.find(cookie);
        if (found == registrations_.end())
            return std::nullopt;
        object = found->second.object;
        name = found->second.displayName;
        if (kind != ViewerProtocol::RequestKind::Describe) {
            for (const ComPtr<ICounterSource>& source : found->second.counters)
                attached.push_back(ReadCounterGroup(source.Get(), source->CounterKind()));
        }
        answering_ = cookie;
    }
    // Whatever happens below, the reference goes and a waiting Revoke is let go.
    struct Finish {
        RunningObjectTable& table;
        ComPtr<IUnknown>& object;
        ~Finish() {
            object.Reset();
            std::lock_guard lock(table.mutex_);
            table.answering_ = 0;
            table.answered_.notify_all();
        }
    } finish{*this, object};

    JsonWriter out;
    out.BeginObject()
        .Field("version", ViewerProtocol::kVersion)
        .Field("reply", kind == ViewerProtocol::RequestKind::Describe ? "describe" : "stats")
        .Field("name", Utf16ToUtf8(name))
        .Field("pid", static_cast<int64_t>(::getpid()));
    const ComPtr<IViewerReport> report = object.As<IViewerReport>();
    std::vector<CounterGroup> groups;
    if (report && kind == ViewerProtocol::RequestKind::Describe)
        report->Describe(out);
    else if (report)
        report->Statistics(out, groups);
    if (kind != ViewerProtocol::RequestKind::Describe) {
        groups.insert(groups.end(), attached.begin(), attached.end());
        out.Key("counters").BeginArray();
        for (const CounterGroup& group : groups) {
            out.BeginObject().Field("source", group.source).Field("kind", group.kind);
            out.Key("values").BeginObject();
            for (const auto& [counter, value] : group.counters)
                out.Field(counter, value);
            out.EndObject();
            if (!group.labels.empty()) {
                out.Key("labels").BeginObject();
                for (const auto& [label, text] : group.labels)
                    out.Field(label, text);
                out.EndObject();
            }
            out.EndObject();
        }
        out.EndArray();
    }
    out.EndObject();
    return out.Text() + '\n';
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
