#include "capture/PinList.h"

#include "platform/runtime/StandardErrors.h"

void TPinList::Assign(IBaseFilter* filter) {
    pins_.clear();
    if (!filter)
        return;
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.Receive())) || !pins)
        return;
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.Receive(), nullptr) == S_OK)
        pins_.push_back(std::move(pin));
}

IPin* TPinList::Items(int index) const {
    if (index < 0 || index >= Count())
        RaiseListIndexError(index);
    return pins_[static_cast<size_t>(index)].Get();
}

bool TPinList::Connected(int index) const {
    ComPtr<IPin> peer;
    return SUCCEEDED(Items(index)->ConnectedTo(peer.Receive())) && peer;
}
