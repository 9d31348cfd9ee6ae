#include "report/AssignReport.h"

namespace {

std::string Counted(std::size_t count, const char* word) {
    return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

} // namespace

void AppendPlanLine(std::string& text, const TPlannedNode& node) {
    const ScannedForm& form = *node.Form;
    if (node.Skip != TPlannedNode::kGiven)
        text.append("skipped ");
    text.append(form.Name);
    if (node.Node != 0 && form.Tree)
        text.append(".").append(form.Tree->Nodes[node.Node].Name);
    switch (node.Skip) {
        case TPlannedNode::kGiven:
            text.append(": ").append(std::to_string(node.Number));
            break;
        case TPlannedNode::kKeywordHelp:
            text.append(": keyword help");
            break;
        case TPlannedNode::kUnknownHelp: {
            const bool frame = form.Tree && form.Tree->Nodes[node.Node].Header == THeaderKind::kInline;
            text.append(frame ? ": inline" : ": inherited").append(", ancestor unknown");
            break;
        }
    }
}

std::string PlanLine(const TPlannedNode& node) {
    std::string line;
    AppendPlanLine(line, node);
    return line;
}

std::string PlanSummary(std::size_t numbers, std::size_t forms, bool given) {
    return Counted(numbers, "number") + (given ? " given in " : " to give in ") + Counted(forms, "form") +
           "\n";
}

// The plan holds each form's nodes together: a form is counted where the given nodes' form changes.
void PlanText(const std::vector<TPlannedNode>& plan, const TTextSink& sink) {
    TTextPieces pieces(sink);
    std::size_t numbers = 0, forms = 0;
    const ScannedForm* lastForm = nullptr;
    for (const TPlannedNode& node : plan) {
        AppendPlanLine(pieces.Text(), node);
        pieces.Text() += '\n';
        if (node.Skip == TPlannedNode::kGiven) {
            ++numbers;
            forms += node.Form != lastForm ? 1 : 0;
            lastForm = node.Form;
        }
        pieces.PieceDone();
    }
    pieces.Text() += PlanSummary(numbers, forms, false);
    pieces.Flush();
}

std::string PlanText(const std::vector<TPlannedNode>& plan) {
    return WholeText([&](const TTextSink& sink) { PlanText(plan, sink); });
}
