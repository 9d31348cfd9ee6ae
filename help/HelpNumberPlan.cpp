#include "help/HelpNumberPlan.h"

#include <algorithm>
#include <limits>
#include <string>

#include "runtime/Exceptions.h"
#include "runtime/Messages.h"
#include "scanner/HelpLanding.h"

namespace {

constexpr std::int64_t kRound = 100;
constexpr std::int64_t kLargest = std::numeric_limits<std::int32_t>::max();

// The nodes of a form the numbering asks for, in order: its own, then its focusable controls.
std::vector<std::size_t> AskedFor(const TFormTree& tree, const THelpNumbering& numbering) {
    std::vector<std::size_t> nodes;
    if (numbering.Forms && !tree.Nodes.empty())
        nodes.push_back(0);
    if (numbering.Controls) {
        for (const std::size_t node : FocusableNodes(tree)) {
            if (node != 0)
                nodes.push_back(node);
        }
    }
    return nodes;
}

} // namespace

std::set<std::int32_t> NumbersInUse(const std::vector<const ScannedForm*>& forms, const HelpProject* help) {
    std::set<std::int32_t> numbers;
    for (const ScannedForm* form : forms) {
        if (!form->Tree)
            continue;
        for (const TFormNode& node : form->Tree->Nodes) {
            if (node.HelpContext)
                numbers.insert(*node.HelpContext);
        }
    }
    if (help) {
        for (const HelpMapping& mapping : help->Map)
            numbers.insert(mapping.Number);
        numbers.insert(help->TopicNumbers.begin(), help->TopicNumbers.end());
    }
    return numbers;
}

// A node keyword help leaves without help is skipped before its ancestor is asked about: a number
// would not help it whatever the ancestor gives.
std::vector<TPlannedNode> PlanHelpNumbers(const std::vector<const ScannedForm*>& forms, bool laterVersions,
                                          const std::set<std::int32_t>& inUse,
                                          const THelpNumbering& numbering) {
    const std::int64_t largest = inUse.empty() ? 0 : std::max<std::int64_t>(*inUse.rbegin(), 0);
    const std::int64_t from = numbering.From ? *numbering.From : (largest / kRound + 1) * kRound;
    const std::int64_t step = std::max<std::int32_t>(numbering.Step, 1);
    std::int64_t next = from;
    // The numbers only grow, so the numbers in use are passed over once, in order.
    auto used = inUse.lower_bound(static_cast<std::int32_t>(std::min(from, kLargest)));
    std::vector<TPlannedNode> plan;
    for (const ScannedForm* form : forms) {
        if (!form->Tree)
            continue;
        for (const std::size_t node : AskedFor(*form->Tree, numbering)) {
            const TFormNode& at = form->Tree->Nodes[node];
            const THelpSet set = HelpSetOn(at, laterVersions);
            if (set == THelpSet::kSet)
                continue;
            TPlannedNode planned{form, node, 0, TPlannedNode::kGiven};
            const TFormString* keyword = at.HelpKeyword.get();
            if (laterVersions && KeywordHelped(at.HelpType, keyword)) {
                planned.Skip = TPlannedNode::kKeywordHelp;
            } else if (set == THelpSet::kUnknown) {
                planned.Skip = TPlannedNode::kUnknownHelp;
            } else {
                for (; next <= kLargest; next += step) {
                    while (used != inUse.end() && *used < next)
                        ++used;
                    if (used == inUse.end() || *used != next)
                        break;
                }
                if (next > kLargest)
                    throw Exception(SNoFreeNumber,
                                    {std::to_string(from), std::to_string(step), PlannedNodeName(planned)});
                planned.Number = static_cast<std::int32_t>(next);
                next += step;
            }
            plan.push_back(planned);
        }
    }
    return plan;
}

std::string PlannedNodeName(const TPlannedNode& node) {
    const ScannedForm& form = *node.Form;
    return node.Node == 0 || !form.Tree ? form.Name : form.Name + "." + form.Tree->Nodes[node.Node].Name;
}
