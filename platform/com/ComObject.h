#pragma once

#include "platform/com/Unknown.h"

#include <atomic>
#include <type_traits>

// The interface an interface derives from, so that an object answers queries for every
// ancestor of the interfaces it implements. IUnknown is answered by every object.
template <typename T> struct InterfaceParent { using type = IUnknown; };
#define TARNOLIX_INTERFACE_PARENT(Interface, Parent)                                                         \
    template <> struct InterfaceParent<Interface> { using type = Parent; }

// Reference counting and interface queries for the platform's own objects. An object starts
// with one reference, held by whoever created it (wrap it with ComPtr<T>::Adopt), and deletes
// itself on its last Release. Counts are atomic, so references may be taken and dropped on any
// thread; everything else is the concrete class's business.
template <typename... Interfaces> class ComObject : public Interfaces... {
public:
    ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (!(FindInterface<Interfaces>(iid, object) || ...)) {
            *object = QueryOther(iid);
            if (!*object)
                return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return references_.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG Release() override {
        const ULONG left = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    virtual ~ComObject() = default;
    // Interfaces answered beyond the listed ones (and their ancestors); none by default.
    virtual void* QueryOther(REFIID) { return nullptr; }

private:
    template <typename I> bool FindInterface(REFIID iid, void** object) { return FindAs<I, I>(iid, object); }
    // Walks from I up its ancestors, answering with this object seen as Outer.
    template <typename Outer, typename I> bool FindAs(REFIID iid, void** object) {
        if (iid == IIDOf<I>()) {
            *object = static_cast<I*>(static_cast<Outer*>(this));
            return true;
        }
        if constexpr (std::is_same_v<I, IUnknown>)
            return false;
        else
            return FindAs<Outer, typename InterfaceParent<I>::type>(iid, object);
    }

    std::atomic<ULONG> references_{1};
};
