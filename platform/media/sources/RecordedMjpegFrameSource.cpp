#include "platform/media/sources/RecordedMjpegFrameSource.h"

#include <algorithm>
#include <fstream>
#include <iterator>

std::vector<std::vector<uint8_t>> SplitMjpegRecording(const std::vector<uint8_t>& bytes) {
    static constexpr uint8_t kStart[] = {0xFF, 0xD8, 0xFF};
    std::vector<std::vector<uint8_t>> frames;
    auto at = bytes.begin();
    while (true) {
        auto start = std::search(at, bytes.end(), std::begin(kStart), std::end(kStart));
        if (start == bytes.end())
            break;
        // A stray start-of-image marker right before a frame's own belongs to neither.
        while (bytes.end() - start >= 5 && start[3] == 0xD8 && start[4] == 0xFF)
            start += 2;
        // Marker bytes never occur inside entropy-coded data (0xFF is stuffed there), so the
        // first end-of-image marker after the start closes this frame.
        auto end = start + 2;
        while (end + 1 < bytes.end() && !(end[0] == 0xFF && end[1] == 0xD9))
            ++end;
        if (end + 1 >= bytes.end())
            break;
        frames.emplace_back(start, end + 2);
        at = end + 2;
    }
    return frames;
}

RecordedMjpegFrameSource::RecordedMjpegFrameSource(std::string path, const VideoFormat& format)
    : path_(std::move(path)), pacer_(format.averageTimePerFrame) {}

HRESULT RecordedMjpegFrameSource::Start() {
    std::ifstream in(path_, std::ios::binary);
    if (!in)
        return HRESULT_FILE_NOT_FOUND;
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    frames_ = SplitMjpegRecording(bytes);
    if (frames_.empty())
        return HRESULT_FILE_NOT_FOUND;
    size_t largest = 0;
    for (const auto& frame : frames_)
        largest = std::max(largest, frame.size());
    frame_.reserve(largest);
    return S_OK;
}

FrameSource::Outcome RecordedMjpegFrameSource::Next(const FrameHandler& handler) {
    if (!pacer_.WaitForNextFrame())
        return Outcome::Stopped;
    // A fresh copy each time, as a camera's buffer would be: the decoder may not keep the last.
    const std::vector<uint8_t>& recorded = frames_[next_];
    next_ = (next_ + 1) % frames_.size();
    frame_.assign(recorded.begin(), recorded.end());
    handler(frame_.data(), static_cast<int32_t>(frame_.size()));
    return Outcome::Frame;
}
