#include "imaging/JPEGImage.h"

#include "imaging/BitmapFileReader.h"
#include "imaging/JPEGDecompressor.h"
#include "imaging/JPEGError.h"
#include "platform/graphics/DibSection.h"
#include "platform/runtime/FileStream.h"

#include <algorithm>

#include <vector>

namespace {

// The largest amount of memory the library may take for one decoding (its whole-picture
// buffers of progressive files); beyond it the library reports an error instead.
constexpr long kMaxLibraryMemory = 1L << 30;

// The settings of the final output pass, restored after the early scans of buffered-image mode.
struct FinalPassSettings {
    J_DCT_METHOD dctMethod;
    boolean twoPassQuantize;
    J_DITHER_MODE ditherMode;
};

// Converts one row of four-component output to blue, green, red. Adobe's files store the
// components inverted, which is how nearly all CMYK and YCCK files are written.
void CmykRowToBgr(const uint8_t* cmyk, uint8_t* bgr, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const unsigned k = inverted ? cmyk[3] : 255u - cmyk[3];
        for (int c = 0; c < 3; ++c) {
            const unsigned v = inverted ? cmyk[c] : 255u - cmyk[c];
            bgr[2 - c] = static_cast<uint8_t>((v * k + 127) / 255);
        }
    }
}

// The palette of quantised output: one entry per colour the quantiser made.
std::vector<RGBQUAD> ColourMapPalette(const jpeg_decompress_struct& c) {
    std::vector<RGBQUAD> palette(static_cast<size_t>(std::max(c.actual_number_of_colors, 0)));
    for (size_t k = 0; k < palette.size(); ++k) {
        if (c.out_color_components == 1) {
            const uint8_t v = c.colormap[0][k];
            palette[k] = {v, v, v, 0};
        } else {
            palette[k] = {c.colormap[2][k], c.colormap[1][k], c.colormap[0][k], 0};
        }
    }
    return palette;
}

// A blank bottom-up bitmap of the output's size: 24 bits, or 8 bits with a colour table of as
// many entries as the quantiser made.
void MakeOutputBitmap(TBitmap& bitmap, const jpeg_decompress_struct& c, bool quantised) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = static_cast<LONG>(c.output_width);
    info.bmiHeader.biHeight = static_cast<LONG>(c.output_height);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = quantised ? 8 : 24;
    info.bmiHeader.biClrUsed = quantised ? static_cast<DWORD>(std::max(c.actual_number_of_colors, 0)) : 0;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section || !bits) {
        if (section)
            DeleteObject(section);
        RaiseInvalidBitmap();
    }
    DIBSECTION description{};
    GetObject(section, sizeof description, &description);
    std::fill_n(static_cast<uint8_t*>(bits), description.dsBmih.biSizeImage, 0);
    bitmap.SetHandle(section);
}

} // namespace

TJPEGImage::TJPEGImage() : data_(std::make_shared<TJPEGData>()) {}

void TJPEGImage::Changed() {
    if (OnChange)
        OnChange(*this);
}

void TJPEGImage::LoadFromFile(const std::string& fileName) {
    TFileStream stream(fileName, TFileMode::fmOpenRead);
    LoadFromStream(stream);
}

void TJPEGImage::LoadFromStream(TStream& stream) {
    auto data = std::make_shared<TJPEGData>();
    data_ = data;
    bitmap_.reset();
    const int64_t size = stream.Remaining();
    data->bytes.resize(static_cast<size_t>(size));
    stream.ReadBuffer(data->bytes.data(), size);
    if (size > 0) {
        TJPEGDecompressor decompressor(data->bytes.data(), data->bytes.size());
        decompressor.ReadHeader();
        const jpeg_decompress_struct& c = decompressor.Info();
        data->width = static_cast<int>(c.image_width);
        data->height = static_cast<int>(c.image_height);
        data->grayscale = c.jpeg_color_space == JCS_GRAYSCALE;
        ProgressiveEncoding = decompressor.HasMultipleScans();
    }
    Changed();
}

const TBitmap& TJPEGImage::Bitmap() {
    if (!bitmap_)
        Decode();
    return *bitmap_;
}

void TJPEGImage::AssignTo(TBitmap& bitmap) {
    bitmap.Assign(Bitmap());
}

void TJPEGImage::Decode() {
    // The bitmap is kept whatever happens below: a failed decoding is not tried again.
    bitmap_ = std::make_shared<TBitmap>();
    TBitmap& bitmap = *bitmap_;
    const std::shared_ptr<const TJPEGData> data = data_; // kept alive while decoding

    TJPEGDecompressor decompressor(data->bytes.data(), data->bytes.size());
    jpeg_decompress_struct& c = decompressor.Info();
    decompressor.ReadHeader();
    c.mem->max_memory_to_use = kMaxLibraryMemory;

    c.scale_num = 1;
    c.scale_denom = 1u << static_cast<int>(Scale);
    c.do_block_smoothing = Smoothing ? TRUE : FALSE;
    const bool fourComponents = c.jpeg_color_space == JCS_CMYK || c.jpeg_color_space == JCS_YCCK;
    if (Grayscale)
        c.out_color_space = JCS_GRAYSCALE;
    const bool quantise =
        !fourComponents && (PixelFormat == TJPEGPixelFormat::jf8Bit || c.out_color_space == JCS_GRAYSCALE);
    if (quantise) {
        c.quantize_colors = TRUE;
        c.desired_number_of_colors = 236;
    }
    if (Performance == TJPEGPerformance::jpBestSpeed) {
        c.dct_method = JDCT_IFAST;
        c.two_pass_quantize = FALSE;
        c.dither_mode = JDITHER_ORDERED;
    } else {
        c.dct_method = JDCT_FLOAT;
    }
    const FinalPassSettings finalPass{c.dct_method, c.two_pass_quantize, c.dither_mode};
    const bool buffered = ProgressiveDisplay && decompressor.HasMultipleScans();
    if (buffered) {
        c.enable_2pass_quant = c.two_pass_quantize;
        c.dct_method = JDCT_IFAST;
        c.two_pass_quantize = FALSE;
        c.dither_mode = JDITHER_ORDERED;
        c.buffered_image = TRUE;
    }
    // 24-bit rows take the library's blue-first colour output as they are.
    if (!quantise && c.out_color_space == JCS_RGB)
        c.out_color_space = JCS_EXT_BGR;

    // Only the output shapes that fit the bitmap's rows go on; files of other component
    // counts (two, or four in an unknown colour space) are refused as the library's own
    // unsupported colour conversion.
    decompressor.CalcOutputDimensions();
    const int expectedComponents = quantise ? 1 : (fourComponents ? 4 : 3);
    if (c.output_components != expectedComponents || (fourComponents && c.out_color_space != JCS_CMYK))
        RaiseJPEGError(JERR_CONVERSION_NOTIMPL);
    const int bytesPerPixel = quantise ? 1 : 3;
    if (static_cast<int64_t>(c.output_width) * c.output_height * bytesPerPixel > kMaxPictureBytes)
        RaiseJPEGError(JERR_IMAGE_TOO_BIG);

    struct ProgressScope {
        TJPEGImage& image;
        bool done = false;
        ~ProgressScope() {
            if (!done && image.OnProgress)
                image.OnProgress(image, TProgressStage::psEnding, 0);
        }
    } progress{*this};
    if (OnProgress)
        OnProgress(*this, TProgressStage::psStarting, 0);

    decompressor.StartDecompress();
    MakeOutputBitmap(bitmap, c, quantise);
    uint8_t* first = bitmap.ScanLine(0);
    const ptrdiff_t step = bitmap.Height() > 1 ? bitmap.ScanLine(1) - first : -bitmap.LineSize();
    const int rowsPerCall = step > 0 && step % 4 == 0 ? c.rec_outbuf_height : 1;

    bool paletteMade = false;
    if (buffered) {
        bool firstPass = true;
        while (!decompressor.InputComplete()) {
            decompressor.StartOutput(c.input_scan_number);
            if (firstPass && quantise && c.colormap) {
                bitmap.SetPalette(ColourMapPalette(c));
                paletteMade = true;
            }
            firstPass = false;
            decompressor.ReadRows(first, step, rowsPerCall);
            decompressor.FinishOutput();
        }
        c.dct_method = finalPass.dctMethod;
        c.dither_mode = finalPass.ditherMode;
        c.two_pass_quantize = finalPass.twoPassQuantize;
        if (finalPass.twoPassQuantize && quantise) {
            c.colormap = nullptr;
            paletteMade = false;
        }
        decompressor.StartOutput(c.input_scan_number);
    }
    const bool paletteChanged = quantise && c.colormap && !paletteMade;
    if (paletteChanged)
        bitmap.SetPalette(ColourMapPalette(c));

    if (fourComponents) {
        std::vector<uint8_t> row(static_cast<size_t>(c.output_width) * 4);
        for (int y = 0; decompressor.ReadRow(row.data()) && y < bitmap.Height(); ++y)
            CmykRowToBgr(row.data(), bitmap.ScanLine(y), c.output_width, c.saw_Adobe_marker != 0);
    } else {
        decompressor.ReadRows(first, step, rowsPerCall);
    }
    if (buffered)
        decompressor.FinishOutput();
    decompressor.FinishDecompress();

    progress.done = true;
    if (OnProgress)
        OnProgress(*this, TProgressStage::psEnding, 100);
    if (paletteChanged)
        Changed();
}
