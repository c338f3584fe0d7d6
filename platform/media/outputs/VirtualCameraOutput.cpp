#include "platform/media/outputs/VirtualCameraOutput.h"

#include "platform/media/converters/BgrToYuv.h"
#include "platform/media/outputs/LoopbackDevices.h"
#include "platform/runtime/MonotonicClock.h"

#include <algorithm>

namespace {

// The part of `picture` of `width` x `height` whose top left corner is (x, y).
FramePicture Part(const FramePicture& picture, int x, int y, int width, int height) {
    FramePicture part = picture;
    const int topRow = picture.bottomUp ? picture.height - y - height : y;
    part.bits = picture.bits + static_cast<int64_t>(topRow) * picture.stride + 3 * x;
    part.width = width;
    part.height = height;
    return part;
}

} // namespace

VirtualCameraOutput::VirtualCameraOutput(std::shared_ptr<V4l2Access> access, VirtualCameraSettings settings,
                                         PictureReader reader)
    : access_(std::move(access)), device_(std::move(settings.device)), reader_(std::move(reader)),
      counters_(VirtualCameraCounters::Create()), interval_(settings.interval), writer_(settings.interval) {
    if (settings.width <= 0 || settings.height <= 0)
        throw VirtualCameraError("The virtual camera needs the camera's size.");
    node_ = std::make_unique<LoopbackNode>(access_, device_, static_cast<uint32_t>(settings.width),
                                           static_cast<uint32_t>(settings.height), interval_);
    pictureWidth_ = settings.width;
    pictureHeight_ = settings.height;
    FormatChanged();
    writer_.Start(*this);
}

VirtualCameraOutput::~VirtualCameraOutput() {
    writer_.Stop();
}

ComPtr<ICounterSource> VirtualCameraOutput::Counters() const {
    return ComPtr<ICounterSource>(counters_.Get());
}

void VirtualCameraOutput::IntervalChanged(V4l2Interval interval) {
    interval_ = interval;
    node_->SetInterval(interval_);
    counters_->SetLabels(device_, node_->Format().Text());
}

void VirtualCameraOutput::CountReaders() {
    // A walk through /proc: other processes holding the node.
    counters_->readers.store(static_cast<uint64_t>(std::max(access_->OtherProcessesHolding(device_), 0)),
                             std::memory_order_relaxed);
}

void VirtualCameraOutput::WriteLive(int64_t cameraTime) {
    // The window's lock is held while the visitor runs: the device is resized outside it, and the
    // picture read again.
    int width = 0, height = 0;
    bool converted = false;
    const auto convert = [&](const FramePicture& picture) {
        if (!picture.bits || picture.width <= 0 || picture.height <= 0)
            return;
        width = picture.width;
        height = picture.height;
        if (width == pictureWidth_ && height == pictureHeight_) {
            Convert(picture);
            converted = true;
        }
    };
    reader_(convert);
    if (!converted && width > 0) {
        Resize(width, height);
        reader_(convert);
    }
    if (converted)
        Write(cameraTime);
}

void VirtualCameraOutput::WriteAgain() {
    if (node_->Write(frame_.data()))
        counters_->framesRepeated.fetch_add(1, std::memory_order_relaxed);
    else
        counters_->framesDropped.fetch_add(1, std::memory_order_relaxed);
}

void VirtualCameraOutput::Write(int64_t cameraTime) {
    if (!node_->Write(frame_.data())) {
        counters_->framesDropped.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    counters_->latency.Add(MonotonicNanoseconds() - cameraTime);
    counters_->framesWritten.fetch_add(1, std::memory_order_relaxed);
}

void VirtualCameraOutput::Convert(const FramePicture& picture) {
    const LoopbackFormat& format = node_->Format();
    const int deviceWidth = static_cast<int>(format.width), deviceHeight = static_cast<int>(format.height);
    const int stride = static_cast<int>(format.bytesPerLine);
    if (!framed_) {
        Rgb24ToYuyv(picture.bits, picture.stride, picture.bottomUp, picture.width, picture.height,
                    frame_.data(), stride);
        return;
    }
    // Centred in the device's size: cut where it is larger, black around it where smaller (the
    // black stays from FormatChanged). An even column, as YUYV's pairs start at one.
    const int width = std::min(picture.width, deviceWidth), height = std::min(picture.height, deviceHeight);
    const int x = (deviceWidth - width) / 2 / 2 * 2, y = (deviceHeight - height) / 2;
    const FramePicture part =
        Part(picture, (picture.width - width) / 2, (picture.height - height) / 2, width, height);
    Rgb24ToYuyv(part.bits, part.stride, part.bottomUp, part.width, part.height,
                frame_.data() + static_cast<size_t>(y) * stride + 2 * static_cast<size_t>(x), stride);
}

void VirtualCameraOutput::Resize(int width, int height) {
    pictureWidth_ = width;
    pictureHeight_ = height;
    const uint32_t wanted = static_cast<uint32_t>(width + 1) / 2 * 2;
    const auto fits = [&] {
        return node_->Format().width == wanted && node_->Format().height == static_cast<uint32_t>(height);
    };
    node_->SetSize(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    if (!fits()) {
        // v4l2loopback keeps a format while the device is open: a new one takes a new writer, and
        // takes only when no reader holds the device meanwhile.
        node_.reset();
        node_ = std::make_unique<LoopbackNode>(access_, device_, static_cast<uint32_t>(width),
                                               static_cast<uint32_t>(height), interval_);
    }
    FormatChanged();
}

void VirtualCameraOutput::FormatChanged() {
    const LoopbackFormat& format = node_->Format();
    framed_ = format.width != static_cast<uint32_t>(pictureWidth_ + 1) / 2 * 2 ||
              format.height != static_cast<uint32_t>(pictureHeight_);
    if (frame_.size() != format.imageSize) {
        frame_.assign(format.imageSize, 0);
        FillBlackYuyv(frame_.data(), frame_.size());
    } else if (framed_) {
        FillBlackYuyv(frame_.data(), frame_.size());
    }
    counters_->SetLabels(device_, format.Text());
}
