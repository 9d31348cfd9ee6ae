#pragma once

#include <memory>
#include <optional>
#include <utility>

// An optional value kept on the heap: the size of a pointer where a value is held by few of many
// holders (a keyword among the nodes of thousands of forms), with the value's own copies and equality.
template <class T> class OptionalBox {
public:
    OptionalBox() = default;
    OptionalBox(std::nullopt_t) {}
    OptionalBox(T value) : value_(std::make_unique<T>(std::move(value))) {}
    OptionalBox(std::optional<T> value) : value_(value ? std::make_unique<T>(std::move(*value)) : nullptr) {}
    OptionalBox(const OptionalBox& other)
        : value_(other.value_ ? std::make_unique<T>(*other.value_) : nullptr) {}
    OptionalBox(OptionalBox&&) noexcept = default;
    OptionalBox& operator=(const OptionalBox& other) {
        if (this != &other)
            value_ = other.value_ ? std::make_unique<T>(*other.value_) : nullptr;
        return *this;
    }
    OptionalBox& operator=(OptionalBox&&) noexcept = default;

    explicit operator bool() const { return value_ != nullptr; }
    const T& operator*() const { return *value_; }
    const T* operator->() const { return value_.get(); }
    // The value, or none.
    const T* get() const { return value_.get(); }

    friend bool operator==(const OptionalBox& a, const OptionalBox& b) {
        return a.value_ ? b.value_ && *a.value_ == *b.value_ : !b.value_;
    }
    friend bool operator!=(const OptionalBox& a, const OptionalBox& b) { return !(a == b); }

private:
    std::unique_ptr<T> value_;
};
