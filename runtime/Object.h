#pragma once

#include <functional>

// The root of the program's object classes: what an event's sender is.
class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
};

// A call bound to an object, taking the sender. Fired only when assigned.
using TNotifyEvent = std::function<void(TObject* sender)>;
