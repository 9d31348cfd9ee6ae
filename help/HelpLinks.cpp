#include "help/HelpLinks.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>

#include "runtime/Text.h"
#include "runtime/Utf8.h"

namespace {

// Where the identifiers of a help project lead.
class Links {
public:
    explicit Links(const HelpProject& project) : project_(project) {
        for (const HelpAlias& alias : project.Aliases)
            aliases_.emplace(AsciiUpperCase(alias.Id), &alias);
    }

    // An HTML project: an alias to a topic file that is there, or a text pop-up. A classic one: the
    // alias chain from the identifier reaches a "#" footnote before it ends or loops.
    bool ReachesTopic(const std::string& id) const {
        std::string at = AsciiUpperCase(id);
        if (project_.Topics.count(at) != 0)
            return true;
        if (project_.Kind == HelpProjectKind::kHtml) {
            const auto alias = aliases_.find(at);
            return alias != aliases_.end() && alias->second->TargetFound;
        }
        std::set<std::string> seen;
        while (seen.insert(at).second) {
            if (project_.Topics.count(at) != 0)
                return true;
            const auto next = aliases_.find(at);
            if (next == aliases_.end())
                return false;
            at = AsciiUpperCase(next->second->Target);
        }
        return false;
    }

private:
    const HelpProject& project_;
    std::map<std::string, const HelpAlias*> aliases_;
};

} // namespace

std::vector<HelpContextFinding> CheckHelpProject(const std::vector<HelpContextEntry>& entries,
                                                 const HelpProject& project, const std::string& prefix) {
    // The identifiers of each number, each once whatever its case; the numbers of each identifier.
    std::map<std::int32_t, std::vector<std::string>> idsOf;
    std::map<std::string, std::vector<std::int32_t>> numbersOf;
    for (const HelpMapping& mapping : project.Map) {
        std::vector<std::string>& ids = idsOf[mapping.Number];
        if (std::none_of(ids.begin(), ids.end(), [&mapping](const std::string& other) {
                return EqualIgnoringAsciiCase(other, mapping.Id);
            }))
            ids.push_back(mapping.Id);
        numbersOf[AsciiUpperCase(mapping.Id)].push_back(mapping.Number);
    }
    const Links links(project);
    const std::map<std::int32_t, std::vector<size_t>> holders = EntriesByNumber(entries);
    const std::vector<std::string> identifiers = HelpMapIdentifiers(entries, prefix);
    std::vector<HelpContextFinding> findings;
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::int32_t number = entries[i].Number;
        if (number == 0)
            continue;
        const std::vector<size_t>& same = holders.at(number);
        if (same.front() == i && project.TopicNumbers.count(number) == 0) {
            HelpContextFinding finding{HelpContextFinding::kUnmapped, number, {}, {}, 0, i};
            const auto mapped = idsOf.find(number);
            if (mapped != idsOf.end()) {
                finding.What = HelpContextFinding::kNoTopic;
                finding.Ids = mapped->second;
            }
            if (finding.What == HelpContextFinding::kUnmapped ||
                std::none_of(finding.Ids.begin(), finding.Ids.end(),
                             [&links](const std::string& id) { return links.ReachesTopic(id); })) {
                finding.Nodes = same;
                findings.push_back(finding);
            }
        }
        const auto help = numbersOf.find(AsciiUpperCase(identifiers[i]));
        if (help != numbersOf.end() &&
            std::find(help->second.begin(), help->second.end(), number) == help->second.end()) {
            findings.push_back(HelpContextFinding{
                HelpContextFinding::kStale, number, {i}, {identifiers[i]}, help->second.front(), i});
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
