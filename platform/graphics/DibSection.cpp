#include "platform/graphics/DibSection.h"

#include "platform/graphics/RleDecoder.h"
#include "platform/graphics/SectionMemoryPool.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace {

// One bitmap: its description, its pixel memory and its colour table. A device-dependent
// bitmap keeps its pixels in the same way; only its kind differs.
struct DibSectionObject {
    DIBSECTION description{};
    SectionMemoryPool::Block pixels;
    std::vector<RGBQUAD> colours;
    bool deviceDependent = false;
};

// The process-wide table of live drawing objects, keyed by handle value.
class GdiObjectTable {
public:
    static GdiObjectTable& Instance() {
        static GdiObjectTable table;
        return table;
    }

    // The pool is made first, so that it outlives the table and the sections still alive at exit.
    GdiObjectTable() { SectionMemoryPool::Instance(); }

    HGDIOBJ Add(std::unique_ptr<DibSectionObject> object) {
        std::lock_guard lock(mutex_);
        const uintptr_t key = nextKey_;
        nextKey_ += 4; // handle values look like aligned addresses and are never zero
        objects_.emplace(key, std::move(object));
        return reinterpret_cast<HGDIOBJ>(key);
    }

    // Removes the object from the table and hands it to the caller, who frees it unlocked.
    std::unique_ptr<DibSectionObject> Remove(HGDIOBJ handle) {
        std::lock_guard lock(mutex_);
        auto it = objects_.find(reinterpret_cast<uintptr_t>(handle));
        if (it == objects_.end())
            return nullptr;
        auto object = std::move(it->second);
        objects_.erase(it);
        return object;
    }

    bool Describe(HGDIOBJ handle, DIBSECTION& out) {
        std::lock_guard lock(mutex_);
        auto it = objects_.find(reinterpret_cast<uintptr_t>(handle));
        if (it == objects_.end())
            return false;
        out = it->second->description;
        return true;
    }

    // Runs `use` on the live object named by `handle` under the table's lock; false if none.
    template <typename Use> bool With(HGDIOBJ handle, Use&& use) {
        std::lock_guard lock(mutex_);
        auto it = objects_.find(reinterpret_cast<uintptr_t>(handle));
        if (it == objects_.end())
            return false;
        use(*it->second);
        return true;
    }

    size_t Count() {
        std::lock_guard lock(mutex_);
        return objects_.size();
    }

private:
    std::mutex mutex_; // guards objects_ and nextKey_
    std::unordered_map<uintptr_t, std::unique_ptr<DibSectionObject>> objects_;
    uintptr_t nextKey_ = 0x1000;
};

bool SupportedFormat(const BITMAPINFOHEADER& h) {
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || h.biWidth <= 0 || h.biHeight == 0)
        return false;
    switch (h.biBitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
        return h.biCompression == BI_RGB;
    case 16:
    case 32:
        return h.biCompression == BI_RGB || h.biCompression == BI_BITFIELDS;
    default:
        return false;
    }
}

// The masks of a section whose pixels are not indexes into a colour table.
void DefaultMasks(const BITMAPINFO& info, DWORD (&masks)[3]) {
    const BITMAPINFOHEADER& h = info.bmiHeader;
    if (h.biCompression == BI_BITFIELDS) {
        // Headers of 52 bytes and more hold the masks themselves; shorter ones are followed by them.
        const size_t at = h.biSize >= 52 ? sizeof(BITMAPINFOHEADER) : h.biSize;
        std::memcpy(masks, reinterpret_cast<const uint8_t*>(&info) + at, sizeof masks);
    } else if (h.biBitCount == 16) {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
    } else if (h.biBitCount == 24 || h.biBitCount == 32) {
        masks[0] = 0xFF0000;
        masks[1] = 0x00FF00;
        masks[2] = 0x0000FF;
    }
}

} // namespace

size_t LiveGdiObjectCount() {
    return GdiObjectTable::Instance().Count();
}

int64_t DibLineSize(int bitCount, int64_t width) {
    if (bitCount <= 0 || width < 0 || width > std::numeric_limits<int32_t>::max())
        return -1;
    return (static_cast<int64_t>(bitCount) * width + 31) / 32 * 4;
}

namespace {

// Makes the object of a bitmap in `info`'s (already checked) format, its memory zeroed or pooled.
std::unique_ptr<DibSectionObject> MakeBitmapObject(const BITMAPINFO& info) {
    const BITMAPINFOHEADER& h = info.bmiHeader;
    const int64_t lineSize = DibLineSize(h.biBitCount, h.biWidth);
    const int64_t rows = h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight;
    if (lineSize <= 0 || lineSize > std::numeric_limits<int32_t>::max() / rows)
        return nullptr;
    const size_t imageSize = static_cast<size_t>(lineSize * rows);

    auto object = std::make_unique<DibSectionObject>();
    object->pixels = SectionMemoryPool::Instance().Acquire(imageSize);
    if (!object->pixels)
        return nullptr;
    DIBSECTION& d = object->description;
    d.dsBm.bmType = 0;
    d.dsBm.bmWidth = h.biWidth;
    d.dsBm.bmHeight = static_cast<LONG>(rows);
    d.dsBm.bmWidthBytes = static_cast<LONG>(lineSize);
    d.dsBm.bmPlanes = 1;
    d.dsBm.bmBitsPixel = h.biBitCount;
    d.dsBm.bmBits = object->pixels.get();
    d.dsBmih = h;
    d.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
    d.dsBmih.biSizeImage = static_cast<DWORD>(imageSize);
    DefaultMasks(info, d.dsBitfields);
    // Indexed sections get a black table of the colours-used count, or of every index.
    if (h.biBitCount <= 8) {
        const size_t indexes = size_t{1} << h.biBitCount;
        object->colours.assign(h.biClrUsed != 0 && h.biClrUsed < indexes ? h.biClrUsed : indexes, RGBQUAD{});
    }
    return object;
}

} // namespace

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD) {
    if (bits)
        *bits = nullptr;
    if (!info || section || usage != DIB_RGB_COLORS || !SupportedFormat(info->bmiHeader))
        return nullptr;
    auto object = MakeBitmapObject(*info);
    if (!object)
        return nullptr;
    void* memory = object->pixels.get();
    HGDIOBJ handle = GdiObjectTable::Instance().Add(std::move(object));
    if (bits)
        *bits = memory;
    return reinterpret_cast<HBITMAP>(handle);
}

HBITMAP CreateDIBitmap(HDC, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage) {
    if (!header || !info || usage != DIB_RGB_COLORS || header->biHeight <= 0)
        return nullptr;
    const bool rle8 = header->biCompression == BI_RLE8 && header->biBitCount == 8;
    const bool rle4 = header->biCompression == BI_RLE4 && header->biBitCount == 4;
    BITMAPINFO plain{};
    plain.bmiHeader = *header;
    plain.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    if (rle8 || rle4)
        plain.bmiHeader.biCompression = BI_RGB;
    if (!SupportedFormat(plain.bmiHeader) || plain.bmiHeader.biCompression == BI_BITFIELDS)
        return nullptr;
    auto object = MakeBitmapObject(plain);
    if (!object)
        return nullptr;
    object->deviceDependent = true;
    DIBSECTION& d = object->description;
    auto* pixels = static_cast<uint8_t*>(d.dsBm.bmBits);
    std::fill_n(pixels, d.dsBmih.biSizeImage, 0);
    if (init & CBM_INIT && bits) {
        const size_t size = info->bmiHeader.biSizeImage;
        if (rle8 || rle4)
            DecodeRle(static_cast<const uint8_t*>(bits), size, header->biBitCount, pixels,
                      d.dsBm.bmWidthBytes, d.dsBm.bmWidth, d.dsBm.bmHeight);
        else
            std::memcpy(pixels, bits, std::min<size_t>(size, d.dsBmih.biSizeImage));
    }
    return reinterpret_cast<HBITMAP>(GdiObjectTable::Instance().Add(std::move(object)));
}

bool IsDeviceDependentBitmap(HBITMAP bitmap) {
    bool deviceDependent = false;
    GdiObjectTable::Instance().With(
        ToGdiObject(bitmap), [&](DibSectionObject& object) { deviceDependent = object.deviceDependent; });
    return deviceDependent;
}

UINT SetDIBColorTable(HBITMAP bitmap, UINT start, UINT count, const RGBQUAD* colours) {
    UINT set = 0;
    if (!colours)
        return 0;
    GdiObjectTable::Instance().With(ToGdiObject(bitmap), [&](DibSectionObject& object) {
        const size_t end = std::min<size_t>(static_cast<size_t>(start) + count, kMaxColourTable);
        if (end <= start)
            return;
        if (object.colours.size() < end)
            object.colours.resize(end, RGBQUAD{});
        std::copy_n(colours, end - start, object.colours.begin() + start);
        set = static_cast<UINT>(end - start);
    });
    return set;
}

UINT GetDIBColorTable(HBITMAP bitmap, UINT start, UINT count, RGBQUAD* colours) {
    UINT got = 0;
    GdiObjectTable::Instance().With(ToGdiObject(bitmap), [&](DibSectionObject& object) {
        if (start >= object.colours.size())
            return;
        got = static_cast<UINT>(std::min<size_t>(count, object.colours.size() - start));
        if (colours)
            std::copy_n(object.colours.begin() + start, got, colours);
    });
    return got;
}

bool DeleteObject(HGDIOBJ object) {
    // The object (and its pixel memory) is freed here, after the table's lock is released.
    return GdiObjectTable::Instance().Remove(object) != nullptr;
}

int GetObject(HGDIOBJ object, int size, void* out) {
    DIBSECTION description;
    if (!out || !GdiObjectTable::Instance().Describe(object, description))
        return 0;
    if (size >= static_cast<int>(sizeof(DIBSECTION))) {
        std::memcpy(out, &description, sizeof(DIBSECTION));
        return sizeof(DIBSECTION);
    }
    if (size >= static_cast<int>(sizeof(BITMAP))) {
        std::memcpy(out, &description.dsBm, sizeof(BITMAP));
        return sizeof(BITMAP);
    }
    return 0;
}
