// libFuzzer target: any bytes as a bitmap file. Loading must end in a picture or in one of the
// program's errors; a loaded picture is then read pixel by pixel, scaled and written again.

#include "imaging/BitmapFileReader.h"
#include "imaging/BitmapFileWriter.h"
#include "platform/graphics/StretchDraw.h"
#include "platform/runtime/Exception.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TBitmap picture;
    TMemoryStream stream(data, size);
    try {
        LoadBitmapFromStream(picture, stream);
    } catch (const Exception&) {
        return 0;
    }
    if (picture.Empty() || static_cast<int64_t>(picture.Width()) * picture.Height() > (1 << 20))
        return 0;
    uint32_t sum = 0;
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            sum += picture.Pixels(x, y);
    StretchDraw(picture, {0, 0, picture.Width() / 2 + 1, picture.Height() * 2}, picture);
    TMemoryStream out;
    SaveBitmapToStream(picture, out);
    return static_cast<int>(sum & 0);
}
