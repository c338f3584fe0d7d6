#pragma once

#include "platform/com/Unknown.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A capture filter's camera settings: the two published interfaces for the image (brightness,
// contrast, ...) and for the camera (exposure, focus, zoom, ...), and ICameraControls, our own,
// which reaches every control a camera offers, with its name, kind and range, and tells of
// changes made by the camera itself or by another program.

// The published properties of IAMVideoProcAmp.
enum VideoProcAmpProperty : long {
    VideoProcAmp_Brightness = 0,
    VideoProcAmp_Contrast = 1,
    VideoProcAmp_Hue = 2,
    VideoProcAmp_Saturation = 3,
    VideoProcAmp_Sharpness = 4,
    VideoProcAmp_Gamma = 5,
    VideoProcAmp_ColorEnable = 6,
    VideoProcAmp_WhiteBalance = 7,
    VideoProcAmp_BacklightCompensation = 8,
    VideoProcAmp_Gain = 9,
};
enum VideoProcAmpFlags : long { VideoProcAmp_Flags_Auto = 1, VideoProcAmp_Flags_Manual = 2 };

// The published properties of IAMCameraControl. Exposure is in log2 seconds (-3: 1/8 s).
enum CameraControlProperty : long {
    CameraControl_Pan = 0,
    CameraControl_Tilt = 1,
    CameraControl_Roll = 2,
    CameraControl_Zoom = 3,
    CameraControl_Exposure = 4,
    CameraControl_Iris = 5,
    CameraControl_Focus = 6,
};
enum CameraControlFlags : long { CameraControl_Flags_Auto = 1, CameraControl_Flags_Manual = 2 };

// A property the device does not have.
inline constexpr HRESULT E_PROP_ID_UNSUPPORTED = MakeHResult(0x80070490);

// {C6E13360-30AC-11D0-A18C-00A0C9118956}
inline constexpr IID IID_IAMVideoProcAmp{
    0xC6E13360, 0x30AC, 0x11D0, {0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56}};

// Image settings. Flags are VideoProcAmp_Flags_*: Auto where the camera sets the value itself.
struct IAMVideoProcAmp : IUnknown {
    virtual HRESULT GetRange(long property, long* minimum, long* maximum, long* step, long* defaultValue,
                             long* capsFlags) = 0;
    virtual HRESULT Set(long property, long value, long flags) = 0;
    virtual HRESULT Get(long property, long* value, long* flags) = 0;

protected:
    ~IAMVideoProcAmp() = default;
};

TARNOLIX_INTERFACE_ID(IAMVideoProcAmp, IID_IAMVideoProcAmp);

// {C6E13370-30AC-11D0-A18C-00A0C9118956}
inline constexpr IID IID_IAMCameraControl{
    0xC6E13370, 0x30AC, 0x11D0, {0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56}};

// Camera settings, with the same methods; flags are CameraControl_Flags_*.
struct IAMCameraControl : IUnknown {
    virtual HRESULT GetRange(long property, long* minimum, long* maximum, long* step, long* defaultValue,
                             long* capsFlags) = 0;
    virtual HRESULT Set(long property, long value, long flags) = 0;
    virtual HRESULT Get(long property, long* value, long* flags) = 0;

protected:
    ~IAMCameraControl() = default;
};

TARNOLIX_INTERFACE_ID(IAMCameraControl, IID_IAMCameraControl);

enum class CameraControlType {
    Integer,
    Boolean,
    Menu,        // named items
    IntegerMenu, // items that are numbers
    Button,      // an action: any value set presses it
    Integer64,
    Bitmask,
    String,
    Class,   // the heading of the controls that follow, not a control
    Compound // arrays and other structured values, listed but not set here
};

struct CameraControlMenuItem {
    int64_t index = 0;
    std::string name; // an integer menu's item: the number as text
};

// One control as the camera describes it. Ids are V4L2's control ids (linux/videodev2.h), and
// classes V4L2's control classes; a source of another kind gives its controls V4L2's ids where
// one fits (brightness, exposure) and ids of its own otherwise.
struct CameraControl {
    uint32_t id = 0;
    uint32_t classId = 0;
    std::string name; // the driver's, UTF-8
    CameraControlType type = CameraControlType::Integer;
    int64_t minimum = 0;
    int64_t maximum = 0;
    int64_t step = 1;
    int64_t defaultValue = 0;
    int64_t value = 0;
    std::string text; // a string control's value
    bool readOnly = false;
    bool inactive = false;      // has no effect now, such as an exposure time under automatic exposure
    bool busy = false;          // cannot be changed while the camera streams
    bool updatesOthers = false; // changing it may change other controls (an automatic mode)
    std::vector<CameraControlMenuItem> menu;
};

// Called on the source's own thread with a control's new state (value, flags and range; the
// menu items left empty) after the camera or any program changed it.
using CameraControlHandler = std::function<void(const CameraControl& control)>;

// {4B0F8E2C-7D1A-4C55-9E3B-2A61C0D7F915}
inline constexpr IID IID_ICameraControls{
    0x4B0F8E2C, 0x7D1A, 0x4C55, {0x9E, 0x3B, 0x2A, 0x61, 0xC0, 0xD7, 0xF9, 0x15}};

// Every control a camera offers, in its own order, class headings included. Any thread; a
// change takes effect at once, while the camera streams, without stopping it.
struct ICameraControls : IUnknown {
    virtual HRESULT GetControls(std::vector<CameraControl>& controls) = 0;
    virtual HRESULT GetControl(uint32_t id, CameraControl& control) = 0;
    // E_INVALIDARG when out of range (a value between steps is the camera's to round);
    // E_ACCESSDENIED for a read-only control;
    // E_PROP_ID_UNSUPPORTED for an id the camera does not have; the driver's refusal otherwise.
    virtual HRESULT SetValue(uint32_t id, int64_t value) = 0;
    virtual HRESULT SetText(uint32_t id, const std::string& text) = 0;
    // The handler is called until Unadvise returns; Unadvise waits for a call in progress.
    virtual HRESULT Advise(CameraControlHandler handler, uint32_t* cookie) = 0;
    virtual HRESULT Unadvise(uint32_t cookie) = 0;

protected:
    ~ICameraControls() = default;
};

TARNOLIX_INTERFACE_ID(ICameraControls, IID_ICameraControls);
