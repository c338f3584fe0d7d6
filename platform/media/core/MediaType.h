#pragma once

#include "platform/com/Unknown.h"
#include "platform/graphics/GdiTypes.h"

#include <cstddef>
#include <cstdint>
#include <utility>

// The media-streaming framework's records, in their published layouts for a 64-bit process.

using REFERENCE_TIME = int64_t; // 100-nanosecond units

struct AM_MEDIA_TYPE {
    GUID majortype;
    GUID subtype;
    BOOL bFixedSizeSamples;
    BOOL bTemporalCompression;
    ULONG lSampleSize;
    GUID formattype;
    IUnknown* pUnk;    // a counted reference, or null
    ULONG cbFormat;    // bytes at pbFormat
    uint8_t* pbFormat; // from the task allocator
};
static_assert(offsetof(AM_MEDIA_TYPE, subtype) == 16);
static_assert(offsetof(AM_MEDIA_TYPE, bFixedSizeSamples) == 32);
static_assert(offsetof(AM_MEDIA_TYPE, lSampleSize) == 40);
static_assert(offsetof(AM_MEDIA_TYPE, formattype) == 44);
static_assert(offsetof(AM_MEDIA_TYPE, pUnk) == 64);
static_assert(offsetof(AM_MEDIA_TYPE, cbFormat) == 72);
static_assert(offsetof(AM_MEDIA_TYPE, pbFormat) == 80);
static_assert(sizeof(AM_MEDIA_TYPE) == 88);

struct VIDEOINFOHEADER {
    RECT rcSource;
    RECT rcTarget;
    DWORD dwBitRate;
    DWORD dwBitErrorRate;
    REFERENCE_TIME AvgTimePerFrame;
    BITMAPINFOHEADER bmiHeader;
};
static_assert(offsetof(VIDEOINFOHEADER, AvgTimePerFrame) == 40);
static_assert(offsetof(VIDEOINFOHEADER, bmiHeader) == 48);
static_assert(sizeof(VIDEOINFOHEADER) == 88);

struct VIDEOINFOHEADER2 {
    RECT rcSource;
    RECT rcTarget;
    DWORD dwBitRate;
    DWORD dwBitErrorRate;
    REFERENCE_TIME AvgTimePerFrame;
    DWORD dwInterlaceFlags;
    DWORD dwCopyProtectFlags;
    DWORD dwPictAspectRatioX;
    DWORD dwPictAspectRatioY;
    DWORD dwControlFlags;
    DWORD dwReserved2;
    BITMAPINFOHEADER bmiHeader;
};
static_assert(offsetof(VIDEOINFOHEADER2, dwInterlaceFlags) == 48);
static_assert(offsetof(VIDEOINFOHEADER2, dwControlFlags) == 64);
static_assert(offsetof(VIDEOINFOHEADER2, bmiHeader) == 72);
static_assert(sizeof(VIDEOINFOHEADER2) == 112);

// {73646976-0000-0010-8000-00AA00389B71}
inline constexpr GUID MEDIATYPE_Video{
    0x73646976, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
// {E436EB7D-524F-11CE-9F53-0020AF0BA770}
inline constexpr GUID MEDIASUBTYPE_RGB24{
    0xE436EB7D, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
// The camera formats that the converters take.
// {32595559-0000-0010-8000-00AA00389B71}
inline constexpr GUID MEDIASUBTYPE_YUY2{
    0x32595559, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
// {59565955-0000-0010-8000-00AA00389B71}
inline constexpr GUID MEDIASUBTYPE_UYVY{
    0x59565955, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
// 4:2:0: NV12 (a luma plane, then interleaved U V rows), I420 and IYUV (the same layout under
// two names: a luma plane, a U plane, a V plane).
// {3231564E-0000-0010-8000-00AA00389B71}
inline constexpr GUID MEDIASUBTYPE_NV12{
    0x3231564E, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
// {30323449-0000-0010-8000-00AA00389B71}
inline constexpr GUID MEDIASUBTYPE_I420{
    0x30323449, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
// {56555949-0000-0010-8000-00AA00389B71}
inline constexpr GUID MEDIASUBTYPE_IYUV{
    0x56555949, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
// {E436EB7E-524F-11CE-9F53-0020AF0BA770}
inline constexpr GUID MEDIASUBTYPE_RGB32{
    0xE436EB7E, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
// {47504A4D-0000-0010-8000-00AA00389B71}
inline constexpr GUID MEDIASUBTYPE_MJPG{
    0x47504A4D, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
// {05589F80-C356-11CE-BF01-00AA0055595A}
inline constexpr GUID FORMAT_VideoInfo{
    0x05589F80, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
// {F72A76A0-EB0A-11D0-ACE4-0000C0CC16BA}
inline constexpr GUID FORMAT_VideoInfo2{
    0xF72A76A0, 0xEB0A, 0x11D0, {0xAC, 0xE4, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};

// Releases what a media type record holds (its format block and its object reference) and
// leaves the record's format fields empty. The record itself is the caller's.
void FreeMediaType(AM_MEDIA_TYPE& type) noexcept;

// Deep copy: the record, a new format block, one more reference to the object. False (target
// left empty) when the format block cannot be allocated. `target` must hold nothing.
bool DuplicateMediaType(AM_MEDIA_TYPE& target, const AM_MEDIA_TYPE& source) noexcept;

// A media type record that owns its format block and object reference: copies are deep,
// and everything is released on scope exit.
class ScopedMediaType {
public:
    ScopedMediaType() noexcept : type_{} {}
    explicit ScopedMediaType(const AM_MEDIA_TYPE& source) noexcept : type_{} {
        DuplicateMediaType(type_, source);
    }
    ScopedMediaType(const ScopedMediaType& other) noexcept : ScopedMediaType(other.type_) {}
    ScopedMediaType(ScopedMediaType&& other) noexcept : type_(other.type_) { other.type_ = AM_MEDIA_TYPE{}; }
    ScopedMediaType& operator=(ScopedMediaType other) noexcept {
        std::swap(type_, other.type_);
        return *this;
    }
    ~ScopedMediaType() { FreeMediaType(type_); }

    AM_MEDIA_TYPE* operator&() noexcept { return &type_; }
    AM_MEDIA_TYPE* operator->() noexcept { return &type_; }
    const AM_MEDIA_TYPE* operator->() const noexcept { return &type_; }
    AM_MEDIA_TYPE& Get() noexcept { return type_; }
    const AM_MEDIA_TYPE& Get() const noexcept { return type_; }

private:
    AM_MEDIA_TYPE type_;
};
