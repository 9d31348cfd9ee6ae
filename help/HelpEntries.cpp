#include "help/HelpEntries.h"

#include <set>

namespace {

bool IsIdentifierChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

std::string Sanitised(std::string text) {
    for (char& c : text) {
        if (!IsIdentifierChar(c))
            c = '_';
    }
    return text;
}

} // namespace

std::string HelpContextEntry::NodeName() const {
    return Component ? Form + "." + *Component : Form;
}

std::string HelpContextEntry::NodeNameUtf8() const {
    return Component ? Encoding.ToUtf8(Form) + "." + Encoding.ToUtf8(*Component) : Encoding.ToUtf8(Form);
}

std::vector<HelpContextEntry> NumberedNodes(const std::vector<const ScannedForm*>& forms) {
    std::vector<HelpContextEntry> entries;
    for (const ScannedForm* form : forms) {
        if (form->Number.value_or(0) != 0)
            entries.push_back(
                {form->Name, std::nullopt, *form->Number, form->Listed, form->Encoding, form, {}});
        for (std::size_t i = 0; i < form->Components.size(); ++i) {
            const ScannedComponent& component = form->Components[i];
            entries.push_back(
                {form->Name, component.Name, component.Number, form->Listed, form->Encoding, form, i});
        }
    }
    return entries;
}

std::vector<std::string> HelpMapIdentifiers(const std::vector<HelpContextEntry>& entries,
                                            const std::string& prefix) {
    std::vector<std::string> identifiers;
    std::set<std::string> taken;
    // The suffix each repeated identifier tried last: the ones below it stay taken.
    std::map<std::string, int> lastSuffix;
    for (const HelpContextEntry& entry : entries) {
        const std::string base =
            Sanitised(prefix + entry.Form + (entry.Component ? "_" + *entry.Component : std::string()));
        std::string identifier = base;
        if (taken.count(identifier) != 0) {
            int& suffix = lastSuffix.emplace(base, 1).first->second;
            do
                identifier = base + "_" + std::to_string(++suffix);
            while (taken.count(identifier) != 0);
        }
        taken.insert(identifier);
        identifiers.push_back(identifier);
    }
    return identifiers;
}

std::map<std::int32_t, std::vector<std::size_t>>
EntriesByNumber(const std::vector<HelpContextEntry>& entries) {
    std::map<std::int32_t, std::vector<std::size_t>> holders;
    for (std::size_t i = 0; i < entries.size(); ++i)
        holders[entries[i].Number].push_back(i);
    return holders;
}
