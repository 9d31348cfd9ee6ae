#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "runtime/Notice.h"

// What a Rescan of a project finds, as one value: every front end (the window's tree, scan, map and
// check) only renders it. Names are the forms' bytes; each form says the code page they are in.

// The code page of a form's names: the one the form was saved in. Later versions of the environment
// write names in UTF-8: a name that is valid UTF-8 and holds a byte above 127 is taken as UTF-8 where
// those versions are read.
struct NameEncoding {
    unsigned CodePage = 1252;
    bool Utf8Names = false;

    // `name` in UTF-8 by that rule.
    std::string ToUtf8(const std::string& name) const;
};

// A component whose HelpContext is set to a number other than 0.
struct ScannedComponent {
    std::string Name;
    std::int32_t Number = 0;

    bool operator==(const ScannedComponent& other) const {
        return Name == other.Name && Number == other.Number;
    }
};

// One form read whole, as its project lists it.
struct ScannedForm {
    std::string Listed;   // the name as the project lists it
    std::string Path;     // the file it was read from
    std::string Identity; // os::FileIdentity of Path: one file by any spelling
    // The form's name, and its own number when its properties set HelpContext (0 too); empty and
    // none for a text without an object.
    std::string Name;
    std::optional<std::int32_t> Number;
    std::vector<ScannedComponent> Components;
    NameEncoding Encoding;

    // Whether the tree shows it: it has a number of its own or numbered components.
    bool Shown() const { return Number.has_value() || !Components.empty(); }
};

struct ScanResult {
    // Whether the project's name list was read: only then does the result replace what a tree shows.
    bool ProjectRead = false;
    // Every form read whole, in the order of the list (a file listed twice, twice).
    std::vector<ScannedForm> Forms;
    // Listed forms not found or found only without regard to case (warnings), and forms that failed
    // when the scan went on past them (errors), in the order met.
    std::vector<Notice> Notices;
    // The error that ended the scan, if one did: the project could not be read, or a form failed.
    std::exception_ptr Failure;

    // The message of Failure; empty without one.
    std::string FailureMessage() const;
    // Whether two results show the same tree.
    bool SameTree(const ScanResult& other) const;
};

// The forms of a result with each file once, however often and however spelt it is listed.
std::vector<const ScannedForm*> FormsOnce(const ScanResult& result);
