#include "EffectTestSupport.h"

#include "effects/EffectSelection.h"
#include "effects/FramePass.h"
#include "platform/graphics/DibSection.h"

TestFrame::TestFrame(int width, int height, bool topDown) {
    if (!topDown) {
        bitmap.SetSize(width, height, TPixelFormat::pf24bit);
        return;
    }
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    bitmap.SetHandle(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
}

Pixel TestFrame::At(int x, int y) const {
    const uint8_t* p = bitmap.ScanLine(y) + 3 * x;
    return {p[0], p[1], p[2]};
}

void TestFrame::Set(int x, int y, Pixel v) {
    uint8_t* p = bitmap.ScanLine(y) + 3 * x;
    p[0] = v.b;
    p[1] = v.g;
    p[2] = v.r;
}

void TestFrame::Fill(Pixel p) {
    for (int y = 0; y < Height(); ++y)
        for (int x = 0; x < Width(); ++x)
            Set(x, y, p);
}

void TestFrame::FillPattern() {
    for (int y = 0; y < Height(); ++y)
        for (int x = 0; x < Width(); ++x)
            Set(x, y,
                {static_cast<uint8_t>(x * 37 + y * 11 + 5), static_cast<uint8_t>(x * 13 + y * 29 + 90),
                 static_cast<uint8_t>(x * 7 + y * 53 + 200)});
}

void RunEffect(TestFrame& frame, TEffectItem item, TRandomGenerator* random) {
    TEffectSelection selection;
    selection.Select(item);
    TRandomGenerator local(12345);
    TFramePass pass(selection, random ? *random : local);
    pass.Run(frame.bitmap);
}
