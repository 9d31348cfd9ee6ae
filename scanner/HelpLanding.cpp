#include "scanner/HelpLanding.h"

namespace {

bool HelpSet(std::int32_t number, THelpType type, const TFormString* keyword, bool laterVersions) {
    if (laterVersions && KeywordHelped(type, keyword))
        return keyword && !keyword->Empty();
    return number != 0;
}

} // namespace

// A node made here has the defaults where its text states nothing: HelpContext 0, no keyword, no
// HelpType. A derived node has whatever its ancestor gives, which may be anything: it is known only
// when every value the ancestor could give the properties left out gives the same answer. In a form
// of the first version only the number counts, so a derived node that states it is known; in later
// versions an ancestor's htKeyword may make a stated number count for nothing.
THelpSet HelpSetOn(const TFormNode& node, bool laterVersions) {
    if (!node.Derived()) {
        return HelpSet(node.HelpContext.value_or(0), node.HelpType, node.HelpKeyword.get(), laterVersions)
                   ? THelpSet::kSet
                   : THelpSet::kNotSet;
    }
    static const TFormString kSomeKeyword{false, "keyword", {}};
    const std::int32_t numbers[] = {node.HelpContext.value_or(0),
                                    node.HelpContext ? node.HelpContext.value_or(0) : 1};
    const THelpType types[] = {node.HelpType, THelpType::kContext, THelpType::kKeyword};
    const TFormString* keywords[] = {node.HelpKeyword.get(),
                                     node.HelpKeyword ? node.HelpKeyword.get() : &kSomeKeyword};
    const std::size_t typeCount = node.HelpType == THelpType::kUnstated ? 3 : 1;
    bool anySet = false, anyNotSet = false;
    for (const std::int32_t number : numbers) {
        for (std::size_t type = 0; type < typeCount; ++type) {
            for (const TFormString* keyword : keywords) {
                const bool set = HelpSet(number, types[type], keyword, laterVersions);
                anySet = anySet || set;
                anyNotSet = anyNotSet || !set;
            }
        }
    }
    return anySet && anyNotSet ? THelpSet::kUnknown : anySet ? THelpSet::kSet : THelpSet::kNotSet;
}

// A windowed control's children are the controls it holds: its text nests them in it.
std::vector<std::size_t> FocusableNodes(const TFormTree& tree) {
    std::vector<bool> holdsWindowed(tree.Nodes.size(), false);
    for (const TFormNode& node : tree.Nodes) {
        if (node.Windowed && node.Parent && *node.Parent < holdsWindowed.size())
            holdsWindowed[*node.Parent] = true;
    }
    std::vector<std::size_t> focusable;
    for (std::size_t i = 0; i < tree.Nodes.size(); ++i) {
        if (i == 0 || (tree.Nodes[i].Windowed && !holdsWindowed[i]))
            focusable.push_back(i);
    }
    return focusable;
}

const char* LandingName(TLanding landing) {
    switch (landing) {
        case TLanding::kOwn:
            return "own";
        case TLanding::kContainer:
            return "container";
        case TLanding::kForm:
            return "form";
        case TLanding::kNone:
            return "none";
        case TLanding::kUnknown:
            break;
    }
    return "unknown";
}

// A parent that does not come before its child ends the walk, as the root does: no tree sends it
// round in a circle.
std::vector<TFocusLanding> WhereF1Lands(const TFormTree& tree, bool laterVersions) {
    std::vector<TFocusLanding> landings;
    for (const std::size_t control : FocusableNodes(tree)) {
        TFocusLanding landing{control, TLanding::kNone, std::nullopt};
        for (std::size_t at = control;;) {
            const TFormNode& node = tree.Nodes[at];
            const THelpSet set = HelpSetOn(node, laterVersions);
            if (set == THelpSet::kSet) {
                landing.Lands = at == control ? TLanding::kOwn
                                : at == 0     ? TLanding::kForm
                                              : TLanding::kContainer;
                landing.Via = at;
            } else if (set == THelpSet::kUnknown) {
                landing.Lands = TLanding::kUnknown;
            }
            if (set != THelpSet::kNotSet || !node.Parent || *node.Parent >= at)
                break;
            at = *node.Parent;
        }
        landings.push_back(landing);
    }
    return landings;
}
