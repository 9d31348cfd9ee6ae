#pragma once

#include <string>

#include "scanner/HelpContextScan.h"

class TInputFile;

// Where the scan gets the text of a listed form to search.
class TFormSource {
public:
    TFormSource() = default;
    TFormSource(const TFormSource&) = delete;
    TFormSource& operator=(const TFormSource&) = delete;
    virtual ~TFormSource() = default;

    // The text of the form that `file` holds, opened for it by the scan (one open a form; its stamp and
    // identity come with it). Errors pass through: the conversion raises its own.
    virtual std::string FormText(const ListedForm& form, TInputFile& file) = 0;
};

// Each form from its file: a binary form converted to its text; under `anyVersion` a form saved as
// text by a later version searched as it stands, from its first word on (see TextFormStart).
class TFileFormSource : public TFormSource {
public:
    explicit TFileFormSource(bool anyVersion) : anyVersion_(anyVersion) {}

    std::string FormText(const ListedForm& form, TInputFile& file) override;

private:
    bool anyVersion_;
};
