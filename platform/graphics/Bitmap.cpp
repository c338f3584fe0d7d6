#include "platform/graphics/Bitmap.h"

#include "platform/graphics/DibSection.h"
#include "platform/runtime/StandardErrors.h"

#include <algorithm>

// One image, possibly shared by several bitmap objects; its section is deleted with it.
struct TBitmap::Image {
    explicit Image(HBITMAP section) : handle(section) {
        GetObject(section, sizeof description, &description);
        colours.resize(GetDIBColorTable(section, 0, kMaxColourTable, nullptr));
        GetDIBColorTable(section, 0, static_cast<UINT>(colours.size()), colours.data());
        deviceDependent = IsDeviceDependentBitmap(section);
    }
    ~Image() { DeleteObject(handle); }
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    uint8_t* Row(int row) const {
        auto* bits = static_cast<uint8_t*>(description.dsBm.bmBits);
        const int64_t line = description.dsBm.bmWidthBytes;
        const int64_t height = description.dsBm.bmHeight;
        const bool topDown = description.dsBmih.biHeight < 0;
        return bits + (topDown ? row : height - 1 - row) * line;
    }

    HBITMAP handle;
    DIBSECTION description{};
    std::vector<RGBQUAD> colours; // a copy of the section's colour table
    bool deviceDependent = false;
};

TBitmap::TBitmap() = default;
TBitmap::~TBitmap() = default;

HBITMAP TBitmap::Handle() const {
    return image_ ? image_->handle : nullptr;
}

void TBitmap::SetHandle(HBITMAP section) {
    if (section == Handle())
        return;
    Adopt(section ? std::make_shared<Image>(section) : nullptr);
}

void TBitmap::Assign(const TBitmap& source) {
    if (&source == this || source.image_ == image_)
        return;
    Adopt(source.image_);
}

void TBitmap::Adopt(std::shared_ptr<Image> image) {
    image_ = std::move(image); // the previous image is freed here unless another bitmap shares it
    if (OnChange)
        OnChange(*this);
}

void TBitmap::SetSize(int width, int height, TPixelFormat format) {
    if (width <= 0 || height <= 0) {
        Adopt(nullptr);
        return;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    switch (format) {
    case TPixelFormat::pf1bit:
        info.bmiHeader.biBitCount = 1;
        break;
    case TPixelFormat::pf4bit:
        info.bmiHeader.biBitCount = 4;
        break;
    case TPixelFormat::pf8bit:
        info.bmiHeader.biBitCount = 8;
        break;
    case TPixelFormat::pf15bit:
    case TPixelFormat::pf16bit:
        info.bmiHeader.biBitCount = 16;
        break;
    case TPixelFormat::pf32bit:
        info.bmiHeader.biBitCount = 32;
        break;
    default:
        info.bmiHeader.biBitCount = 24;
        break;
    }
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section)
        RaiseInvalidBitmap();
    auto image = std::make_shared<Image>(section);
    std::fill_n(static_cast<uint8_t*>(bits), image->description.dsBmih.biSizeImage, 0);
    Adopt(std::move(image));
}

int TBitmap::Width() const {
    return image_ ? image_->description.dsBm.bmWidth : 0;
}

int TBitmap::Height() const {
    return image_ ? image_->description.dsBm.bmHeight : 0;
}

bool TBitmap::Empty() const {
    return !image_;
}

int TBitmap::LineSize() const {
    return image_ ? image_->description.dsBm.bmWidthBytes : 0;
}

TPixelFormat TBitmap::PixelFormat() const {
    if (!image_)
        return TPixelFormat::pfDevice;
    const DIBSECTION& d = image_->description;
    switch (d.dsBm.bmBitsPixel) {
    case 1:
        return TPixelFormat::pf1bit;
    case 4:
        return TPixelFormat::pf4bit;
    case 8:
        return TPixelFormat::pf8bit;
    case 16:
        return d.dsBitfields[1] == 0x03E0 ? TPixelFormat::pf15bit : TPixelFormat::pf16bit;
    case 24:
        return TPixelFormat::pf24bit;
    case 32:
        return TPixelFormat::pf32bit;
    default:
        return TPixelFormat::pfCustom;
    }
}

uint8_t* TBitmap::ScanLine(int row) {
    if (!image_ || row < 0 || row >= Height())
        throw EInvalidGraphic("Scan line index out of range");
    return image_->Row(row);
}

const uint8_t* TBitmap::ScanLine(int row) const {
    return const_cast<TBitmap*>(this)->ScanLine(row);
}

TBitmapHandleType TBitmap::HandleType() const {
    return image_ && image_->deviceDependent ? TBitmapHandleType::bmDDB : TBitmapHandleType::bmDIB;
}

const BITMAPINFOHEADER* TBitmap::Header() const {
    return image_ ? &image_->description.dsBmih : nullptr;
}

std::vector<RGBQUAD> TBitmap::Palette() const {
    return image_ ? image_->colours : std::vector<RGBQUAD>{};
}

void TBitmap::SetPalette(std::span<const RGBQUAD> colours) {
    if (!image_ || colours.empty())
        return;
    const UINT set = SetDIBColorTable(image_->handle, 0, static_cast<UINT>(colours.size()), colours.data());
    if (image_->colours.size() < set)
        image_->colours.resize(set);
    std::copy_n(colours.begin(), set, image_->colours.begin());
}

TPixelLayout TBitmap::Layout() const {
    TPixelLayout layout;
    if (!image_)
        return layout;
    const DIBSECTION& d = image_->description;
    layout.bitCount = d.dsBm.bmBitsPixel;
    std::copy_n(d.dsBitfields, 3, layout.masks);
    layout.colours = image_->colours;
    return layout;
}

COLORREF TBitmap::Pixels(int x, int y) const {
    if (!image_ || x < 0 || y < 0 || x >= Width() || y >= Height())
        return CLR_INVALID;
    const TPixelLayout layout = Layout();
    return ValueToColour(layout, ReadPixelValue(image_->Row(y), layout.bitCount, x));
}
