#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "help/HelpProject.h"
#include "scanner/ScanResult.h"

// Numbers for the forms and controls whose help is not their own yet, chosen so that a person can read
// them: free ones, in steps, in the order of the project.

// What a plan gives numbers to, and from where.
struct THelpNumbering {
    bool Forms = true;     // each form whose own help is not set
    bool Controls = false; // each control a user can focus (FocusableNodes) whose own help is not set
    // The first number tried; none for the first multiple of 100 above the largest number in use.
    std::optional<std::int32_t> From;
    std::int32_t Step = 10; // at least 1
};

// A node of a plan: the number it is to get, or why it gets none.
struct TPlannedNode {
    enum TSkip {
        kGiven,       // it gets Number
        kKeywordHelp, // F1 on it looks a keyword up: a number would not be used
        kUnknownHelp, // inherited or inline: what its ancestor gives its help is not known here
    };
    const ScannedForm* Form = nullptr; // not owned
    std::size_t Node = 0;              // its place in the form's tree (ScannedForm::Tree)
    std::int32_t Number = 0;
    TSkip Skip = kGiven;
};

// The numbers no plan may give: every HelpContext a node of the forms states (their trees), and with a
// help project every number its map gives an identifier or a text pop-up has.
std::set<std::int32_t> NumbersInUse(const std::vector<const ScannedForm*>& forms, const HelpProject* help);

// The plan over forms read with their trees, form after form in their order, each form's own node
// before its controls in tree order: every node `numbering` asks for whose own help is not set, given
// the next number from `numbering.From` that is not in `inUse`, or listed as skipped. A node whose
// own help is set is left out. Raises Exception (SNoFreeNumber) when the numbers past 2147483647 would
// be needed.
std::vector<TPlannedNode> PlanHelpNumbers(const std::vector<const ScannedForm*>& forms, bool laterVersions,
                                          const std::set<std::int32_t>& inUse,
                                          const THelpNumbering& numbering);

// "Form" for a form's own node, "Form.Control" for another: its names as the form holds them.
std::string PlannedNodeName(const TPlannedNode& node);
