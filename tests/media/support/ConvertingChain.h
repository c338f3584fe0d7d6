#pragma once

#include "tests/media/support/TestFilters.h"

#include <cstdint>
#include <vector>

// A converter filter fed by a test source that offers one type, its output connected to
// `downstream` when given, and running in `graph` (or in none); Push hands it one sample on the
// calling thread, as a streaming thread would. Stops the converter and breaks its connections
// (which hold their peers) when it goes.
class ConvertingChain {
public:
    ConvertingChain(ComPtr<IBaseFilter> converter, ScopedMediaType offer, IPin* downstream = nullptr,
                    IFilterGraph* graph = nullptr)
        : converter_(std::move(converter)) {
        std::vector<ScopedMediaType> offers;
        offers.push_back(std::move(offer));
        sourceFilter_ = TestSource::Create(std::move(offers), &source_);
        ComPtr<IPin> input, output;
        converter_->FindPin(u"In", input.Receive());
        converter_->FindPin(u"Out", output.Receive());
        connected_ = source_->Output().Connect(input.Get(), nullptr) == S_OK &&
                     (!downstream || output->Connect(downstream, nullptr) == S_OK);
        converter_->JoinFilterGraph(graph, u"Converter");
        running_ = converter_->Run(0) == S_OK;
    }
    ~ConvertingChain() {
        converter_->Stop();
        for (const char16_t* name : {u"In", u"Out"}) {
            ComPtr<IPin> pin, peer;
            converter_->FindPin(name, pin.Receive());
            if (pin->ConnectedTo(peer.Receive()) == S_OK)
                peer->Disconnect();
            pin->Disconnect();
        }
    }
    ConvertingChain(const ConvertingChain&) = delete;
    ConvertingChain& operator=(const ConvertingChain&) = delete;

    bool Ready() const { return connected_ && running_; }
    IBaseFilter& Converter() { return *converter_; }
    // One sample of `bytes` taken at `start` (100 ns units).
    HRESULT Push(const uint8_t* bytes, size_t length, REFERENCE_TIME start) {
        const auto size = static_cast<int32_t>(length);
        const ComPtr<IMediaSample> sample =
            MediaSample::Create(const_cast<uint8_t*>(bytes), size, size, start, start + 1);
        return source_->Output().Deliver(sample.Get());
    }

private:
    ComPtr<IBaseFilter> converter_;
    TestSource* source_ = nullptr;
    ComPtr<IBaseFilter> sourceFilter_;
    bool connected_ = false;
    bool running_ = false;
};
