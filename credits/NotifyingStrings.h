#pragma once

#include "io/StringList.h"
#include "runtime/Object.h"

// A line list that reports every change of its content through OnChange (sender nullptr: a line list
// is not an object of the class tree). Changes made between BeginUpdate and EndUpdate are reported
// once, at the outermost EndUpdate, and only when something changed.
class TNotifyingStringList : public TStringList {
public:
    int AddObject(const std::string& text, void* object) override;
    void Clear() override;

    // Replaces the content by a copy of `source`'s lines (the object pointers are copied, not owned).
    void Assign(const TStrings& source);
    void BeginUpdate() { ++updateDepth_; }
    void EndUpdate();

    TNotifyEvent OnChange;

private:
    void Changed();

    int updateDepth_ = 0;
    bool changedInUpdate_ = false;
};
