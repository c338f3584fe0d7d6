#include "imaging/BitmapFileReader.h"

#include "imaging/LittleEndian.h"
#include "platform/graphics/DibSection.h"
#include "platform/runtime/FileStream.h"
#include "platform/runtime/StandardErrors.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;

// The header as the platform takes it: the file's header (widened to at least 40 bytes) in the
// machine's byte order, followed by room for three colour masks.
struct HeaderBlock {
    std::vector<uint8_t> bytes;
    uint32_t fileHeaderSize = 0;

    BITMAPINFOHEADER& Header() { return *reinterpret_cast<BITMAPINFOHEADER*>(bytes.data()); }
    DWORD* MasksAt(size_t offset) { return reinterpret_cast<DWORD*>(bytes.data() + offset); }
    const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(bytes.data()); }
};

HeaderBlock ReadHeader(TStream& stream) {
    std::array<uint8_t, 4> sizeField{};
    stream.ReadBuffer(sizeField.data(), 4);
    HeaderBlock block;
    block.fileHeaderSize = ReadLE32(sizeField.data());

    if (block.fileHeaderSize == kCoreHeaderSize) {
        std::array<uint8_t, kCoreHeaderSize - 4> core{};
        stream.ReadBuffer(core.data(), core.size());
        block.bytes.assign(kInfoHeaderSize + 12, 0);
        BITMAPINFOHEADER& h = block.Header();
        h.biSize = kInfoHeaderSize;
        h.biWidth = ReadLE16(&core[0]);
        h.biHeight = ReadLE16(&core[2]);
        h.biPlanes = ReadLE16(&core[4]);
        h.biBitCount = ReadLE16(&core[6]);
        return block;
    }
    // Headers of 13 to 39 bytes are no layout this reader knows.
    if (block.fileHeaderSize < kInfoHeaderSize)
        RaiseInvalidBitmap();
    // A header larger than the rest of the file cannot be read; refuse before allocating it.
    if (block.fileHeaderSize - 4 > stream.Remaining())
        RaiseReadError();

    std::vector<uint8_t> raw(block.fileHeaderSize);
    std::copy(sizeField.begin(), sizeField.end(), raw.begin());
    stream.ReadBuffer(raw.data() + 4, block.fileHeaderSize - 4);
    block.bytes.assign(block.fileHeaderSize + 12, 0);
    std::copy(raw.begin(), raw.end(), block.bytes.begin());
    BITMAPINFOHEADER& h = block.Header();
    h.biSize = block.fileHeaderSize;
    h.biWidth = static_cast<LONG>(ReadLE32(&raw[4]));
    h.biHeight = static_cast<LONG>(ReadLE32(&raw[8]));
    h.biPlanes = ReadLE16(&raw[12]);
    h.biBitCount = ReadLE16(&raw[14]);
    h.biCompression = ReadLE32(&raw[16]);
    h.biSizeImage = ReadLE32(&raw[20]);
    h.biXPelsPerMeter = static_cast<LONG>(ReadLE32(&raw[24]));
    h.biYPelsPerMeter = static_cast<LONG>(ReadLE32(&raw[28]));
    h.biClrUsed = ReadLE32(&raw[32]);
    h.biClrImportant = ReadLE32(&raw[36]);
    if (block.fileHeaderSize >= kInfoHeaderSize + 12)
        for (size_t k = 0; k < 3; ++k)
            block.MasksAt(kInfoHeaderSize)[k] = ReadLE32(&raw[kInfoHeaderSize + 4 * k]);
    return block;
}

std::vector<RGBQUAD> ReadColourTable(TStream& stream, const BITMAPINFOHEADER& h, bool core) {
    const uint64_t count =
        h.biClrUsed != 0 ? h.biClrUsed : (h.biBitCount <= 8 ? uint64_t{1} << h.biBitCount : 0);
    const uint64_t entrySize = core ? 3 : 4;
    if (count * entrySize > static_cast<uint64_t>(stream.Remaining()))
        RaiseReadError();
    const size_t kept = static_cast<size_t>(std::min<uint64_t>(count, kMaxColourTable));
    std::vector<uint8_t> bytes(kept * entrySize);
    stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    std::vector<RGBQUAD> colours(kept);
    for (size_t k = 0; k < kept; ++k)
        colours[k] = {bytes[k * entrySize], bytes[k * entrySize + 1], bytes[k * entrySize + 2], 0};
    // Entries beyond the 256 a table can hold are skipped; the pixels follow them.
    stream.SetPosition(stream.Position() + static_cast<int64_t>((count - kept) * entrySize));
    return colours;
}

// Deletes a new bitmap on every way out unless the picture has taken it.
class NewBitmapGuard {
public:
    NewBitmapGuard(HBITMAP bitmap, const TBitmap& picture) : bitmap_(bitmap), picture_(picture) {}
    ~NewBitmapGuard() {
        if (bitmap_ && picture_.Handle() != bitmap_)
            DeleteObject(bitmap_);
    }
    NewBitmapGuard(const NewBitmapGuard&) = delete;
    NewBitmapGuard& operator=(const NewBitmapGuard&) = delete;

private:
    HBITMAP bitmap_;
    const TBitmap& picture_;
};

} // namespace

void LoadBitmapFromStream(TBitmap& picture, TStream& stream) {
    if (stream.Remaining() == 0) {
        picture.SetHandle(nullptr);
        return;
    }
    std::array<uint8_t, 14> fileHeader{};
    stream.ReadBuffer(fileHeader.data(), fileHeader.size());
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M')
        RaiseInvalidBitmap();

    HeaderBlock block = ReadHeader(stream);
    const bool core = block.fileHeaderSize == kCoreHeaderSize;
    BITMAPINFOHEADER& h = block.Header();
    if (h.biPlanes != 1)
        RaiseInvalidBitmap();
    const bool bitFields = h.biCompression == BI_BITFIELDS && (h.biBitCount == 16 || h.biBitCount == 32);
    if (block.fileHeaderSize == kInfoHeaderSize && bitFields) {
        std::array<uint8_t, 12> masks{};
        stream.ReadBuffer(masks.data(), masks.size());
        for (size_t k = 0; k < 3; ++k)
            block.MasksAt(kInfoHeaderSize)[k] = ReadLE32(&masks[4 * k]);
    }
    const std::vector<RGBQUAD> colours = ReadColourTable(stream, h, core);

    // The pixel array follows the colour table. Refuse sizes the platform would refuse anyway
    // before anything is allocated for them.
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biBitCount == 0 || h.biBitCount > 32)
        RaiseInvalidBitmap();
    const int64_t rows = h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight;
    const int64_t lineSize = DibLineSize(h.biBitCount, h.biWidth);
    if (lineSize <= 0 || lineSize > kMaxPictureBytes / rows)
        RaiseInvalidBitmap();
    const int64_t fullSize = lineSize * rows;
    const int64_t declared = h.biSizeImage != 0 ? static_cast<int64_t>(h.biSizeImage) : fullSize;
    const int64_t imageSize = std::min(declared, stream.Remaining());

    HBITMAP bitmap = nullptr;
    if (h.biCompression == BI_RGB || h.biCompression == BI_BITFIELDS) {
        void* bits = nullptr;
        bitmap = CreateDIBSection(nullptr, block.Info(), DIB_RGB_COLORS, &bits, nullptr, 0);
        NewBitmapGuard guard(bitmap, picture);
        if (!bitmap || !bits)
            RaiseInvalidBitmap();
        // File order and memory order agree, so the rows go straight into the section.
        const int64_t read = stream.Read(bits, std::min(imageSize, fullSize));
        std::memset(static_cast<uint8_t*>(bits) + read, 0, static_cast<size_t>(fullSize - read));
        SetDIBColorTable(bitmap, 0, static_cast<UINT>(colours.size()), colours.data());
        picture.SetHandle(bitmap);
        return;
    }

    // Encoded data can be longer than the rows it expands to, so with no size given in the
    // header it runs to the end of the file rather than to the expanded size.
    const int64_t encodedSize = h.biSizeImage != 0 ? imageSize : stream.Remaining();
    std::vector<uint8_t> encoded(static_cast<size_t>(encodedSize));
    stream.ReadBuffer(encoded.data(), encodedSize);
    BITMAPINFO sizes{};
    sizes.bmiHeader = h;
    sizes.bmiHeader.biSizeImage = static_cast<DWORD>(encoded.size());
    bitmap = CreateDIBitmap(nullptr, &h, CBM_INIT, encoded.data(), &sizes, DIB_RGB_COLORS);
    NewBitmapGuard guard(bitmap, picture);
    if (!bitmap)
        RaiseInvalidBitmap();
    SetDIBColorTable(bitmap, 0, static_cast<UINT>(colours.size()), colours.data());
    picture.SetHandle(bitmap);
}

void LoadBitmapFromFile(TBitmap& picture, const std::string& fileName) {
    TFileStream stream(fileName, TFileMode::fmOpenRead);
    LoadBitmapFromStream(picture, stream);
}
