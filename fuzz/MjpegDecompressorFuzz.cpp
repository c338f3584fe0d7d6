// libFuzzer target: any bytes as one motion-JPEG frame reaching the MJPEG decompressor filter,
// as a camera's frame does. The filter is connected at the size the frame's first
// start-of-frame segment gives when that is at most 2048x2048, so that mutated frames get past
// the size check into the decoder, else at 320x240. The frame is pushed twice, 6 s of stream
// time apart, so that a damaged frame also reaches the abort, and once more, which must then be
// refused. Decoding ends in a picture or a damaged frame, never out of bounds.

#include "platform/media/converters/MjpegDecompressorFilter.h"
#include "tests/media/support/ConvertingChain.h"
#include "tests/media/support/JpegEncoding.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <utility>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto [width, height] = JpegFrameSize(data, size).value_or(std::pair(320, 240));
    ConvertingChain chain(ComPtr<IBaseFilter>::Adopt(new MjpegDecompressorFilter),
                          VideoInfoType(MEDIASUBTYPE_MJPG, width, height, 24));
    if (!chain.Ready())
        std::abort();
    constexpr REFERENCE_TIME kSecond = 10'000'000;
    chain.Push(data, size, 0);
    chain.Push(data, size, 6 * kSecond);
    NamedCounters counters;
    ComPtr<IBaseFilter>(&chain.Converter()).As<ICounterSource>()->ReadCounters(counters);
    if (counters.size() != 2 || counters[0].second + counters[1].second != 2)
        std::abort(); // every frame is decoded or counted as damaged
    const bool aborted = counters[1].second == 2;
    if (aborted && chain.Push(data, size, 7 * kSecond) != S_FALSE)
        std::abort(); // a damaged stream stays aborted
    return 0;
}
