#include "effects/BandPool.h"

#include <algorithm>
#include <pthread.h>
#include <utility>

TBandPool::TBandPool(unsigned threads) {
    for (unsigned k = 1; k < threads; ++k)
        workers_.emplace_back([this] { Work(); });
}

TBandPool::~TBandPool() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (auto& worker : workers_)
        worker.join();
}

unsigned TBandPool::ProcessorThreads(unsigned most) {
    return std::clamp(std::thread::hardware_concurrency(), 1u, std::max(most, 1u));
}

void TBandPool::Run(int bands, const std::function<void(int)>& work) {
    std::unique_lock lock(mutex_);
    work_ = &work;
    bands_ = bands;
    next_ = 0;
    unfinished_ = bands;
    error_ = nullptr;
    wake_.notify_all();
    while (RunNextBand(lock)) {
    }
    finished_.wait(lock, [this] { return unfinished_ == 0; });
    work_ = nullptr;
    if (error_)
        std::rethrow_exception(std::exchange(error_, nullptr));
}

bool TBandPool::RunNextBand(std::unique_lock<std::mutex>& lock) {
    if (!work_ || next_ >= bands_)
        return false;
    const int band = next_++;
    const auto& work = *work_;
    lock.unlock();
    std::exception_ptr error;
    try {
        work(band);
    } catch (...) {
        error = std::current_exception();
    }
    lock.lock();
    if (error && !error_)
        error_ = error;
    if (--unfinished_ == 0)
        finished_.notify_all();
    return true;
}

void TBandPool::Work() {
    pthread_setname_np(pthread_self(), "tarnolix-band"); // as profilers and /proc show it
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || (work_ && next_ < bands_); });
        if (stopping_)
            return;
        RunNextBand(lock);
    }
}
