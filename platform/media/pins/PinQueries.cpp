#include "platform/media/pins/PinQueries.h"

std::vector<ComPtr<IPin>> PinsOf(IBaseFilter* filter) {
    std::vector<ComPtr<IPin>> pins;
    ComPtr<IEnumPins> enumerator;
    if (!filter || FAILED(filter->EnumPins(enumerator.Receive())) || !enumerator)
        return pins;
    ComPtr<IPin> pin;
    while (enumerator->Next(1, pin.Receive(), nullptr) == S_OK && pin)
        pins.push_back(std::move(pin));
    return pins;
}

std::vector<ComPtr<IPin>> PinsOf(IBaseFilter* filter, PIN_DIRECTION direction) {
    std::vector<ComPtr<IPin>> pins;
    for (ComPtr<IPin>& pin : PinsOf(filter)) {
        PIN_DIRECTION pinDirection{};
        if (SUCCEEDED(pin->QueryDirection(&pinDirection)) && pinDirection == direction)
            pins.push_back(std::move(pin));
    }
    return pins;
}

ComPtr<IBaseFilter> FilterOf(IPin* pin) {
    PIN_INFO info{};
    if (!pin || FAILED(pin->QueryPinInfo(&info)))
        return {};
    return ComPtr<IBaseFilter>::Adopt(info.pFilter);
}

ComPtr<IPin> PeerOf(IPin* pin) {
    ComPtr<IPin> peer;
    if (!pin || FAILED(pin->ConnectedTo(peer.Receive())))
        return {};
    return peer;
}

HRESULT DisconnectBothEnds(IPin* pin) {
    if (!pin)
        return E_POINTER;
    const ComPtr<IPin> peer = PeerOf(pin);
    if (peer) {
        const HRESULT hr = peer->Disconnect();
        if (FAILED(hr))
            return hr;
    }
    const HRESULT hr = pin->Disconnect();
    return FAILED(hr) ? hr : (peer ? S_OK : S_FALSE);
}
