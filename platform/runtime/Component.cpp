#include "platform/runtime/Component.h"

#include "platform/runtime/StandardErrors.h"

#include <algorithm>

TComponent::~TComponent() {
    destroying_ = true;
    // Tell the linked components first, while this one is still whole, then unlink.
    while (!freeNotifies_.empty()) {
        TComponent* other = freeNotifies_.back();
        freeNotifies_.pop_back();
        std::erase(other->freeNotifies_, this);
        other->Notification(this, TOperation::opRemove);
    }
    DestroyComponents();
}

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount())
        RaiseListIndexError(index);
    return components_[static_cast<size_t>(index)].get();
}

TComponent* TComponent::FindComponent(const std::string& name) const {
    if (name.empty())
        return nullptr;
    for (const auto& component : components_)
        if (component->name_ == name)
            return component.get();
    return nullptr;
}

void TComponent::InsertComponent(std::unique_ptr<TComponent> component) {
    TComponent* inserted = component.get();
    components_.push_back(std::move(component));
    Notification(inserted, TOperation::opInsert);
}

void TComponent::NotifyRemoval(TComponent* removed) {
    Notification(removed, TOperation::opRemove);
    for (const auto& component : components_)
        component->Notification(removed, TOperation::opRemove);
}

void TComponent::FreeComponent(TComponent* component) {
    auto it = std::find_if(components_.begin(), components_.end(),
                           [component](const auto& owned) { return owned.get() == component; });
    if (it == components_.end())
        return;
    std::unique_ptr<TComponent> doomed = std::move(*it);
    components_.erase(it);
    doomed->destroying_ = true;
    NotifyRemoval(doomed.get());
    doomed.reset();
}

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        std::unique_ptr<TComponent> last = std::move(components_.back());
        components_.pop_back();
        last->destroying_ = true;
        NotifyRemoval(last.get());
        last.reset();
    }
}

void TComponent::FreeNotification(TComponent* component) {
    if (!component || component == this)
        return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end()) {
        freeNotifies_.push_back(component);
        component->freeNotifies_.push_back(this);
    }
}

void TComponent::RemoveFreeNotification(TComponent* component) {
    if (!component)
        return;
    std::erase(freeNotifies_, component);
    std::erase(component->freeNotifies_, this);
}

void TComponent::Notification(TComponent*, TOperation) {}
