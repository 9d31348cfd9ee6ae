#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formstream/FormText.h"
#include "runtime/Notice.h"
#include "runtime/OptionalBox.h"
#include "scanner/FormTree.h"

// What a Rescan of a project finds, as one value: every front end (the window's tree, scan, map and
// check) only renders it. Names are the forms' bytes; each form says the code page they are in.

// The code page of a form's names: the one the form was saved in. Later versions of the environment
// write names in UTF-8: a name that is valid UTF-8 and holds a byte above 127 is taken as UTF-8 where
// those versions are read.
struct NameEncoding {
    std::uint16_t CodePage = 1252; // every code page of forms fits, and the encoding stays 4 bytes
    bool Utf8Names = false;

    // `name` in UTF-8 by that rule.
    std::string ToUtf8(const std::string& name) const;
};

// What a node shows as its help: its number, or (reading later versions, where keyword help exists)
// its keyword; a node that shows neither is no node of the tree. A number under a stated htKeyword is
// not used, and not shown; a node with a number and a keyword and no stated HelpType keeps its number.
struct TNodeShows {
    std::optional<std::int32_t> Number;
    bool Keyword = false;

    bool Any() const { return Number.has_value() || Keyword; }
};
// `number`: the node's number when it counts as set (a form's HelpContext line, even 0; a component's
// number other than 0).
TNodeShows NodeShows(std::optional<std::int32_t> number, THelpType stated, const TFormString* keyword,
                     bool laterVersions);

// A component whose HelpContext is set to a number other than 0, or that has keyword help settings.
struct ScannedComponent {
    std::string Name;
    std::int32_t Number = 0; // 0: none
    THelpType StatedType = THelpType::kUnstated;
    OptionalBox<TFormString> Keyword; // HelpKeyword, when set

    TNodeShows Shows(bool laterVersions) const {
        return NodeShows(Number != 0 ? std::optional<std::int32_t>(Number) : std::nullopt, StatedType,
                         Keyword.get(), laterVersions);
    }
    bool operator==(const ScannedComponent& other) const {
        return Name == other.Name && Number == other.Number && StatedType == other.StatedType &&
               Keyword == other.Keyword;
    }
};

// One form read whole, as its project lists it.
struct ScannedForm {
    std::string Listed;   // the name as the project lists it
    std::string Identity; // os::FileIdentity of the file it was read from: one file by any spelling
    // The form's name, and its own number when its properties set HelpContext (0 too); empty and
    // none for a text without an object.
    std::string Name;
    std::optional<std::int32_t> Number;
    OptionalBox<TFormString> Keyword;
    // The whole component tree, when the scan was asked to keep it (ScanOptions::KeepTrees).
    OptionalBox<TFormTree> Tree;
    std::vector<ScannedComponent> Components;
    // Last, where the two share one word: a form takes no more room for the tree that most scans do not
    // keep.
    NameEncoding Encoding;
    THelpType StatedType = THelpType::kUnstated;

    TNodeShows Shows(bool laterVersions) const {
        return NodeShows(Number, StatedType, Keyword.get(), laterVersions);
    }
    // A keyword of this form in UTF-8: a wide string's characters, a byte string by Encoding.
    std::string KeywordUtf8(const TFormString& keyword) const;
};

struct ScanResult {
    // Whether the project's name list was read: only then does the result replace what a tree shows.
    bool ProjectRead = false;
    // Read as later versions are: their project files and text forms, and their keyword help.
    bool LaterVersions = false;
    // Every form read whole, in the order of the list (a file listed twice, twice).
    std::vector<ScannedForm> Forms;
    // Listed forms not found or found only without regard to case (warnings), and forms that failed
    // when the scan went on past them (errors), in the order met.
    std::vector<Notice> Notices;
    // The error that ended the scan, if one did: the project could not be read (its File empty: the message
    // names the project as the user named it), or a form failed (its File the form as listed).
    std::optional<Notice> Failure;
    // The scan was cancelled before it ended: it shows nothing.
    bool Cancelled = false;
};

// The forms of a result with each file once, however often and however spelt it is listed.
std::vector<const ScannedForm*> FormsOnce(const ScanResult& result);
