#include "platform/graphics/StretchDraw.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

bool SameLayout(const TPixelLayout& a, const TPixelLayout& b) {
    if (a.bitCount != b.bitCount)
        return false;
    if (a.bitCount <= 8)
        return std::equal(a.colours.begin(), a.colours.end(), b.colours.begin(), b.colours.end(),
                          [](const RGBQUAD& p, const RGBQUAD& q) {
                              return p.rgbRed == q.rgbRed && p.rgbGreen == q.rgbGreen &&
                                     p.rgbBlue == q.rgbBlue;
                          });
    return a.bitCount == 24 || std::equal(a.masks, a.masks + 3, b.masks);
}

} // namespace

void StretchDraw(TBitmap& target, const RECT& rect, const TBitmap& source) {
    const int64_t rectWidth = static_cast<int64_t>(rect.right) - rect.left;
    const int64_t rectHeight = static_cast<int64_t>(rect.bottom) - rect.top;
    if (target.Empty() || source.Empty() || rectWidth <= 0 || rectHeight <= 0)
        return;
    const int sourceWidth = source.Width();
    const int sourceHeight = source.Height();

    // The source as it is now: drawing a picture onto itself must not read rows already drawn.
    const std::vector<RGBQUAD> sourceColours = source.Palette();
    TPixelLayout from = source.Layout();
    from.colours = sourceColours;
    const size_t line = static_cast<size_t>(source.LineSize());
    std::vector<uint8_t> rows(line * static_cast<size_t>(sourceHeight));
    for (int y = 0; y < sourceHeight; ++y)
        std::memcpy(rows.data() + line * static_cast<size_t>(y), source.ScanLine(y), line);

    const std::vector<RGBQUAD> targetColours = target.Palette();
    TPixelLayout to = target.Layout();
    to.colours = targetColours;
    const bool raw = SameLayout(from, to);

    const int64_t y0 = std::max<int64_t>(rect.top, 0), y1 = std::min<int64_t>(rect.bottom, target.Height());
    const int64_t x0 = std::max<int64_t>(rect.left, 0), x1 = std::min<int64_t>(rect.right, target.Width());
    for (int64_t y = y0; y < y1; ++y) {
        const int64_t sy = (y - rect.top) * sourceHeight / rectHeight;
        const uint8_t* in = rows.data() + line * static_cast<size_t>(sy);
        uint8_t* out = target.ScanLine(static_cast<int>(y));
        for (int64_t x = x0; x < x1; ++x) {
            const int sx = static_cast<int>((x - rect.left) * sourceWidth / rectWidth);
            uint32_t value = ReadPixelValue(in, from.bitCount, sx);
            if (!raw)
                value = ColourToValue(to, ValueToColour(from, value));
            WritePixelValue(out, to.bitCount, static_cast<int>(x), value);
        }
    }
}
