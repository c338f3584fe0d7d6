#pragma once

#include "platform/com/ComPtr.h"
#include "platform/com/PersistInterfaces.h"

#include <atomic>
#include <string>

// {0A1B2C3D-0000-4000-8000-00000000C0DE}
inline constexpr CLSID CLSID_TestPersistent{0x0A1B2C3D, 0x0000, 0x4000, {0x80, 0x00, 0, 0, 0, 0, 0xC0, 0xDE}};

// A persistable object whose state is one wide string; counts the live objects of its class.
class TestPersistent final : public ComObject<IPersistStream> {
public:
    TestPersistent() { ++live; }
    ~TestPersistent() override { --live; }

    HRESULT GetClassID(CLSID* clsid) override;
    HRESULT IsDirty() override { return S_FALSE; }
    HRESULT Load(IStream* stream) override;
    HRESULT Save(IStream* stream, BOOL) override;
    HRESULT GetSizeMax(ULONGLONG*) override { return E_NOTIMPL; }

    std::u16string text;
    static inline std::atomic<int> live{0};
};
