#pragma once

#include "platform/com/MonikerInterface.h"

// {62BE5D10-60EB-11D0-BD3B-00A0C911CE86}
inline constexpr CLSID CLSID_SystemDeviceEnum{
    0x62BE5D10, 0x60EB, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
// {29840822-5B84-11D0-BD3B-00A0C911CE86}
inline constexpr IID IID_ICreateDevEnum{
    0x29840822, 0x5B84, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
// The category of categories. {DA4E3DA0-D07D-11D0-BD50-00A0C911CE86}
inline constexpr CLSID CLSID_ActiveMovieCategories{
    0xDA4E3DA0, 0xD07D, 0x11D0, {0xBD, 0x50, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
// {860BB310-5D01-11D0-BD3B-00A0C911CE86}
inline constexpr CLSID CLSID_VideoInputDeviceCategory{
    0x860BB310, 0x5D01, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};

// Our own classes.
// The moniker of a device of the system device enumerator. {7A3E1C20-5B1D-4E0B-9C51-2D6F0A4B1001}
inline constexpr CLSID CLSID_DeviceMoniker{
    0x7A3E1C20, 0x5B1D, 0x4E0B, {0x9C, 0x51, 0x2D, 0x6F, 0x0A, 0x4B, 0x10, 0x01}};
// The capture source of a V4L2 camera. {7A3E1C20-5B1D-4E0B-9C51-2D6F0A4B1002}
inline constexpr CLSID CLSID_V4l2CaptureSource{
    0x7A3E1C20, 0x5B1D, 0x4E0B, {0x9C, 0x51, 0x2D, 0x6F, 0x0A, 0x4B, 0x10, 0x02}};
// The capture source of a virtual camera. {7A3E1C20-5B1D-4E0B-9C51-2D6F0A4B1003}
inline constexpr CLSID CLSID_VirtualCameraSource{
    0x7A3E1C20, 0x5B1D, 0x4E0B, {0x9C, 0x51, 0x2D, 0x6F, 0x0A, 0x4B, 0x10, 0x03}};

// The capture source of a camera read through PipeWire. {7A3E1C20-5B1D-4E0B-9C51-2D6F0A4B1004}
inline constexpr CLSID CLSID_PipeWireCaptureSource{
    0x7A3E1C20, 0x5B1D, 0x4E0B, {0x9C, 0x51, 0x2D, 0x6F, 0x0A, 0x4B, 0x10, 0x04}};

inline constexpr DWORD CDEF_DEVMON_FILTER = 0x2;

// The system device enumerator: monikers of the devices of one category.
struct ICreateDevEnum : IUnknown {
    // S_OK with an enumerator when the category has devices; S_FALSE with *enumerator null when
    // it has none.
    virtual HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator, DWORD flags) = 0;

protected:
    ~ICreateDevEnum() = default;
};

TARNOLIX_INTERFACE_ID(ICreateDevEnum, IID_ICreateDevEnum);
