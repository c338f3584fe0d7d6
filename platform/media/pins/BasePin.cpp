#include "platform/media/pins/BasePin.h"

#include "platform/com/TaskAllocator.h"
#include "platform/com/TaskString.h"
#include "platform/media/core/VideoFormat.h"

#include <algorithm>

namespace {

void CopyName(std::u16string_view name, OLECHAR (&target)[128]) {
    const size_t length = std::min<size_t>(name.size(), 127);
    std::copy_n(name.begin(), length, target);
    target[length] = 0;
}

// The enumerator behind CreateMediaTypeEnumerator.
class MediaTypeListEnumerator final : public ComObject<IEnumMediaTypes> {
public:
    MediaTypeListEnumerator(std::vector<ScopedMediaType> types, size_t position)
        : types_(std::move(types)), position_(position) {}

    HRESULT Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override {
        if (!types || (count > 1 && !fetched))
            return E_POINTER;
        std::lock_guard lock(mutex_);
        ULONG done = 0;
        while (done < count && position_ < types_.size()) {
            AM_MEDIA_TYPE* copy = CreateMediaTypeCopy(types_[position_].Get());
            if (!copy)
                break;
            types[done++] = copy;
            ++position_;
        }
        if (fetched)
            *fetched = done;
        return done == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override {
        std::lock_guard lock(mutex_);
        position_ = std::min(types_.size(), position_ + count);
        return position_ < types_.size() ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        std::lock_guard lock(mutex_);
        position_ = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumMediaTypes** clone) override {
        if (!clone)
            return E_POINTER;
        std::lock_guard lock(mutex_);
        *clone = new MediaTypeListEnumerator(types_, position_);
        return S_OK;
    }

private:
    const std::vector<ScopedMediaType> types_;
    std::mutex mutex_; // guards position_
    size_t position_;
};

} // namespace

AM_MEDIA_TYPE* CreateMediaTypeCopy(const AM_MEDIA_TYPE& type) {
    auto* record = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!record)
        return nullptr;
    *record = AM_MEDIA_TYPE{};
    if (!DuplicateMediaType(*record, type)) {
        CoTaskMemFree(record);
        return nullptr;
    }
    return record;
}

ComPtr<IEnumMediaTypes> CreateMediaTypeEnumerator(std::vector<ScopedMediaType> types) {
    return ComPtr<IEnumMediaTypes>::Adopt(new MediaTypeListEnumerator(std::move(types), 0));
}

HRESULT BasePin::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IPin) {
        *object = static_cast<IPin*>(this);
    } else if (iid == IID_IPinReceive && direction_ == PINDIR_INPUT) {
        *object = static_cast<IPinReceive*>(this);
    } else if (iid == IID_IPinFlow) {
        *object = static_cast<IPinFlow*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

bool BasePin::FilterStopped() const {
    FILTER_STATE state = State_Stopped;
    filter_.GetState(0, &state);
    return state == State_Stopped;
}

HRESULT BasePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) {
    if (!receivePin)
        return E_POINTER;
    if (direction_ != PINDIR_OUTPUT)
        return E_UNEXPECTED;
    if (IsConnected())
        return VFW_E_ALREADY_CONNECTED;
    if (!FilterStopped())
        return VFW_E_NOT_STOPPED;
    PIN_DIRECTION otherDirection = PINDIR_OUTPUT;
    if (FAILED(receivePin->QueryDirection(&otherDirection)) || otherDirection != PINDIR_INPUT)
        return VFW_E_INVALID_DIRECTION;
    // A type with a format block is taken as it stands; otherwise it only narrows the offers.
    if (type && type->pbFormat && type->cbFormat != 0)
        return TryConnection(receivePin, *type);
    for (const ScopedMediaType& offer : ProposedTypes()) {
        if (type && !(type->majortype == GUID_NULL || type->majortype == offer->majortype))
            continue;
        if (type && !(type->subtype == GUID_NULL || type->subtype == offer->subtype))
            continue;
        if (TryConnection(receivePin, offer.Get()) == S_OK)
            return S_OK;
    }
    return VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT BasePin::TryConnection(IPin* receivePin, const AM_MEDIA_TYPE& type) {
    if (CheckMediaType(type) != S_OK)
        return VFW_E_TYPE_NOT_ACCEPTED;
    const HRESULT result = receivePin->ReceiveConnection(this, &type);
    if (result != S_OK)
        return FAILED(result) ? result : VFW_E_TYPE_NOT_ACCEPTED;
    SetConnection(receivePin, type);
    return S_OK;
}

HRESULT BasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) {
    if (!connector || !type)
        return E_POINTER;
    if (direction_ != PINDIR_INPUT)
        return E_UNEXPECTED;
    if (IsConnected())
        return VFW_E_ALREADY_CONNECTED;
    if (!FilterStopped())
        return VFW_E_NOT_STOPPED;
    if (CheckMediaType(*type) != S_OK)
        return VFW_E_TYPE_NOT_ACCEPTED;
    SetConnection(connector, *type);
    return S_OK;
}

void BasePin::SetConnection(IPin* peer, const AM_MEDIA_TYPE& type) {
    ComPtr<IPin> peerRef(peer);
    ComPtr<IPinReceive> receive = direction_ == PINDIR_OUTPUT ? peerRef.As<IPinReceive>() : nullptr;
    {
        std::lock_guard lock(mutex_);
        peer_ = peerRef;
        peerReceive_ = receive;
        type_ = ScopedMediaType(type);
    }
    OnConnected(type);
}

HRESULT BasePin::Disconnect() {
    if (!FilterStopped())
        return VFW_E_NOT_STOPPED;
    ComPtr<IPin> oldPeer;
    ComPtr<IPinReceive> oldReceive;
    {
        std::lock_guard lock(mutex_);
        if (!peer_)
            return S_FALSE;
        oldPeer = std::move(peer_);
        oldReceive = std::move(peerReceive_);
        type_ = ScopedMediaType();
    }
    OnDisconnected();
    return S_OK; // the peer's references go here, outside the lock
}

HRESULT BasePin::ConnectedTo(IPin** pin) {
    if (!pin)
        return E_POINTER;
    std::lock_guard lock(mutex_);
    *pin = ComPtr<IPin>(peer_).Detach();
    return *pin ? S_OK : VFW_E_NOT_CONNECTED;
}

HRESULT BasePin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
    if (!type)
        return E_POINTER;
    std::lock_guard lock(mutex_);
    *type = AM_MEDIA_TYPE{};
    if (!peer_)
        return VFW_E_NOT_CONNECTED;
    return DuplicateMediaType(*type, type_.Get()) ? S_OK : E_OUTOFMEMORY;
}

HRESULT BasePin::QueryPinInfo(PIN_INFO* info) {
    if (!info)
        return E_POINTER;
    info->pFilter = &filter_;
    filter_.AddRef();
    info->dir = direction_;
    CopyName(name_, info->achName);
    return S_OK;
}

HRESULT BasePin::QueryDirection(PIN_DIRECTION* direction) {
    if (!direction)
        return E_POINTER;
    *direction = direction_;
    return S_OK;
}

HRESULT BasePin::QueryId(LPOLESTR* id) {
    if (!id)
        return E_POINTER;
    *id = CoTaskStringFrom(name_);
    return *id ? S_OK : E_OUTOFMEMORY;
}

HRESULT BasePin::QueryAccept(const AM_MEDIA_TYPE* type) {
    if (!type)
        return E_POINTER;
    return CheckMediaType(*type) == S_OK ? S_OK : S_FALSE;
}

HRESULT BasePin::EnumMediaTypes(IEnumMediaTypes** types) {
    if (!types)
        return E_POINTER;
    *types = CreateMediaTypeEnumerator(ProposedTypes()).Detach();
    return S_OK;
}

HRESULT BasePin::Deliver(IMediaSample* sample) {
    ComPtr<IPinReceive> receive;
    {
        std::lock_guard lock(mutex_);
        receive = peerReceive_;
    }
    if (!receive)
        return VFW_E_NOT_CONNECTED;
    const HRESULT result = receive->Receive(sample);
    if (SUCCEEDED(result)) {
        REFERENCE_TIME start = 0;
        REFERENCE_TIME end = 0;
        const bool stamped = sample && SUCCEEDED(sample->GetTime(&start, &end));
        flow_.Count(stamped ? std::optional(start) : std::nullopt);
    }
    return result;
}

bool BasePin::IsConnected() const {
    std::lock_guard lock(mutex_);
    return static_cast<bool>(peer_);
}

ScopedMediaType BasePin::ConnectedType() const {
    std::lock_guard lock(mutex_);
    return type_;
}

ComPtr<IPin> BasePin::Peer() const {
    std::lock_guard lock(mutex_);
    return peer_;
}
