#include "platform/runtime/ModuleLoader.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace {

std::string Folded(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    return name;
}

struct LoadedModule {
    ModuleExports exports;
};

class ModuleTable {
public:
    static ModuleTable& Instance() {
        static ModuleTable table;
        return table;
    }

    void Register(const std::string& name, ModuleExports exports) {
        std::lock_guard lock(mutex_);
        registered_[Folded(name)] = std::move(exports);
    }

    void Unregister(const std::string& name) {
        std::lock_guard lock(mutex_);
        registered_.erase(Folded(name));
    }

    // A loaded module keeps the exports it had when it was loaded, until it is freed.
    HMODULE Load(const std::string& name) {
        std::lock_guard lock(mutex_);
        auto it = registered_.find(Folded(name));
        if (it == registered_.end())
            return nullptr;
        auto module = std::make_unique<LoadedModule>();
        module->exports = it->second;
        auto handle = reinterpret_cast<HMODULE>(module.get());
        loaded_.emplace(handle, std::move(module));
        return handle;
    }

    void* Find(HMODULE handle, const std::string& name) {
        std::lock_guard lock(mutex_);
        auto it = loaded_.find(handle);
        if (it == loaded_.end())
            return nullptr;
        auto function = it->second->exports.find(name);
        return function == it->second->exports.end() ? nullptr : function->second;
    }

    bool Free(HMODULE handle) {
        std::lock_guard lock(mutex_);
        return loaded_.erase(handle) == 1;
    }

private:
    std::mutex mutex_; // guards registered_ and loaded_
    std::unordered_map<std::string, ModuleExports> registered_;
    std::unordered_map<HMODULE, std::unique_ptr<LoadedModule>> loaded_;
};

} // namespace

void RegisterModule(const std::string& name, ModuleExports exports) {
    ModuleTable::Instance().Register(name, std::move(exports));
}

void UnregisterModule(const std::string& name) {
    ModuleTable::Instance().Unregister(name);
}

HMODULE LoadLibrary(const std::string& name) {
    return ModuleTable::Instance().Load(name);
}

void* GetProcAddress(HMODULE module, const std::string& name) {
    return ModuleTable::Instance().Find(module, name);
}

bool FreeLibrary(HMODULE module) {
    return ModuleTable::Instance().Free(module);
}
