#pragma once

#include <string>

#include "scanner/HelpContextScan.h"

// Where the scan gets the text of a listed form to search.
class TFormSource {
public:
    TFormSource() = default;
    TFormSource(const TFormSource&) = delete;
    TFormSource& operator=(const TFormSource&) = delete;
    virtual ~TFormSource() = default;

    // The form's text, read whole. Errors pass through: the open failure names the form as listed,
    // the conversion raises its own.
    virtual std::string FormText(const ListedForm& form) = 0;
};

// Each form from its file: a binary form converted to its text; under `anyVersion` a form saved as
// text by a later version searched as it stands, from its first word on (see TextFormStart).
class TFileFormSource : public TFormSource {
public:
    explicit TFileFormSource(bool anyVersion) : anyVersion_(anyVersion) {}

    std::string FormText(const ListedForm& form) override;

private:
    bool anyVersion_;
};
