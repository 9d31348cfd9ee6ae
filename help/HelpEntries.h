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

// A node whose number is not 0: a form's own number (no Component) or a component's (whose name may
// be empty).
struct HelpContextEntry {
    std::string Form;
    std::optional<std::string> Component;
    std::int32_t Number = 0;
    // The form file as its project lists it.
    std::string File;
    NameEncoding Encoding;
    // Where it stands in the result: its form (not owned), and the component's place among the form's.
    const ScannedForm* Source = nullptr;
    std::optional<std::size_t> SourceComponent;

    // "form" or "form.component" ("form." for a component without a name): the form's bytes, or in
    // UTF-8.
    std::string NodeName() const;
    std::string NodeNameUtf8() const;
};

// Every numbered node of the forms, in tree order.
std::vector<HelpContextEntry> NumberedNodes(const std::vector<const ScannedForm*>& forms);

// The identifier of each entry: `prefix` + form, and for a component "_" + its name, with every
// character other than A-Z, a-z, 0-9 and "_" replaced by "_"; one equal to an earlier one gets the
// first free suffix of "_2", "_3", ...
std::vector<std::string> HelpMapIdentifiers(const std::vector<HelpContextEntry>& entries,
                                            const std::string& prefix);

// The entries holding each number, by their indexes in tree order.
std::map<std::int32_t, std::vector<std::size_t>>
EntriesByNumber(const std::vector<HelpContextEntry>& entries);
