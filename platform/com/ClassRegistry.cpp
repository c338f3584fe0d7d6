#include "platform/com/ClassRegistry.h"

#include "platform/com/ComClasses.h"

ClassRegistry& ClassRegistry::Instance() {
    static ClassRegistry registry;
    return registry;
}

ClassRegistry::ClassRegistry() {
    // The object services' own classes are always there.
    for (const auto& [clsid, factory] : ComLibraryClasses())
        factories_.emplace(clsid, factory);
}

void ClassRegistry::Register(REFCLSID clsid, ClassFactoryFunction factory) {
    std::lock_guard lock(mutex_);
    factories_[clsid] = factory;
}

void ClassRegistry::Unregister(REFCLSID clsid) {
    std::lock_guard lock(mutex_);
    factories_.erase(clsid);
}

ClassFactoryFunction ClassRegistry::Find(REFCLSID clsid) const {
    std::lock_guard lock(mutex_);
    const auto found = factories_.find(clsid);
    return found == factories_.end() ? nullptr : found->second;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    const ClassFactoryFunction factory = ClassRegistry::Instance().Find(clsid);
    if (!factory || (context & CLSCTX_INPROC) == 0)
        return REGDB_E_CLASSNOTREG;
    // The factory runs without the registry's lock, so it may create other objects.
    return factory(outer, iid, object);
}
