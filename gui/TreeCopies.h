#pragma once

#include <optional>
#include <string>

#include "scanner/ShownTree.h"

// What the tree's shortcut menu copies, made from the result the tree shows by the core's own rules,
// so that it reads as `quorvel-cli` writes it. Texts are UTF-8, names converted from their forms' code
// page as the tree view shows them.

// The node's line of `quorvel-cli map` ("#define IDH_Form1_Button1 1001"), made as the map makes it:
// over each form file once, with the default prefix (a repeated identifier gets _2, _3, ...). None for a
// node without a number F1 uses, or outside the result.
std::optional<std::string> HelpMapLine(const ScanResult& shown, TNodeId node);

// The whole tree as `quorvel-cli scan` prints it, every line ending in CR LF.
std::string TreeText(const ScanResult& shown);
