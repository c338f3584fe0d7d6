// libFuzzer target: any bytes as a JPEG file, loaded and then decoded. The last byte picks the
// decoding settings, so every decoder set-up is reached. Loading and decoding must end in a
// picture or in one of the program's errors.

#include "imaging/JPEGImage.h"
#include "platform/runtime/Exception.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TJPEGImage image;
    TMemoryStream stream(data, size);
    try {
        image.LoadFromStream(stream);
    } catch (const Exception&) {
        return 0;
    }
    // Large pictures decode correctly but slowly; they teach the fuzzer nothing new.
    if (static_cast<int64_t>(image.Width()) * image.Height() > 2048 * 2048)
        return 0;
    const uint8_t settings = size > 0 ? data[size - 1] : 0;
    image.Grayscale = settings & 1;
    image.PixelFormat = settings & 2 ? TJPEGPixelFormat::jf8Bit : TJPEGPixelFormat::jf24Bit;
    image.Performance = settings & 4 ? TJPEGPerformance::jpBestSpeed : TJPEGPerformance::jpBestQuality;
    image.ProgressiveDisplay = settings & 8;
    image.Smoothing = settings & 16;
    image.Scale = static_cast<TJPEGScale>((settings >> 5) & 3);
    TBitmap bitmap;
    try {
        image.AssignTo(bitmap);
    } catch (const Exception&) {
        return 0;
    }
    uint32_t sum = 0;
    for (int y = 0; y < bitmap.Height(); y += 7)
        for (int x = 0; x < bitmap.Width(); x += 7)
            sum += bitmap.Pixels(x, y);
    return static_cast<int>(sum & 0);
}
