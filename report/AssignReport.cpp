#include "report/AssignReport.h"

#include <set>

namespace {

std::string Counted(std::size_t count, const char* word) {
    return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

} // namespace

std::string PlanLine(const TPlannedNode& node) {
    switch (node.Skip) {
        case TPlannedNode::kGiven:
            break;
        case TPlannedNode::kKeywordHelp:
            return "skipped " + PlannedNodeName(node) + ": keyword help";
        case TPlannedNode::kUnknownHelp:
            const bool inline_ = node.Form->Tree->Nodes[node.Node].Header == THeaderKind::kInline;
            return "skipped " + PlannedNodeName(node) + (inline_ ? ": inline" : ": inherited") +
                   ", ancestor unknown";
    }
    return PlannedNodeName(node) + ": " + std::to_string(node.Number);
}

std::string PlanSummary(std::size_t numbers, std::size_t forms, bool given) {
    return Counted(numbers, "number") + (given ? " given in " : " to give in ") + Counted(forms, "form") +
           "\n";
}

std::string PlanText(const std::vector<TPlannedNode>& plan) {
    std::string text;
    std::size_t numbers = 0;
    std::set<const ScannedForm*> forms;
    for (const TPlannedNode& node : plan) {
        text += PlanLine(node) + "\n";
        if (node.Skip == TPlannedNode::kGiven) {
            ++numbers;
            forms.insert(node.Form);
        }
    }
    return text + PlanSummary(numbers, forms.size(), false);
}
