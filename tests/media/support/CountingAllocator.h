#pragma once

#include "platform/com/ComObject.h"
#include "platform/media/core/VmrInterfaces.h"

#include <atomic>

// A renderless client's allocator for tests: counts the frames presented to it and remembers
// the last one's layout. It holds the notify interface it is given, as real allocators do, so
// it and the renderer hold each other.
class CountingAllocator final : public ComObject<IVMRSurfaceAllocator9> {
public:
    explicit CountingAllocator(std::atomic<bool>* destroyed = nullptr) : destroyed_(destroyed) {}
    HRESULT PresentImage(DWORD_PTR userId, const VmrFrame* frame) override {
        lastUserId = userId;
        lastWidth = frame->width;
        lastFirstByte = frame->bits[0];
        ++frames;
        return S_OK;
    }
    HRESULT AdviseNotify(IVMRSurfaceAllocatorNotify9* notify) override {
        notify_ = ComPtr<IVMRSurfaceAllocatorNotify9>(notify);
        return S_OK;
    }

    std::atomic<int> frames{0};
    std::atomic<DWORD_PTR> lastUserId{0};
    std::atomic<int> lastWidth{0};
    std::atomic<int> lastFirstByte{0};

private:
    ~CountingAllocator() override {
        if (destroyed_)
            *destroyed_ = true;
    }
    std::atomic<bool>* destroyed_;
    ComPtr<IVMRSurfaceAllocatorNotify9> notify_;
};
