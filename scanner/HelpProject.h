#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scanner/HelpMap.h"

// What a help project says about context numbers: the identifiers its [MAP] gives numbers, where its
// [ALIAS] sends them, and (in a classic project) which identifiers its topic files define. The checks
// compare that with the numbers the forms hold, so that a help key that lands nowhere shows up before
// a release rather than in front of a user.

enum class HelpProjectKind { kNone, kHtml, kClassic };

// ".hhp" an HTML help project, ".hpj" a classic one (letter case ignored); kNone for any other name.
HelpProjectKind HelpProjectKindOf(const std::string& fileName);

struct HelpProject {
    HelpProjectKind Kind = HelpProjectKind::kHtml;
    // The folder part of the project's name, topic files and aliases being relative to it.
    std::string Folder;
    // [MAP], and the #define lines of the headers it includes, in the order read; identifiers as
    // written.
    std::vector<std::pair<std::string, std::int32_t>> Map;
    // [ALIAS]: identifier and target (a topic file in an HTML project, its "#anchor" dropped; another
    // identifier in a classic one).
    std::vector<std::pair<std::string, std::string>> Aliases;
    // Classic projects: the identifiers, in upper case, that a "#" footnote of a [FILES] topic
    // defines.
    std::set<std::string> Topics;
};

// A file of the help project that could not be read, with the name it was opened by.
using HelpFileFailure = std::function<void(const std::string& name, const std::exception& error)>;

// Reads a help project of either kind with the files it includes and (classic) its topic files.
// A file that cannot be read raises its error ("Cannot open file X"), unless `onFailure` is set:
// then it is reported there and the project is read without it. False when the project file itself
// could not be read (and was reported).
bool ReadHelpProject(const std::string& fileName, HelpProject& project, const HelpFileFailure& onFailure);

// The identifiers, in upper case, that "#" footnotes of an RTF topic file define.
std::set<std::string> RtfTopicIds(std::string_view rtf);

// Every entry's number checked against the help project: unmapped, no-topic and stale findings,
// their FirstEntry set. `fileExists` answers for the HTML project's topic files.
std::vector<HelpContextFinding> CheckHelpProject(const std::vector<HelpContextEntry>& entries,
                                                 const HelpProject& project, const std::string& prefix,
                                                 const std::function<bool(const std::string&)>& fileExists);

// Findings of several checks over the same entries as one report, in order of their first node (at
// one node, in the order given).
std::vector<HelpContextFinding> MergeFindings(std::vector<HelpContextFinding> first,
                                              const std::vector<HelpContextFinding>& second);
