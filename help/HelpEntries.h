#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "scanner/ScanResult.h"

// The help author's view of a scan: its numbered nodes, and the identifiers a help map gives them.

// What identifiers begin with unless the user says otherwise.
inline const std::string kDefaultHelpPrefix = "IDH_";

// A node with help: a form's own (no Component) or a component's (whose name may be empty).
struct HelpContextEntry {
    std::string Form;
    std::optional<std::string> Component;
    // The number F1 uses; 0 for a node helped by its keyword alone.
    std::int32_t Number = 0;
    // The form file as its project lists it.
    std::string File;
    NameEncoding Encoding;
    // Where it stands in the result: its form (not owned), and the component's place among the form's.
    const ScannedForm* Source = nullptr;
    std::optional<std::size_t> SourceComponent;
    // Reading later versions: the node's HelpType as stated, its HelpContext as set (0 too) and its
    // HelpKeyword.
    THelpType StatedType = THelpType::kUnstated;
    std::optional<std::int32_t> SetNumber;
    const TFormString* Keyword = nullptr; // in Source, which outlives the entry

    // "form" or "form.component" ("form." for a component without a name): the form's bytes, or in
    // UTF-8.
    std::string NodeName() const;
    std::string NodeNameUtf8() const;
    // The keyword as the text reports show it (a byte string's bytes, else UTF-8), or in UTF-8.
    std::string KeywordText() const;
    std::string KeywordUtf8() const;
};

// The nodes of the forms with help, in tree order: each with a number F1 uses other than 0, and
// reading later versions each with any keyword help setting (HelpType or HelpKeyword) too.
std::vector<HelpContextEntry> HelpNodes(const std::vector<const ScannedForm*>& forms, bool laterVersions);

// The identifier of each entry with a number: `prefix` + form, and for a component "_" + its name, with
// every character other than A-Z, a-z, 0-9 and "_" replaced by "_"; one equal to an earlier one gets the
// first free suffix of "_2", "_3", ... An entry without a number has none (an empty string).
std::vector<std::string> HelpMapIdentifiers(const std::vector<HelpContextEntry>& entries,
                                            const std::string& prefix);

// The entries holding each number other than 0, by their indexes in tree order.
std::map<std::int32_t, std::vector<std::size_t>>
EntriesByNumber(const std::vector<HelpContextEntry>& entries);
