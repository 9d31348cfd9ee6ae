#include "gui/TreeCopies.h"

#include <algorithm>
#include <vector>

#include "help/HelpEntries.h"
#include "report/MapReport.h"
#include "report/ScanReport.h"

namespace {

// The form shown at `place`, or none.
const ScannedForm* ShownForm(const ScanResult& shown, std::size_t place) {
    for (const ScannedForm& form : shown.Forms) {
        if (form.Shown(shown.LaterVersions) && place-- == 0)
            return &form;
    }
    return nullptr;
}

} // namespace

std::optional<std::string> HelpMapLine(const ScanResult& shown, TShownNode node) {
    const ScannedForm* form = ShownForm(shown, node.Form);
    if (form == nullptr || (node.Component && *node.Component >= form->Components.size()))
        return std::nullopt;
    // The map holds a file listed twice once: its entries are those of the form's first listing.
    const std::vector<const ScannedForm*> forms = FormsOnce(shown);
    const auto first = std::find_if(forms.begin(), forms.end(), [form](const ScannedForm* candidate) {
        return candidate == form || (!form->Identity.empty() && candidate->Identity == form->Identity);
    });
    const std::vector<HelpContextEntry> entries = HelpNodes(forms, shown.LaterVersions);
    const auto entry = std::find_if(entries.begin(), entries.end(), [&](const HelpContextEntry& candidate) {
        return first != forms.end() && candidate.Source == *first &&
               candidate.SourceComponent == node.Component && candidate.Number != 0;
    });
    if (entry == entries.end())
        return std::nullopt;
    const std::vector<std::string> identifiers = HelpMapIdentifiers(entries, kDefaultHelpPrefix);
    return MapLine(identifiers[static_cast<std::size_t>(entry - entries.begin())], entry->Number);
}

std::string TreeText(const ScanResult& shown) {
    return ScanText(shown, "\r\n", true);
}
