#include "platform/media/outputs/OutputWriter.h"

#include <algorithm>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

// How often the readers are counted.
constexpr auto kReaderCheck = std::chrono::seconds(1);

} // namespace

Clock::duration OutputWriter::Duration(V4l2Interval interval) {
    if (interval.denominator == 0 || interval.numerator == 0)
        interval = {1, 30};
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::nanoseconds(int64_t{1'000'000'000} * interval.numerator / interval.denominator));
}

void OutputWriter::Start(OutputSink& sink) {
    thread_ = std::thread([this, &sink] { Run(sink); });
}

void OutputWriter::Stop() {
    if (!thread_.joinable())
        return;
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void OutputWriter::FrameReady(int64_t cameraTime) {
    {
        std::lock_guard lock(mutex_);
        cameraTime_ = cameraTime;
        ++sequence_;
    }
    wake_.notify_one();
}

void OutputWriter::SetFrameInterval(V4l2Interval interval) {
    {
        std::lock_guard lock(mutex_);
        newInterval_ = interval;
        intervalChanged_ = true;
    }
    wake_.notify_one();
}

std::string OutputWriter::Failure() const {
    std::lock_guard lock(mutex_);
    return failure_;
}

void OutputWriter::Run(OutputSink& sink) {
    // Nothing thrown here may leave the thread.
    std::string failure;
    try {
        Loop(sink);
        return;
    } catch (const std::exception& error) {
        failure = error.what();
    } catch (...) {
    }
    std::lock_guard lock(mutex_);
    failure_ = failure.empty() ? "The virtual camera failed." : failure;
}

void OutputWriter::Loop(OutputSink& sink) {
    uint64_t written = 0;
    Clock::time_point repeatAt = Clock::now() + Duration(interval_) * 3 / 2;
    Clock::time_point readersAt = Clock::now();
    std::unique_lock lock(mutex_);
    while (!stop_) {
        wake_.wait_until(lock, std::min(repeatAt, readersAt),
                         [&] { return stop_ || sequence_ != written || intervalChanged_; });
        if (stop_)
            break;
        const bool live = sequence_ != written;
        const int64_t cameraTime = cameraTime_;
        written = sequence_;
        const bool newInterval = std::exchange(intervalChanged_, false);
        const V4l2Interval interval = newInterval_;
        lock.unlock();

        if (newInterval) {
            interval_ = interval;
            sink.IntervalChanged(interval_);
        }
        const Clock::time_point now = Clock::now();
        if (live) {
            sink.WriteLive(cameraTime);
            repeatAt = Clock::now() + Duration(interval_) * 3 / 2;
        } else if (now >= repeatAt) {
            sink.WriteAgain();
            repeatAt = std::max(repeatAt + Duration(interval_), now);
        }
        if (now >= readersAt) {
            sink.CountReaders();
            readersAt = now + kReaderCheck;
        }
        lock.lock();
    }
}

void FillBlackYuyv(uint8_t* frame, size_t size) {
    for (size_t k = 0; k < size; ++k)
        frame[k] = k % 2 ? 128 : 16;
}
