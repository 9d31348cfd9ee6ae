#include <algorithm>
#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/ProjectScan.h"
#include "help/HelpNumberPlan.h"
#include "help/HelpProject.h"
#include "report/AssignReport.h"
#include "report/CheckReport.h"
#include "runtime/Exceptions.h"
#include "scanner/HelpContextWriter.h"

namespace {

// The value of a numeric option: a whole number from 1 to 2147483647.
std::optional<std::int32_t> Positive(const Arguments& args, const std::string& option) {
    if (!args.Has(option))
        return std::nullopt;
    const std::string value = args.Value(option, "");
    const bool digits = !value.empty() && value.size() <= 10 &&
                        std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
    const long long number = digits ? std::stoll(value) : 0;
    if (number < 1 || number > INT32_MAX)
        throw UsageError(option + " takes a number from 1 to 2147483647, not '" + value + "'");
    return static_cast<std::int32_t>(number);
}

// Writes the numbers the plan gives each form, form by form: a form that cannot be written is named
// on standard error and left as it was, and the others are written. Each form's lines are printed once
// it is written; a skipped node's line in any case. True when every form was written.
bool WritePlan(const std::vector<TPlannedNode>& plan, const std::string& project, bool anyVersion) {
    THelpContextWriter writer(project, anyVersion);
    bool allWritten = true;
    std::size_t numbers = 0, forms = 0;
    for (auto begin = plan.begin(); begin != plan.end();) {
        const auto end = std::find_if(begin, plan.end(),
                                      [&](const TPlannedNode& node) { return node.Form != begin->Form; });
        std::vector<THelpContextSetting> settings;
        for (auto node = begin; node != end; ++node) {
            if (node->Skip == TPlannedNode::kGiven)
                settings.push_back({node->Node, node->Number});
        }
        bool written = settings.empty();
        if (!written) {
            try {
                writer.Write(*begin->Form, settings);
                written = true;
                numbers += settings.size();
                ++forms;
            } catch (...) {
                ReportError(NoticeText(
                    Notice{Notice::kError, begin->Form->Listed, 0, ErrorMessage(std::current_exception())}));
                allWritten = false;
            }
        }
        std::string lines;
        for (auto node = begin; node != end; ++node) {
            if (written || node->Skip != TPlannedNode::kGiven)
                lines += PlanLine(*node) + "\n";
        }
        WriteOut(lines);
        begin = end;
    }
    WriteOut(PlanSummary(numbers, forms, true));
    return allWritten;
}

} // namespace

// The plan needs every number in use: a scan that failed, or a help project that could not be read,
// ends the command before anything is planned or written.
int AssignCommand(const Arguments& args) {
    THelpNumbering numbering;
    numbering.Controls = args.Has("--controls");
    numbering.Forms = args.Has("--forms") || !numbering.Controls;
    numbering.From = Positive(args, "--from");
    numbering.Step = Positive(args, "--step").value_or(numbering.Step);
    const bool withHelp = args.Has("--help-project");
    const std::string helpFile = args.Value("--help-project", "");
    if (withHelp && HelpProjectKindOf(helpFile) == HelpProjectKind::kNone)
        throw UsageError("a help project is a .hhp or .hpj file: '" + helpFile + "'");
    HelpProjectReading help;
    if (withHelp) {
        help = ReadHelpProject(helpFile);
        const auto error = std::find_if(help.Notices.begin(), help.Notices.end(),
                                        [](const Notice& notice) { return notice.What == Notice::kError; });
        ReportNotices(std::vector<Notice>(help.Notices.begin(), error));
        if (error != help.Notices.end())
            return Fail(NoticeText(*error));
    }

    const ScanResult result = ScanProject(args, true);
    ReportNotices(result.Notices);
    if (result.Failure)
        return ScanExitCode(result);
    const std::vector<const ScannedForm*> forms = FormsOnce(result);
    const std::vector<TPlannedNode> plan = PlanHelpNumbers(
        forms, result.LaterVersions, NumbersInUse(forms, withHelp ? &help.Project : nullptr), numbering);
    if (!args.Has("--write")) {
        PlanText(plan, WriteOut);
        return kExitSuccess;
    }
    return WritePlan(plan, args.Operands()[0], result.LaterVersions) ? kExitSuccess : kExitFailure;
}
