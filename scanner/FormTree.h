#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formstream/FormText.h"
#include "runtime/OptionalBox.h"

// A form's whole component tree as its text states it, for the commands that look at every
// component and not only at those with help.

// The HelpType a node states. A form stores it only where it differs from its class's default, which
// is not the same for every class nor known for an inherited object: so a node that states none is
// read by what it has (see KeywordHelped).
enum class THelpType : std::uint8_t { kUnstated, kContext, kKeyword };

// Whether F1 on a node looks a keyword up: it states htKeyword, or it states no HelpType and has a
// keyword (an empty one is none: it is the default, which a form does not store).
inline bool KeywordHelped(THelpType stated, const TFormString* keyword) {
    return stated == THelpType::kKeyword || (stated == THelpType::kUnstated && keyword && !keyword->Empty());
}

// How a component's header brings it in: made on this form ("object"), taken from the form's
// ancestor ("inherited"), or a frame placed on it ("inline"). The last two hold only what differs
// from where they come from: whatever their text leaves out, that ancestor says.
enum class THeaderKind : std::uint8_t { kObject, kInherited, kInline };

struct TFormNode {
    std::string Name; // empty for an unnamed component
    std::string ClassName;
    // The node it is nested in, which comes before it; none for the root, the form itself.
    std::optional<std::size_t> Parent;
    // Its own help properties as its text states them; unstated ones are none (kUnstated).
    OptionalBox<TFormString> HelpKeyword;    // few nodes have one: the size of a pointer
    std::optional<std::int32_t> HelpContext; // 0 included
    THelpType HelpType = THelpType::kUnstated;
    THeaderKind Header = THeaderKind::kObject;
    // A windowed control: its text states TabOrder.
    bool Windowed = false;

    // Whether an ancestor form or frame gives what its text leaves out.
    bool Derived() const { return Header != THeaderKind::kObject; }
    bool operator==(const TFormNode& other) const {
        return Name == other.Name && ClassName == other.ClassName && Parent == other.Parent &&
               Header == other.Header && HelpContext == other.HelpContext && HelpType == other.HelpType &&
               HelpKeyword == other.HelpKeyword && Windowed == other.Windowed;
    }
    bool operator!=(const TFormNode& other) const { return !(*this == other); }
};

// The components in the order their headers come (depth first): the root first, every node after
// its parent.
struct TFormTree {
    std::vector<TFormNode> Nodes;

    bool operator==(const TFormTree& other) const { return Nodes == other.Nodes; }
    bool operator!=(const TFormTree& other) const { return !(*this == other); }
};
