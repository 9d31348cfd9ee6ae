#include "help/HelpEntries.h"

#include <set>

#include "runtime/Text.h"

namespace {

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

std::string HelpContextEntry::KeywordText() const {
    if (!Keyword || !Keyword->Wide)
        return Keyword ? Keyword->Bytes : std::string();
    return KeywordUtf8();
}

std::string HelpContextEntry::KeywordUtf8() const {
    return Keyword && Source != nullptr ? Source->KeywordUtf8(*Keyword) : std::string();
}

std::vector<HelpContextEntry> HelpNodes(const std::vector<const ScannedForm*>& forms, bool laterVersions) {
    std::vector<HelpContextEntry> entries;
    const auto add = [&](const ScannedForm* form, std::optional<std::size_t> component, TNodeShows shows,
                         THelpType stated, std::optional<std::int32_t> number, const TFormString* keyword) {
        const bool keywordSettings = laterVersions && (stated != THelpType::kUnstated || keyword);
        if (shows.Number.value_or(0) == 0 && !keywordSettings)
            return;
        HelpContextEntry entry;
        entry.Form = form->Name;
        if (component)
            entry.Component = form->Components[*component].Name;
        entry.Number = shows.Number.value_or(0);
        entry.File = form->Listed;
        entry.Encoding = form->Encoding;
        entry.Source = form;
        entry.SourceComponent = component;
        if (laterVersions) {
            entry.StatedType = stated;
            entry.SetNumber = number;
            entry.Keyword = keyword;
        }
        entries.push_back(std::move(entry));
    };
    for (const ScannedForm* form : forms) {
        add(form, std::nullopt, form->Shows(laterVersions), form->StatedType, form->Number,
            form->Keyword.get());
        for (std::size_t i = 0; i < form->Components.size(); ++i) {
            const ScannedComponent& component = form->Components[i];
            add(form, i, component.Shows(laterVersions), component.StatedType,
                component.Number != 0 ? std::optional<std::int32_t>(component.Number) : std::nullopt,
                component.Keyword.get());
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
        if (entry.Number == 0) {
            identifiers.emplace_back();
            continue;
        }
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
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].Number != 0)
            holders[entries[i].Number].push_back(i);
    }
    return holders;
}
