#pragma once

#include "platform/com/MonikerInterface.h"

// {00000010-0000-0000-C000-000000000046}
inline constexpr IID IID_IRunningObjectTable{
    0x00000010, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

inline constexpr DWORD ROTFLAGS_REGISTRATIONKEEPSALIVE = 0x1;

// The table of running objects by name, through which other programs find them.
struct IRunningObjectTable : IUnknown {
    // Registers object under name; *cookie (never 0) identifies the registration for Revoke.
    // MK_S_MONIKERALREADYREGISTERED (a success) when the name was registered already.
    virtual HRESULT Register(DWORD flags, IUnknown* object, IMoniker* name, DWORD* cookie) = 0;
    virtual HRESULT Revoke(DWORD cookie) = 0;
    virtual HRESULT IsRunning(IMoniker* name) = 0;
    virtual HRESULT GetObject(IMoniker* name, IUnknown** object) = 0;
    virtual HRESULT EnumRunning(IEnumMoniker** names) = 0;

protected:
    ~IRunningObjectTable() = default;
};

TARNOLIX_INTERFACE_ID(IRunningObjectTable, IID_IRunningObjectTable);

// The process's running-object table; reserved must be 0.
HRESULT GetRunningObjectTable(DWORD reserved, IRunningObjectTable** table);
