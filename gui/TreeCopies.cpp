#include "gui/TreeCopies.h"

#include <algorithm>
#include <vector>

#include "help/HelpEntries.h"
#include "report/MapReport.h"
#include "report/ScanReport.h"

std::optional<std::string> HelpMapLine(const ScanResult& shown, TNodeId node) {
    if (!NodeSettings(shown, node))
        return std::nullopt;
    const ScannedForm* form = &shown.Forms[node.Form];
    // The map holds a file listed twice once: its entries are those of the form's first listing.
    const std::vector<const ScannedForm*> forms = FormsOnce(shown);
    const auto first = std::find_if(forms.begin(), forms.end(), [form](const ScannedForm* candidate) {
        return candidate == form || (!form->Identity.empty() && candidate->Identity == form->Identity);
    });
    if (first == forms.end())
        return std::nullopt;
    const std::vector<HelpContextEntry> entries = HelpNodes(forms, shown.LaterVersions);
    const auto entry = std::find_if(entries.begin(), entries.end(), [&](const HelpContextEntry& candidate) {
        const bool sameNode = candidate.SourceComponent
                                  ? !node.IsForm() && *candidate.SourceComponent == node.Component
                                  : node.IsForm();
        return candidate.Source == *first && sameNode && candidate.Number != 0;
    });
    if (entry == entries.end())
        return std::nullopt;
    const std::vector<std::string> identifiers = HelpMapIdentifiers(entries, kDefaultHelpPrefix);
    return MapLine(identifiers[static_cast<std::size_t>(entry - entries.begin())], entry->Number);
}

std::string TreeText(const ScanResult& shown) {
    return ScanText(shown, "\r\n", true);
}
