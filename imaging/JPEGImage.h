#pragma once

#include "imaging/JPEGData.h"
#include "platform/graphics/Bitmap.h"
#include "platform/runtime/Stream.h"

#include <functional>
#include <memory>
#include <string>

enum class TJPEGPerformance { jpBestQuality, jpBestSpeed };
enum class TJPEGPixelFormat { jf24Bit, jf8Bit };
enum class TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };
enum class TProgressStage { psStarting, psRunning, psEnding };

// A JPEG picture: a shared reference to its compressed data, the settings that decoding uses,
// and the decoded bitmap, made the first time it is needed and kept (also when decoding failed,
// in which case it is not decoded again). Colour files decode to 24 bits (blue, green, red),
// grey files, the grey setting or the 8-bit setting to 8 bits with a palette of at most 236
// entries; bitmaps are bottom-up. CMYK and YCCK files are converted to 24-bit colour.
// One thread at a time.
class TJPEGImage {
public:
    TJPEGImage();

    // Replaces the data by the file's bytes and reads the headers: "Cannot open file %s",
    // "Stream read error", or EJPEG for a file that is not a JPEG or ends inside its headers.
    // A file of 0 bytes loads; its error comes at decoding.
    void LoadFromFile(const std::string& fileName);
    // The same for the stream's bytes from its position to its end.
    void LoadFromStream(TStream& stream);

    // Decodes if needed and gives `bitmap` the decoded picture; it shares the pixels and keeps
    // them after this picture is gone. Errors of decoding (EJPEG) leave `bitmap` unchanged.
    void AssignTo(TBitmap& bitmap);
    // The decoded bitmap, decoding first if there is none yet.
    const TBitmap& Bitmap();

    int Width() const { return data_->width; }
    int Height() const { return data_->height; }
    bool Empty() const { return data_->bytes.empty(); }
    const TJPEGData& Data() const { return *data_; }

    // Settings and their defaults. CompressionQuality and ProgressiveEncoding are for encoding;
    // loading sets ProgressiveEncoding from the file.
    int CompressionQuality = 90;
    bool Grayscale = false;
    TJPEGPerformance Performance = TJPEGPerformance::jpBestQuality;
    TJPEGPixelFormat PixelFormat = TJPEGPixelFormat::jf24Bit;
    bool ProgressiveDisplay = false;
    bool ProgressiveEncoding = false;
    TJPEGScale Scale = TJPEGScale::jsFullSize;
    bool Smoothing = true;

    // Raised after loading and after decoding changed the palette.
    std::function<void(TJPEGImage&)> OnChange;
    // Raised when decoding starts (0) and ends (100, or 0 after an error).
    std::function<void(TJPEGImage&, TProgressStage, int percent)> OnProgress;

private:
    void Decode();
    void Changed();

    std::shared_ptr<const TJPEGData> data_;
    std::shared_ptr<TBitmap> bitmap_;
};
