#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "scanner/ScanResult.h"

// What the tree's shortcut menu copies, made from the result the tree shows by the core's own rules,
// so that it reads as `quorvel-cli` writes it. Texts are UTF-8, names converted from their forms' code
// page as the tree view shows them.

// A node of the tree by its places: the form's among the forms shown, a component's among the form's.
struct TShownNode {
    std::size_t Form = 0;
    std::optional<std::size_t> Component;
};

// The node's line of `quorvel-cli map` ("#define IDH_Form1_Button1 1001"), made as the map makes it:
// over each form file once, with the default prefix (a repeated identifier gets _2, _3, ...). None for a
// node without a number or outside the tree.
std::optional<std::string> HelpMapLine(const ScanResult& shown, TShownNode node);

// The whole tree as `quorvel-cli scan` prints it, every line ending in CR LF.
std::string TreeText(const ScanResult& shown);
