#pragma once

#include "platform/com/ComPtr.h"
#include "platform/media/core/FilterInterfaces.h"
#include "platform/media/core/VideoFormat.h"

#include <mutex>
#include <vector>

// An IEnumMediaTypes over a fixed list of video formats. Any thread may use it.
class MediaTypeEnumerator final : public ComObject<IEnumMediaTypes> {
public:
    static ComPtr<IEnumMediaTypes> Create(std::vector<VideoFormat> formats);

    HRESULT Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
    HRESULT Skip(ULONG count) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumMediaTypes** clone) override;

private:
    MediaTypeEnumerator(std::vector<VideoFormat> formats, size_t position)
        : formats_(std::move(formats)), position_(position) {}

    // mutex_ guards position_; formats_ never changes.
    std::mutex mutex_;
    const std::vector<VideoFormat> formats_;
    size_t position_;
};
