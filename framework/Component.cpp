#include "framework/Component.h"

#include "runtime/Exceptions.h"

#include <algorithm>

namespace {
void EraseOne(std::vector<TComponent*>& list, TComponent* item) {
    auto it = std::find(list.begin(), list.end(), item);
    if (it != list.end())
        list.erase(it);
}
} // namespace

TComponent::TComponent(TComponent* owner) : owner_(nullptr) {
    if (owner)
        owner->InsertComponent(this);
}

TComponent::~TComponent() {
    destroying_ = true;
    DestroyComponents();
    if (owner_)
        owner_->RemoveComponent(this);
    // Each entry lists this component too; tell it and let it forget this one.
    while (!freeNotifies_.empty()) {
        TComponent* other = freeNotifies_.back();
        freeNotifies_.pop_back();
        EraseOne(other->freeNotifies_, this);
        other->Notification(this, opRemove);
    }
}

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return components_[static_cast<size_t>(index)];
}

void TComponent::FreeNotification(TComponent* watcher) {
    if (!watcher || watcher == this)
        return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), watcher) == freeNotifies_.end())
        freeNotifies_.push_back(watcher);
    if (std::find(watcher->freeNotifies_.begin(), watcher->freeNotifies_.end(), this) ==
        watcher->freeNotifies_.end())
        watcher->freeNotifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* watcher) {
    if (!watcher)
        return;
    EraseOne(freeNotifies_, watcher);
    EraseOne(watcher->freeNotifies_, this);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove && component)
        RemoveFreeNotification(component);
    // A component may go away while hearing the news, so walk by index and re-check the bound.
    for (size_t i = components_.size(); i-- > 0;) {
        if (i < components_.size())
            components_[i]->Notification(component, operation);
    }
}

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        TComponent* last = components_.back();
        // The component leaves this owner on its own as it is destroyed; detach first so that the
        // owner never sees a half-destroyed entry.
        components_.pop_back();
        last->owner_ = nullptr;
        Notification(last, opRemove);
        delete last;
    }
}

void TComponent::InsertComponent(TComponent* component) {
    components_.push_back(component);
    component->owner_ = this;
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    EraseOne(components_, component);
    component->owner_ = nullptr;
    Notification(component, opRemove);
}
