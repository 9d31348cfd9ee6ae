#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "scanner/FormTree.h"

// Where F1 lands: the framework asks the control with the focus for its help; a control whose help is
// not set passes the question to the control it is nested in, and so on up to the form.

// Whether a node's own help is set: a HelpContext other than 0 or, where keyword help exists (later
// versions) and the node uses it (KeywordHelped: a stated htKeyword, or no HelpType and a keyword), a
// keyword that is not empty. kUnknown for a derived node (Derived) when the answer depends on what its
// ancestor gives the help properties its text leaves out.
enum class THelpSet { kSet, kNotSet, kUnknown };
THelpSet HelpSetOn(const TFormNode& node, bool laterVersions);

// The nodes a user can give the focus to, in tree order: the form (the root), and each windowed node
// that holds no windowed node as its child.
std::vector<std::size_t> FocusableNodes(const TFormTree& tree);

enum class TLanding {
    kOwn,       // its own help is set
    kContainer, // the help of the nearest node it is nested in whose help is set, not the form
    kForm,      // the form's help
    kNone,      // no node on the way up to the form, the form included, has help set
    kUnknown,   // on the way up, before any node with help set, a derived node whose help is not known
};

// "own", "container", "form", "none", "unknown".
const char* LandingName(TLanding landing);

struct TFocusLanding {
    std::size_t Control = 0; // the focusable node
    TLanding Lands = TLanding::kNone;
    std::optional<std::size_t> Via; // the node whose help F1 reaches; none for kNone and kUnknown
};

// For each focusable node, in tree order: the walk from it up through the nodes it is nested in,
// stopping at the first whose help is set (HelpSetOn kSet: it lands there) or not known (kUnknown:
// it lands nowhere that can be told). A node inside a derived node therefore is unknown only when
// nothing from it up to that node sets help, and a derived node that states its help (a number
// other than 0, say, in a form of the first version) is as known as any.
std::vector<TFocusLanding> WhereF1Lands(const TFormTree& tree, bool laterVersions);
