#include "help/HelpLinks.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string_view>
#include <unordered_map>

#include "help/NameIndex.h"
#include "runtime/Text.h"
#include "runtime/Utf8.h"

namespace {

// An identifier leads to a topic when it has one of its own or its alias reaches one (worked out once
// per alias while the project was read).
bool ReachesTopic(const HelpProject& project, std::string_view id) {
    if (project.Topics.count(AsciiUpperCase(id)) != 0)
        return true;
    const HelpAlias* alias = project.Aliases.Find(id);
    return alias != nullptr && alias->Reaches;
}

} // namespace

std::vector<HelpContextFinding> CheckHelpProject(const std::vector<HelpContextEntry>& entries,
                                                 const HelpProject& project, const std::string& prefix) {
    const std::map<std::int32_t, std::vector<size_t>> holders = EntriesByNumber(entries);
    const std::vector<std::string> identifiers = HelpMapIdentifiers(entries, prefix);
    // Only what the entries ask about is gathered, in one pass over the map: the identifiers of each of
    // their numbers, each once whatever its case, and the numbers of each of their identifiers.
    std::unordered_map<std::int32_t, std::vector<std::string>> idsOf;
    for (const auto& held : holders)
        idsOf[held.first];
    std::vector<std::string_view> names; // the entries' identifiers, each once without regard to case
    std::vector<std::uint32_t> nameOfEntry;
    TNameIndex<true> index;
    const auto nameOf = [&names](std::uint32_t at) { return names[at]; };
    for (const std::string& identifier : identifiers) {
        std::uint32_t at = index.Find(identifier, nameOf);
        if (at == TNameIndex<true>::kNone && !identifier.empty()) {
            at = static_cast<std::uint32_t>(names.size());
            names.push_back(identifier);
            index.Add(at, nameOf);
        }
        nameOfEntry.push_back(at);
    }
    std::vector<std::vector<std::int32_t>> numbersOf(names.size());
    for (const HelpMapping& mapping : project.Map) {
        const std::string_view id = project.IdOf(mapping);
        const auto ids = idsOf.find(mapping.Number);
        if (ids != idsOf.end() &&
            std::none_of(ids->second.begin(), ids->second.end(),
                         [id](const std::string& other) { return EqualIgnoringAsciiCase(other, id); }))
            ids->second.emplace_back(id);
        const std::uint32_t name = index.Find(id, nameOf);
        if (name != TNameIndex<true>::kNone)
            numbersOf[name].push_back(mapping.Number);
    }
    std::vector<HelpContextFinding> findings;
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::int32_t number = entries[i].Number;
        if (number == 0)
            continue;
        const std::vector<size_t>& same = holders.at(number);
        if (same.front() == i && project.TopicNumbers.count(number) == 0) {
            HelpContextFinding finding{HelpContextFinding::kUnmapped, number, {}, {}, 0, i};
            const std::vector<std::string>& ids = idsOf.at(number);
            if (!ids.empty()) {
                finding.What = HelpContextFinding::kNoTopic;
                finding.Ids = ids;
            }
            if (finding.What == HelpContextFinding::kUnmapped ||
                std::none_of(ids.begin(), ids.end(),
                             [&project](const std::string& id) { return ReachesTopic(project, id); })) {
                finding.Nodes = same;
                findings.push_back(finding);
            }
        }
        const std::uint32_t name = nameOfEntry[i];
        if (name != TNameIndex<true>::kNone && !numbersOf[name].empty() &&
            std::find(numbersOf[name].begin(), numbersOf[name].end(), number) == numbersOf[name].end()) {
            findings.push_back(HelpContextFinding{
                HelpContextFinding::kStale, number, {i}, {identifiers[i]}, numbersOf[name].front(), i});
        }
    }
    return findings;
}

namespace {

// The keyword F1 looks up on the entry, or nothing.
const TFormString* AskedKeyword(const HelpContextEntry& entry) {
    const bool asks = KeywordHelped(entry.StatedType, entry.Keyword);
    return asks && entry.Keyword && !entry.Keyword->Empty() ? &*entry.Keyword : nullptr;
}

} // namespace

bool AsksForKeywords(const std::vector<HelpContextEntry>& entries) {
    return std::any_of(entries.begin(), entries.end(),
                       [](const HelpContextEntry& entry) { return AskedKeyword(entry) != nullptr; });
}

std::vector<HelpContextFinding> CheckKeywords(const std::vector<HelpContextEntry>& entries,
                                              const HelpProject& project) {
    std::vector<HelpContextFinding> findings;
    std::map<std::string, std::size_t> findingOf; // by the keyword case-folded
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (AskedKeyword(entries[i]) == nullptr)
            continue;
        const std::string folded = CaseFolded(entries[i].KeywordUtf8());
        if (project.Keywords.count(folded) != 0)
            continue;
        const auto [at, isNew] = findingOf.emplace(folded, findings.size());
        if (isNew)
            findings.push_back(HelpContextFinding{HelpContextFinding::kNoKeyword, 0, {}, {}, 0, i});
        findings[at->second].Nodes.push_back(i);
    }
    return findings;
}
