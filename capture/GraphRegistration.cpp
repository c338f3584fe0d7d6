#include "capture/GraphRegistration.h"

#include "platform/com/ComPtr.h"
#include "platform/com/ItemMoniker.h"
#include "platform/com/RunningObjectTable.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/UnicodeText.h"

#include <unistd.h>

std::string GraphViewerName(const void* graph, uint32_t processId) {
    const auto address = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(graph));
    return Format("FilterGraph %08X pid %X", address, processId);
}

HRESULT RegisterGraphForViewer(IUnknown* graph, DWORD* cookie) {
    if (cookie)
        *cookie = 0;
    ComPtr<IRunningObjectTable> table;
    HRESULT result = GetRunningObjectTable(0, table.Receive());
    if (FAILED(result))
        return result;
    const std::u16string name = Utf8ToUtf16(GraphViewerName(graph, static_cast<uint32_t>(getpid())));
    ComPtr<IMoniker> moniker;
    result = CreateItemMoniker(u"!", name.c_str(), moniker.Receive());
    if (FAILED(result))
        return result;
    DWORD registration = 0;
    result = table->Register(0, graph, moniker.Get(), &registration);
    if (cookie && SUCCEEDED(result))
        *cookie = registration;
    return result;
}

HRESULT RevokeGraphRegistration(DWORD cookie) {
    ComPtr<IRunningObjectTable> table;
    const HRESULT result = GetRunningObjectTable(0, table.Receive());
    if (FAILED(result))
        return result;
    return table->Revoke(cookie);
}

HRESULT AttachViewerCounters(DWORD cookie, ICounterSource* source) {
    return RunningObjectTable::Instance().AttachCounters(cookie, source);
}
