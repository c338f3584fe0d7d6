#pragma once

#include <memory>
#include <string>
#include <vector>

enum class TOperation { opInsert, opRemove };

// A component: an object with a name and an owner. The owner holds its components and frees
// them, last created first, when it is destroyed. Components are told when another component
// they depend on goes away: the owner's components when a sibling is removed, and any
// component that asked for it through FreeNotification. GUI thread.
class TComponent {
public:
    explicit TComponent(TComponent* owner = nullptr) : owner_(owner) {}
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    // Creates a component of type T owned by `owner`: T's constructor receives the owner first.
    template <typename T, typename... Args> static T& Create(TComponent& owner, Args&&... args) {
        auto component = std::make_unique<T>(&owner, std::forward<Args>(args)...);
        T& created = *component;
        owner.InsertComponent(std::move(component));
        return created;
    }

    TComponent* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

    int ComponentCount() const { return static_cast<int>(components_.size()); }
    // Raises EListError for an index out of range.
    TComponent* Components(int index) const;
    TComponent* FindComponent(const std::string& name) const;

    // Frees an owned component now, with the same notices as when the owner goes.
    void FreeComponent(TComponent* component);

    // Asks to be told (Notification opRemove) when `component` is destroyed; both ways.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    bool Destroying() const { return destroying_; }

protected:
    // Called when `component` is inserted into or removed from this component's circle.
    virtual void Notification(TComponent* component, TOperation operation);

private:
    void InsertComponent(std::unique_ptr<TComponent> component);
    void NotifyRemoval(TComponent* removed);
    void DestroyComponents();

    TComponent* owner_;
    std::string name_;
    std::vector<std::unique_ptr<TComponent>> components_;
    std::vector<TComponent*> freeNotifies_; // components linked both ways by FreeNotification
    bool destroying_ = false;
};
