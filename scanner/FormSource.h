#pragma once

#include <atomic>
#include <optional>
#include <string>

#include "io/Os.h"

// A form file as its project lists it, and the name it opens by.
struct ListedForm {
    std::string Name; // as listed: errors name the file so
    std::string Path;
    std::optional<os::FileStamp> Stamp = std::nullopt; // as the look that found it told it, if it did
};

// A form's text as a source gives it, with the identity of the file it came from (os::FileIdentity).
struct TFormText {
    std::string Text;
    std::string Identity;
};

// Where the scan gets the text of a listed form to search.
class TFormSource {
public:
    TFormSource() = default;
    TFormSource(const TFormSource&) = delete;
    TFormSource& operator=(const TFormSource&) = delete;
    virtual ~TFormSource() = default;

    // The form's text, read whole. Errors pass through: the open failure names the form as listed, the
    // conversion raises its own. A file another program holds is waited for until `cancel` holds true.
    virtual TFormText FormText(const ListedForm& form, const std::atomic<bool>* cancel = nullptr) = 0;
};

// The text the scan searches in a form file's bytes: a binary form converted to its text; under
// `anyVersion` a form saved as text by a later version as it stands, from its first word on (see
// TextFormStart). The conversion's errors pass through.
std::string FormTextOfFile(std::string bytes, bool anyVersion);

// Each form from its file, opened once and read in one call (TInputFile): a binary form converted to its
// text; under `anyVersion` a form saved as text by a later version searched as it stands, from its first
// word on (see TextFormStart).
class TFileFormSource : public TFormSource {
public:
    explicit TFileFormSource(bool anyVersion) : anyVersion_(anyVersion) {}

    TFormText FormText(const ListedForm& form, const std::atomic<bool>* cancel = nullptr) override;

private:
    bool anyVersion_;
};
