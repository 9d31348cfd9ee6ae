#include "credits/NotifyingStrings.h"

int TNotifyingStringList::AddObject(const std::string& text, void* object) {
    const int index = TStringList::AddObject(text, object);
    Changed();
    return index;
}

void TNotifyingStringList::Clear() {
    // Clearing an empty list changes nothing, but a caller that replaces the content (SetAllText
    // clears first) still hears of the replacement through the additions that follow.
    if (Count() == 0)
        return;
    TStringList::Clear();
    Changed();
}

void TNotifyingStringList::Assign(const TStrings& source) {
    if (&source == this)
        return;
    BeginUpdate();
    try {
        Clear();
        for (int i = 0; i < source.Count(); ++i)
            AddObject(source.Get(i), source.GetObject(i));
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TNotifyingStringList::EndUpdate() {
    if (updateDepth_ == 0 || --updateDepth_ > 0 || !changedInUpdate_)
        return;
    changedInUpdate_ = false;
    Changed();
}

void TNotifyingStringList::Changed() {
    if (updateDepth_ > 0) {
        changedInUpdate_ = true;
        return;
    }
    if (OnChange)
        OnChange(nullptr);
}
