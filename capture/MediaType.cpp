#include "capture/MediaType.h"

#include "platform/com/TaskAllocator.h"
#include "platform/runtime/StandardErrors.h"

#include <cstring>

namespace {

void PutGuid(std::vector<uint8_t>& out, const GUID& guid) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&guid); // the binary layout, little-endian fields
    out.insert(out.end(), bytes, bytes + sizeof(GUID));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    for (int k = 0; k < 4; ++k)
        out.push_back(static_cast<uint8_t>(value >> (8 * k)));
}

GUID GetGuid(const uint8_t* at) {
    GUID guid;
    std::memcpy(&guid, at, sizeof guid);
    return guid;
}

uint32_t Get32(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
           static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

} // namespace

void CopyMediaType(AM_MEDIA_TYPE& target, const AM_MEDIA_TYPE& source) {
    if (&target == &source || (source.cbFormat != 0 && !source.pbFormat))
        RaiseAssertion();
    if (!DuplicateMediaType(target, source)) {
        // No memory for the format block: the record without one.
        target = source;
        target.cbFormat = 0;
        target.pbFormat = nullptr;
        if (target.pUnk)
            target.pUnk->AddRef();
    }
}

TMediaType::TMediaType(const GUID& majorType) : record_{} {
    record_.majortype = majorType;
    record_.lSampleSize = 1;
    record_.bFixedSizeSamples = -1;
}

TMediaType::~TMediaType() {
    FreeMediaType(record_);
}

void TMediaType::Assign(const TMediaType& source) {
    if (&source == this)
        return;
    FreeMediaType(record_);
    CopyMediaType(record_, source.record_);
}

bool TMediaType::Equals(const TMediaType& other) const {
    const AM_MEDIA_TYPE& a = record_;
    const AM_MEDIA_TYPE& b = other.record_;
    if (!(a.majortype == b.majortype && a.subtype == b.subtype && a.formattype == b.formattype) ||
        a.cbFormat != b.cbFormat)
        return false;
    return a.cbFormat == 0 ||
           (a.pbFormat && b.pbFormat && std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0);
}

void TMediaType::ResetFormatBuffer() {
    if (record_.cbFormat != 0)
        CoTaskMemFree(record_.pbFormat);
    record_.cbFormat = 0;
    record_.pbFormat = nullptr;
}

std::vector<uint8_t> TMediaType::SaveData() const {
    std::vector<uint8_t> out;
    out.reserve(kStoredRecordSize + record_.cbFormat);
    PutGuid(out, record_.majortype);
    PutGuid(out, record_.subtype);
    Put32(out, static_cast<uint32_t>(record_.bFixedSizeSamples));
    Put32(out, static_cast<uint32_t>(record_.bTemporalCompression));
    Put32(out, record_.lSampleSize);
    PutGuid(out, record_.formattype);
    Put32(out, 0); // object reference: meaningless once stored
    Put32(out, record_.cbFormat);
    Put32(out, 0); // format block address: likewise
    if (record_.cbFormat != 0 && record_.pbFormat)
        out.insert(out.end(), record_.pbFormat, record_.pbFormat + record_.cbFormat);
    return out;
}

void TMediaType::LoadData(const uint8_t* data, size_t size) {
    if (!data || size < kStoredRecordSize)
        RaiseReadError();
    const uint32_t formatLength = Get32(data + 64);
    if (size - kStoredRecordSize < formatLength)
        RaiseReadError();
    uint8_t* block = nullptr;
    if (formatLength > 0) {
        block = static_cast<uint8_t*>(CoTaskMemAlloc(formatLength));
        if (!block)
            RaiseReadError();
        std::memcpy(block, data + kStoredRecordSize, formatLength);
    }
    ResetFormatBuffer();
    if (record_.pUnk) {
        record_.pUnk->Release();
        record_.pUnk = nullptr;
    }
    record_.majortype = GetGuid(data);
    record_.subtype = GetGuid(data + 16);
    record_.bFixedSizeSamples = static_cast<BOOL>(Get32(data + 32));
    record_.bTemporalCompression = static_cast<BOOL>(Get32(data + 36));
    record_.lSampleSize = Get32(data + 40);
    record_.formattype = GetGuid(data + 44);
    record_.cbFormat = formatLength;
    record_.pbFormat = block;
}
