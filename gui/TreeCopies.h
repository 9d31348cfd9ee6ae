#pragma once

#include "scanner/ResultTree.h"

#include <cstddef>
#include <optional>
#include <string>

// What the tree's shortcut menu copies, made from the tree shown as data by the core's own rules, so
// that it reads as `quorvel-cli` writes it. Texts are UTF-8, names converted from the system's code page
// as the tree view shows them.

// A node of the tree by its places: the form's among the roots, a component's among the form's children.
struct TShownNode {
    std::size_t Form = 0;
    std::optional<std::size_t> Component;
};

// The prefix of the help map's identifiers when none is asked for, as in `quorvel-cli map`.
inline constexpr char kHelpMapPrefix[] = "IDH_";

// The node's line of `quorvel-cli map`, "#define IDH_Form1_Button1 1001", its identifier made over the
// whole tree (a repeated one gets _2, _3, ...); none for a node without a number or outside the tree.
std::optional<std::string> HelpMapLine(const TMemoryTree& tree, TShownNode node);

// The whole tree as `quorvel-cli scan` prints it, every line ending in CR LF.
std::string ScanText(const TMemoryTree& tree);
