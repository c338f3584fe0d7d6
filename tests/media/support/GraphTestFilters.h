#pragma once

#include "tests/media/support/TestFilters.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Filters for graph tests. Every one writes "<name>.<call>" into a shared journal when it runs,
// pauses or stops, and sets a flag when it is destroyed.

struct Journal {
    void Add(std::string entry) {
        std::lock_guard lock(mutex);
        entries.push_back(std::move(entry));
    }
    std::vector<std::string> Entries() {
        std::lock_guard lock(mutex);
        return entries;
    }
    std::mutex mutex; // guards entries
    std::vector<std::string> entries;
};

// A filter with an input pin "In" (accepting `accepted`) and, when `offers` is not empty, an
// output pin "Out" offering `offers`. A source when it has no accepted types. Run fails with
// `runResult` when that is a failure. With `streams`, Run starts a thread that delivers samples
// downstream until Stop joins it.
class JournalFilter final : public MediaFilter<> {
public:
    struct Options {
        std::string name;
        std::vector<GUID> accepted;
        std::vector<GUID> offers;
        bool streams = false;
        HRESULT runResult = S_OK;
    };

    static ComPtr<IBaseFilter> Create(std::shared_ptr<Journal> journal, Options options,
                                      JournalFilter** self = nullptr,
                                      std::shared_ptr<std::atomic<bool>> destroyed = nullptr) {
        auto* filter = new JournalFilter(std::move(journal), std::move(options), std::move(destroyed));
        if (self)
            *self = filter;
        return ComPtr<IBaseFilter>::Adopt(filter);
    }

    BasePin& Input() { return input_; }
    BasePin& Output() { return output_; }
    int Samples() const { return input_.samples; }
    // Samples that reached the filter while it was stopped: each one is a fault of the graph.
    int SamplesWhileStopped() const { return input_.whileStopped; }
    bool Streaming() const { return streaming_; }
    // Waits until at least `count` samples have been delivered downstream.
    bool WaitForDelivered(int count) {
        std::unique_lock lock(deliveredMutex_);
        return deliveredChanged_.wait_for(lock, std::chrono::seconds(5), [&] { return delivered_ >= count; });
    }

private:
    class InputPin final : public BasePin {
    public:
        InputPin(JournalFilter& filter, std::vector<GUID> accepted)
            : BasePin(filter, u"In", PINDIR_INPUT), owner_(filter), accepted_(std::move(accepted)) {}
        HRESULT Receive(IMediaSample*) override {
            if (owner_.State() == State_Stopped)
                ++whileStopped;
            ++samples;
            return S_OK;
        }
        std::atomic<int> samples{0};
        std::atomic<int> whileStopped{0};

    protected:
        HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override {
            for (const GUID& subtype : accepted_)
                if (type.subtype == subtype)
                    return S_OK;
            return S_FALSE;
        }

    private:
        JournalFilter& owner_;
        std::vector<GUID> accepted_;
    };

    class OutputPin final : public BasePin {
    public:
        OutputPin(IBaseFilter& filter, std::vector<GUID> offers)
            : BasePin(filter, u"Out", PINDIR_OUTPUT), offers_(std::move(offers)) {}

    protected:
        HRESULT CheckMediaType(const AM_MEDIA_TYPE&) override { return S_OK; }
        std::vector<ScopedMediaType> ProposedTypes() override {
            std::vector<ScopedMediaType> types;
            for (const GUID& subtype : offers_)
                types.push_back(VideoType(subtype));
            return types;
        }

    private:
        std::vector<GUID> offers_;
    };

    JournalFilter(std::shared_ptr<Journal> journal, Options options,
                  std::shared_ptr<std::atomic<bool>> destroyed)
        : MediaFilter(GUID{0x3, 0, 0, {}}), journal_(std::move(journal)), options_(std::move(options)),
          destroyed_(std::move(destroyed)), input_(*this, options_.accepted),
          output_(*this, options_.offers) {}
    ~JournalFilter() override {
        if (destroyed_)
            *destroyed_ = true;
    }

    std::vector<BasePin*> Pins() override {
        std::vector<BasePin*> pins;
        if (!options_.accepted.empty())
            pins.push_back(&input_);
        if (!options_.offers.empty())
            pins.push_back(&output_);
        return pins;
    }

    HRESULT OnRun(REFERENCE_TIME) override {
        journal_->Add(options_.name + ".Run");
        if (FAILED(options_.runResult))
            return options_.runResult;
        if (options_.streams) {
            streaming_ = true;
            thread_ = std::thread([this] { Stream(); });
        }
        return S_OK;
    }
    HRESULT OnPause(FILTER_STATE) override {
        journal_->Add(options_.name + ".Pause");
        return S_OK;
    }
    HRESULT OnStop() override {
        journal_->Add(options_.name + ".Stop");
        streaming_ = false;
        if (thread_.joinable())
            thread_.join();
        return S_OK;
    }

    void Stream() {
        uint8_t byte = 0;
        while (streaming_) {
            auto sample = MediaSample::Create(&byte, 1, 1, 0, 1);
            output_.Deliver(sample.Get());
            {
                std::lock_guard lock(deliveredMutex_);
                ++delivered_;
            }
            deliveredChanged_.notify_all();
        }
    }

    std::shared_ptr<Journal> journal_;
    const Options options_;
    std::shared_ptr<std::atomic<bool>> destroyed_;
    InputPin input_;
    OutputPin output_;
    std::atomic<bool> streaming_{false};
    std::thread thread_;        // the streaming thread: started by OnRun, joined by OnStop
    std::mutex deliveredMutex_; // guards delivered_
    std::condition_variable deliveredChanged_;
    int delivered_ = 0;
};
