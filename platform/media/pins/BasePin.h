#pragma once

#include "platform/com/ComPtr.h"
#include "platform/media/core/FilterInterfaces.h"
#include "platform/media/core/SampleInterfaces.h"
#include "platform/media/pins/FlowMeter.h"

#include <mutex>
#include <string>
#include <vector>

// The common part of the platform's pins. A pin lives inside its filter and shares the filter's
// reference count. Output pins make connections: they offer their types in order and take the
// first that the input pin accepts. Input pins receive samples through IPinReceive. A pin never
// calls its peer while it holds its own lock: it takes a reference, unlocks, then calls.
// Connections are made and broken on the GUI thread; Deliver and Receive run on the streaming
// thread. An output pin counts what it delivers in its flow meter (IPinFlow).
class BasePin : public IPin, public IPinReceive, public IPinFlow {
public:
    BasePin(IBaseFilter& filter, std::u16string name, PIN_DIRECTION direction)
        : filter_(filter), name_(std::move(name)), direction_(direction) {}
    BasePin(const BasePin&) = delete;
    BasePin& operator=(const BasePin&) = delete;
    virtual ~BasePin() = default;

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override { return filter_.AddRef(); }
    ULONG Release() override { return filter_.Release(); }

    HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
    HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
    HRESULT Disconnect() override;
    HRESULT ConnectedTo(IPin** pin) override;
    HRESULT ConnectionMediaType(AM_MEDIA_TYPE* type) override;
    HRESULT QueryPinInfo(PIN_INFO* info) override;
    HRESULT QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT QueryId(LPOLESTR* id) override;
    HRESULT QueryAccept(const AM_MEDIA_TYPE* type) override;
    HRESULT EnumMediaTypes(IEnumMediaTypes** types) override;
    HRESULT QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
    HRESULT EndOfStream() override { return S_OK; }
    HRESULT BeginFlush() override { return S_OK; }
    HRESULT EndFlush() override { return S_OK; }
    HRESULT NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

    const FlowMeter& Flow() override { return flow_; }

    // Input pins: one sample from upstream, on the streaming thread.
    HRESULT Receive(IMediaSample*) override { return E_UNEXPECTED; }

    // Output pins: hands a sample to the connected input pin; VFW_E_NOT_CONNECTED without one.
    HRESULT Deliver(IMediaSample* sample);

    bool IsConnected() const;
    // The connection's media type (empty when not connected).
    ScopedMediaType ConnectedType() const;
    ComPtr<IPin> Peer() const;
    PIN_DIRECTION Direction() const { return direction_; }
    const std::u16string& Name() const { return name_; }
    IBaseFilter& Filter() const { return filter_; }

protected:
    // S_OK when the pin can work with the type.
    virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) = 0;
    // The types the pin offers, in order of preference (output pins propose them when connecting).
    virtual std::vector<ScopedMediaType> ProposedTypes() { return {}; }
    // Called with the pin's lock not held, after a connection is made or broken.
    virtual void OnConnected(const AM_MEDIA_TYPE&) {}
    virtual void OnDisconnected() {}
    // A connection may only change while the filter is stopped.
    bool FilterStopped() const;

private:
    HRESULT TryConnection(IPin* receivePin, const AM_MEDIA_TYPE& type);
    void SetConnection(IPin* peer, const AM_MEDIA_TYPE& type);

    IBaseFilter& filter_;
    const std::u16string name_;
    const PIN_DIRECTION direction_;

    mutable std::mutex mutex_; // guards peer_, peerReceive_ and type_
    ComPtr<IPin> peer_;
    ComPtr<IPinReceive> peerReceive_;
    ScopedMediaType type_;
    FlowMeter flow_;
};

// An IEnumMediaTypes over a fixed list of media types. Any thread.
ComPtr<IEnumMediaTypes> CreateMediaTypeEnumerator(std::vector<ScopedMediaType> types);

// A media type record from the task allocator holding a copy of `type`, as enumerators hand
// them out (free with DeleteMediaType).
AM_MEDIA_TYPE* CreateMediaTypeCopy(const AM_MEDIA_TYPE& type);
