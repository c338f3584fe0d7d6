#include "capture/BaseFilter.h"

#include "platform/com/MemoryStream.h"
#include "platform/com/OlePersistence.h"

#include <cstring>
#include <span>

ComPtr<IMoniker> TBaseFilter::Moniker() const {
    if (ByteCount() == 0)
        return nullptr;
    ComPtr<IStream> stream = MemoryStream::Create(std::span<const uint8_t>(Bytes(), ByteCount()));
    ComPtr<IMoniker> moniker;
    OleLoadFromStream(stream.Get(), IIDOf<IMoniker>(), moniker.ReceiveVoid());
    return moniker;
}

void TBaseFilter::SetMoniker(IMoniker* moniker) {
    if (!moniker) {
        Resize(0);
        return;
    }
    ComPtr<IStream> stream = MemoryStream::Create();
    OleSaveToStream(moniker, stream.Get()); // the result is not examined: a failure stores what was written
    const std::vector<uint8_t> bytes = ReadWholeStream(stream.Get());
    Resize(static_cast<uint32_t>(bytes.size()));
    if (!bytes.empty())
        std::memcpy(Bytes(), bytes.data(), bytes.size());
}

ComPtr<IBaseFilter> TBaseFilter::BindFilter() const {
    ComPtr<IMoniker> moniker = Moniker();
    if (!moniker)
        return nullptr;
    ComPtr<IBaseFilter> filter;
    moniker->BindToObject(nullptr, nullptr, IIDOf<IBaseFilter>(), filter.ReceiveVoid());
    return filter;
}
