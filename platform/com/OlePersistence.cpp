#include "platform/com/OlePersistence.h"

#include "platform/com/ClassRegistry.h"
#include "platform/com/ComPtr.h"

HRESULT WriteClassStm(IStream* stream, REFCLSID clsid) {
    if (!stream)
        return E_INVALIDARG;
    ULONG written = 0;
    const HRESULT hr = stream->Write(&clsid, sizeof(CLSID), &written);
    if (FAILED(hr))
        return hr;
    return written == sizeof(CLSID) ? S_OK : STG_E_WRITEFAULT;
}

HRESULT ReadClassStm(IStream* stream, CLSID* clsid) {
    if (!stream || !clsid)
        return E_INVALIDARG;
    CLSID value{};
    ULONG read = 0;
    const HRESULT hr = stream->Read(&value, sizeof(CLSID), &read);
    if (FAILED(hr))
        return hr;
    if (read != sizeof(CLSID))
        return STG_E_READFAULT;
    *clsid = value;
    return S_OK;
}

HRESULT OleSaveToStream(IPersistStream* object, IStream* stream) {
    if (!object || !stream)
        return E_INVALIDARG;
    CLSID clsid;
    HRESULT hr = object->GetClassID(&clsid);
    if (FAILED(hr))
        return hr;
    hr = WriteClassStm(stream, clsid);
    if (FAILED(hr))
        return hr;
    return object->Save(stream, TRUE);
}

HRESULT OleLoadFromStream(IStream* stream, REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    CLSID clsid;
    HRESULT hr = ReadClassStm(stream, &clsid);
    if (FAILED(hr))
        return hr;
    ComPtr<IPersistStream> persist;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC, IID_IPersistStream, persist.ReceiveVoid());
    if (FAILED(hr))
        return hr;
    hr = persist->Load(stream);
    if (FAILED(hr))
        return hr;
    return persist->QueryInterface(iid, object);
}
