#include "io/StringList.h"

#include <memory>

#include "io/Streams.h"
#include "runtime/Exceptions.h"
#include "runtime/Messages.h"

void TStrings::SetAllText(const char* text, std::size_t length) {
    Clear();
    const char* p = text;
    const char* end = text + length;
    // The end of the text counts as a zero byte.
    while (p < end && *p != '\0') {
        const char* start = p;
        while (p < end && *p != '\0' && *p != '\n' && *p != '\r')
            ++p;
        Add(std::string(start, p));
        if (p < end && *p == '\r')
            ++p;
        if (p < end && *p == '\n')
            ++p;
    }
}

const TStringList::Item& TStringList::At(int index) const {
    if (index < 0 || index >= Count())
        throw EListError(SListIndexError, {});
    return items_[static_cast<size_t>(index)];
}

const std::string& TStringList::Get(int index) const {
    return At(index).Text;
}

void* TStringList::GetObject(int index) const {
    return At(index).Object;
}

void TStringList::Grow() {
    // Small lists grow by 4, 8 and 16 entries; long ones by a quarter, so that loading a large
    // file stays linear.
    const int delta = capacity_ > 64 ? capacity_ / 4 : capacity_ > 8 ? 16 : capacity_ > 4 ? 8 : 4;
    capacity_ += delta;
    items_.reserve(static_cast<size_t>(capacity_));
}

int TStringList::AddObject(const std::string& text, void* object) {
    if (Count() == capacity_)
        Grow();
    items_.push_back(Item{text, object});
    return Count() - 1;
}

void TStringList::Clear() {
    items_.clear();
    items_.shrink_to_fit();
    capacity_ = 0;
}
