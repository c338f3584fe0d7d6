#pragma once

#include "platform/media/core/MediaType.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A requested media type: one media-type record with its format block, which it owns (task
// allocator) and its object reference, of which it holds one. Stored in a window's layout as the
// binary "data" value: the record in its 72-byte 32-bit layout, then the format block. GUI thread.
class TMediaType {
public:
    explicit TMediaType(const GUID& majorType);
    ~TMediaType();
    TMediaType(const TMediaType&) = delete;
    TMediaType& operator=(const TMediaType&) = delete;

    // Deep copy of the other's record; assigning an object to itself does nothing.
    void Assign(const TMediaType& source);
    // Same major type, subtype, format type and format block (sample fields are not compared).
    bool Equals(const TMediaType& other) const;

    void SetSubType(const GUID& subType) { record_.subtype = subType; }
    void SetFormatType(const GUID& formatType) { record_.formattype = formatType; }
    ULONG FormatLength() const { return record_.cbFormat; }
    // Frees the format block, leaving length 0 and no block.
    void ResetFormatBuffer();

    const AM_MEDIA_TYPE& Record() const { return record_; }
    AM_MEDIA_TYPE& Record() { return record_; }

    // The stored "data" bytes.
    std::vector<uint8_t> SaveData() const;
    // Reads stored "data" bytes. The pointer slots of the stored record mean nothing and are
    // taken as empty. Data shorter than its record or its format block raises EReadError
    // ("Stream read error") and leaves the record as it was.
    void LoadData(const uint8_t* data, size_t size);

    static constexpr size_t kStoredRecordSize = 72;

private:
    AM_MEDIA_TYPE record_;
};

// Copies `source` into `target` (which must be another record holding nothing): the record,
// a new copy of the format block, one more reference to the object. The precondition raises
// EAssertionFailed ("Assertion failure"). If the block cannot be allocated the target gets none.
void CopyMediaType(AM_MEDIA_TYPE& target, const AM_MEDIA_TYPE& source);
