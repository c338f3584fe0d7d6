#pragma once

#include "platform/com/ComTypes.h"
#include "platform/com/Unknown.h"

#include <mutex>
#include <unordered_map>

// Creates a new object of one class and queries it for iid. `outer` is the aggregating object,
// if any; classes that cannot be aggregated answer CLASS_E_NOAGGREGATION.
using ClassFactoryFunction = HRESULT (*)(IUnknown* outer, REFIID iid, void** object);

// The process's table of creatable classes behind CoCreateInstance. Each platform library
// registers its classes once (see its Register...Classes function); any thread may register
// and create.
class ClassRegistry {
public:
    static ClassRegistry& Instance();

    // Adds or replaces the factory of a class.
    void Register(REFCLSID clsid, ClassFactoryFunction factory);
    void Unregister(REFCLSID clsid);
    // The factory of a class, or null when it is not registered.
    ClassFactoryFunction Find(REFCLSID clsid) const;

private:
    ClassRegistry();

    // mutex_ guards factories_.
    mutable std::mutex mutex_;
    std::unordered_map<GUID, ClassFactoryFunction, GUIDHash> factories_;
};

// Execution contexts of CoCreateInstance; every class of the platform runs in the process.
inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
inline constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
inline constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;
inline constexpr DWORD CLSCTX_ALL = CLSCTX_INPROC | CLSCTX_LOCAL_SERVER;

// Creates an object of a registered class and queries it for iid. REGDB_E_CLASSNOTREG for a
// class that is not registered or a context without an in-process part; E_NOINTERFACE when the
// object lacks iid (*object is then null).
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** object);

// The usual factory: a class without aggregation whose default constructor makes the object
// with one reference.
template <typename T> HRESULT CreateComObject(IUnknown* outer, REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    T* created = new T();
    const HRESULT hr = created->QueryInterface(iid, object);
    created->Release();
    return hr;
}
