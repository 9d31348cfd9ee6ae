#include "help/CoverageCheck.h"

#include "scanner/HelpLanding.h"

std::vector<HelpContextFinding> CheckCoverage(const std::vector<const ScannedForm*>& forms,
                                              const std::vector<HelpContextEntry>& entries,
                                              bool laterVersions) {
    std::vector<HelpContextFinding> findings;
    std::size_t entry = 0;
    for (const ScannedForm* form : forms) {
        while (entry < entries.size() && entries[entry].Source == form)
            ++entry;
        if (!form->Tree)
            continue;
        HelpContextFinding finding;
        finding.What = HelpContextFinding::kNoHelp;
        finding.FirstEntry = entry;
        finding.Form = form;
        for (const TFocusLanding& landing : WhereF1Lands(*form->Tree, laterVersions)) {
            if (landing.Lands == TLanding::kNone)
                finding.Controls.push_back(landing.Control);
        }
        if (!finding.Controls.empty())
            findings.push_back(std::move(finding));
    }
    return findings;
}
