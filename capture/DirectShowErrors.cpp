#include "capture/DirectShowErrors.h"

#include "platform/media/core/ErrorText.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/ModuleLoader.h"

namespace {

// Holds a loaded library and frees it on scope exit.
class LoadedLibrary {
public:
    explicit LoadedLibrary(const char* name) : module_(LoadLibrary(name)) {}
    ~LoadedLibrary() {
        if (module_)
            FreeLibrary(module_);
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    void* Find(const char* name) const { return module_ ? GetProcAddress(module_, name) : nullptr; }

private:
    HMODULE module_;
};

} // namespace

std::string DirectShowErrorText(HRESULT result) {
    // The library is looked up on every call rather than once, so that a library that comes or
    // goes (as tests simulate) is seen; a look-up costs one table search.
    LoadedLibrary quartz("quartz.dll");
    auto textA = reinterpret_cast<AMGetErrorTextAFunction>(quartz.Find("AMGetErrorTextA"));
    auto textW = reinterpret_cast<AMGetErrorTextWFunction>(quartz.Find("AMGetErrorTextW"));
    if (!textA || !textW)
        return std::string();
    char buffer[256] = {};
    textA(result, buffer, 255);
    return std::string(buffer);
}

HRESULT CheckDirectShowResult(HRESULT result) {
    if (SUCCEEDED(result))
        return result;
    throw EDirectShowException(DirectShowErrorText(result) + Format(" ($%X).", static_cast<uint32_t>(result)),
                               result);
}
