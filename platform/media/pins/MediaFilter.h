#pragma once

#include "platform/com/ComObject.h"
#include "platform/media/pins/BasePin.h"
#include "platform/media/pins/PinEnumerator.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

// The common part of the platform's filters: class id, graph membership, name, state and pins.
// A concrete filter lists its pins (input before output) and acts on the state changes: OnRun
// starts its streaming, OnStop stops it and returns only once no sample of it is in flight.
// State changes come from the GUI thread; GetState may be asked from any thread.
template <typename... Extra> class MediaFilter : public ComObject<IBaseFilter, Extra...> {
public:
    HRESULT GetClassID(CLSID* clsid) override {
        if (!clsid)
            return E_POINTER;
        *clsid = clsid_;
        return S_OK;
    }

    HRESULT Stop() override {
        std::lock_guard transition(transitionMutex_);
        if (State() == State_Stopped)
            return S_OK;
        const HRESULT result = OnStop();
        SetState(State_Stopped);
        return result;
    }
    HRESULT Pause() override {
        std::lock_guard transition(transitionMutex_);
        const FILTER_STATE was = State();
        const HRESULT result = OnPause(was);
        if (SUCCEEDED(result))
            SetState(State_Paused);
        return result;
    }
    HRESULT Run(REFERENCE_TIME start) override {
        std::lock_guard transition(transitionMutex_);
        if (State() == State_Running)
            return S_OK;
        const HRESULT result = OnRun(start);
        if (SUCCEEDED(result))
            SetState(State_Running);
        return result;
    }
    HRESULT GetState(DWORD, FILTER_STATE* state) override {
        if (!state)
            return E_POINTER;
        *state = State();
        return S_OK;
    }
    HRESULT SetSyncSource(IReferenceClock*) override { return S_OK; }
    HRESULT GetSyncSource(IReferenceClock** clock) override {
        if (!clock)
            return E_POINTER;
        *clock = nullptr;
        return S_OK;
    }

    HRESULT EnumPins(IEnumPins** pins) override {
        if (!pins)
            return E_POINTER;
        std::vector<ComPtr<IPin>> list;
        for (BasePin* pin : Pins())
            list.emplace_back(static_cast<IPin*>(pin));
        *pins = PinEnumerator::Create(std::move(list)).Detach();
        return S_OK;
    }
    HRESULT FindPin(LPCOLESTR id, IPin** pin) override {
        if (!id || !pin)
            return E_POINTER;
        *pin = nullptr;
        for (BasePin* candidate : Pins()) {
            if (candidate->Name() == std::u16string_view(id)) {
                *pin = ComPtr<IPin>(static_cast<IPin*>(candidate)).Detach();
                return S_OK;
            }
        }
        return VFW_E_NOT_FOUND;
    }
    HRESULT QueryFilterInfo(FILTER_INFO* info) override {
        if (!info)
            return E_POINTER;
        std::lock_guard lock(mutex_);
        const size_t length = std::min<size_t>(name_.size(), 127);
        std::copy_n(name_.begin(), length, info->achName);
        info->achName[length] = 0;
        info->pGraph = graph_;
        if (graph_)
            graph_->AddRef();
        return S_OK;
    }
    HRESULT JoinFilterGraph(IFilterGraph* graph, LPCOLESTR name) override {
        std::lock_guard lock(mutex_);
        graph_ = graph;
        name_ = name ? std::u16string(name) : std::u16string();
        return S_OK;
    }
    HRESULT QueryVendorInfo(LPOLESTR*) override { return E_NOTIMPL; }

protected:
    explicit MediaFilter(const CLSID& clsid) : clsid_(clsid) {}

    // The filter's pins, inputs first.
    virtual std::vector<BasePin*> Pins() = 0;
    virtual HRESULT OnRun(REFERENCE_TIME) { return S_OK; }
    virtual HRESULT OnPause(FILTER_STATE) { return S_OK; }
    virtual HRESULT OnStop() { return S_OK; }

    FILTER_STATE State() const {
        std::lock_guard lock(mutex_);
        return state_;
    }
    // The graph the filter joined; not counted (the graph holds the filter).
    IFilterGraph* Graph() const {
        std::lock_guard lock(mutex_);
        return graph_;
    }

private:
    void SetState(FILTER_STATE state) {
        std::lock_guard lock(mutex_);
        state_ = state;
    }

    const CLSID clsid_;
    std::mutex transitionMutex_; // serialises state changes, held while OnRun/OnStop run
    mutable std::mutex mutex_;   // guards state_, graph_ and name_
    FILTER_STATE state_ = State_Stopped;
    IFilterGraph* graph_ = nullptr;
    std::u16string name_;
};
