#include "imaging/BitmapFileWriter.h"

#include "imaging/LittleEndian.h"
#include "platform/runtime/FileStream.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr uint32_t kHeadersSize = 14 + 40;

std::array<uint8_t, kHeadersSize> Headers(const BITMAPINFOHEADER& source, int32_t width, int32_t height,
                                          uint32_t imageSize) {
    std::array<uint8_t, kHeadersSize> h{};
    h[0] = 'B';
    h[1] = 'M';
    WriteLE32(&h[2], kHeadersSize + imageSize);
    WriteLE32(&h[10], kHeadersSize);
    WriteLE32(&h[14], 40);
    WriteLE32(&h[18], static_cast<uint32_t>(width));
    WriteLE32(&h[22], static_cast<uint32_t>(height));
    WriteLE16(&h[26], 1);
    WriteLE16(&h[28], 24);
    WriteLE32(&h[30], 0);
    WriteLE32(&h[34], imageSize);
    WriteLE32(&h[38], static_cast<uint32_t>(source.biXPelsPerMeter));
    WriteLE32(&h[42], static_cast<uint32_t>(source.biYPelsPerMeter));
    WriteLE32(&h[46], 0);
    WriteLE32(&h[50], source.biClrImportant);
    return h;
}

} // namespace

void SaveBitmapToStream(const TBitmap& picture, TStream& stream) {
    if (picture.Empty() || picture.Width() == 0 || picture.Height() == 0)
        return;
    const BITMAPINFOHEADER& header = *picture.Header();
    const int height = picture.Height();
    const size_t line = static_cast<size_t>(picture.LineSize());

    if (header.biBitCount == 24) {
        // The rows are one block of memory; its first byte is the bottom row's unless top-down.
        const bool topDown = header.biHeight < 0;
        const uint32_t imageSize = static_cast<uint32_t>(line * static_cast<size_t>(height));
        const auto headers = Headers(header, picture.Width(), topDown ? -height : height, imageSize);
        stream.WriteBuffer(headers.data(), headers.size());
        stream.WriteBuffer(picture.ScanLine(topDown ? 0 : height - 1), imageSize);
        return;
    }

    const int64_t outLine = (static_cast<int64_t>(picture.Width()) * 24 + 31) / 32 * 4;
    const auto headers = Headers(header, picture.Width(), height,
                                 static_cast<uint32_t>(outLine * static_cast<int64_t>(height)));
    stream.WriteBuffer(headers.data(), headers.size());
    std::vector<uint8_t> row(static_cast<size_t>(outLine));
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < picture.Width(); ++x) {
            const COLORREF c = picture.Pixels(x, y);
            row[3 * static_cast<size_t>(x)] = GetBValue(c);
            row[3 * static_cast<size_t>(x) + 1] = GetGValue(c);
            row[3 * static_cast<size_t>(x) + 2] = GetRValue(c);
        }
        stream.WriteBuffer(row.data(), outLine);
    }
}

void SaveBitmapToFile(const TBitmap& picture, const std::string& fileName) {
    TFileStream stream(fileName, TFileMode::fmCreate);
    SaveBitmapToStream(picture, stream);
}
