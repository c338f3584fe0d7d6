#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A small pool of threads that run the bands of one job together with the calling thread. The
// threads start with the pool and end with it; between jobs they wait. One job at a time.
class TBandPool {
public:
    // `threads` counts the calling thread: a pool of 1 starts no thread of its own.
    explicit TBandPool(unsigned threads);
    ~TBandPool();
    TBandPool(const TBandPool&) = delete;
    TBandPool& operator=(const TBandPool&) = delete;

    unsigned Threads() const { return static_cast<unsigned>(workers_.size()) + 1; }

    // Runs work(band) for every band in [0, bands), spread over the pool's threads and the
    // caller's, and returns once all have returned. An error of a band is caught on its thread
    // and the first one is raised here, after every band has ended.
    void Run(int bands, const std::function<void(int)>& work);

    // One thread per processor, at most `most`.
    static unsigned ProcessorThreads(unsigned most);

private:
    void Work();
    // Takes the next band of the current job and runs it; false when none is left. Called with
    // the lock held, which it releases while the band runs.
    bool RunNextBand(std::unique_lock<std::mutex>& lock);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    const std::function<void(int)>* work_ = nullptr;
    int bands_ = 0;
    int next_ = 0;
    int unfinished_ = 0;
    bool stopping_ = false;
    std::exception_ptr error_;
    std::vector<std::thread> workers_;
};
