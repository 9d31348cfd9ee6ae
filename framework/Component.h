#pragma once

#include "runtime/Object.h"

#include <string>
#include <vector>

enum TOperation { opInsert, opRemove };

// A named object that can own others. The owner frees what it owns, newest first; a component that
// asked FreeNotification hears of the other's end through Notification(..., opRemove).
class TComponent : public TObject {
public:
    explicit TComponent(TComponent* owner); // owner may be nullptr; the owner frees it
    ~TComponent() override;

    TComponent* Owner() const { return owner_; }
    bool Destroying() const { return destroying_; }
    const std::string& Name() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }

    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const; // throws EListError when out of range

    // `watcher`->Notification(this, opRemove) when this is freed (and the other way round).
    void FreeNotification(TComponent* watcher);
    void RemoveFreeNotification(TComponent* watcher);

protected:
    // An owned component was added or removed, or a watched component is going away. The default
    // passes the news on to every owned component.
    virtual void Notification(TComponent* component, TOperation operation);
    // Frees the owned components, newest first. Classes that must outlive their components while
    // being torn down call it at the start of their destructor.
    void DestroyComponents();
    void MarkDestroying() { destroying_ = true; }

private:
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);

    TComponent* owner_; // not owned
    std::string name_;
    std::vector<TComponent*> components_;   // owned
    std::vector<TComponent*> freeNotifies_; // not owned; each entry lists this one as well
    bool destroying_ = false;
};
