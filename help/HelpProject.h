#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "help/Expression.h"
#include "help/NameIndex.h"
#include "runtime/Notice.h"

// What a help project says about context numbers: the identifiers its [MAP] gives numbers, where its
// [ALIAS] sends them, and which identifiers have a topic of their own. The link checks compare that
// with the numbers the forms hold, so that a help key that lands nowhere shows up before a release
// rather than in front of a user.
//
// Help projects are read as the help compilers and the C preprocessor read them: section names and
// identifiers without regard to case, file names as Windows finds them (os::FileLocator), "#include"
// relative to the including file and then to the help project, "#if" blocks and macros, every text
// encoding and line end of help/HelpText.h, and ";" comments at the end of any line.
//
// Hostile or broken projects cost what their files cost: every file is a regular file within
// kMaxProjectFileBytes, read once however often it is named (a header included again adds nothing
// new, as if it guarded itself), includes nest at most kMaxIncludeDepth deep, a reading takes at most
// kMaxIdentifiers identifiers and aliases, macros expand within one budget a reading, and alias chains
// are followed once. What a bound cuts off is not read and says so, once.

enum class HelpProjectKind { kNone, kHtml, kClassic };

// ".hhp" an HTML help project, ".hpj" a classic one (letter case ignored); kNone for any other name.
HelpProjectKind HelpProjectKindOf(const std::string& fileName);

// Files including one another deeper than this are no help project.
constexpr std::size_t kMaxIncludeDepth = 200;
// A reading takes at most this many identifiers into its map, and as many aliases: many times the
// largest real help project, and a bound on the memory of one built to be large.
constexpr std::size_t kMaxIdentifiers = std::size_t{1} << 21;

// One definition of an identifier's number. An identifier may have several: a generated map gives
// many command numbers one topic.
struct HelpMapping {
    std::uint32_t Id = 0; // as written, by its place among the project's Macros (HelpProject::IdOf)
    std::int32_t Number = 0;
};

// An [ALIAS] entry: an identifier and where it leads.
struct HelpAlias {
    std::string Id; // as written
    // Its target, by its place among the project's AliasTargets.
    std::uint32_t Target = 0;
    // Whether it leads to a topic. HTML projects: the topic file is there (or lies in another compiled
    // file or on the web, where it cannot be looked at, and is taken as there). Classic ones: the chain
    // of aliases from it reaches a "#" footnote before it ends or loops.
    bool Reaches = false;
};

// The first [ALIAS] entry of each identifier, in the order read, found by identifier without regard
// to case.
class HelpAliases {
public:
    // The entry of `id`, or nullptr.
    const HelpAlias* Find(std::string_view id) const;
    // Adds `alias` unless its identifier has an entry; the place of the entry that holds.
    std::uint32_t Add(HelpAlias alias, bool& added);
    // Room for `count` entries, so that a large [ALIAS] is not copied as it grows.
    void Reserve(std::size_t count) { entries_.reserve(count); }
    std::vector<HelpAlias>& Entries() { return entries_; }
    const std::vector<HelpAlias>& Entries() const { return entries_; }

private:
    std::vector<HelpAlias> entries_;
    TNameIndex<true> index_;
};

struct HelpProject {
    HelpProjectKind Kind = HelpProjectKind::kHtml;
    // The folder part of the project's name, which its files are relative to.
    std::string Folder;
    // Every definition in the order read: [MAP] lines and the headers they include.
    std::vector<HelpMapping> Map;
    // The macros the map defined, whose names the mappings name: a help map's identifiers, each spelling
    // kept once however many lines give it a number.
    MacroTable Macros;
    std::string_view IdOf(const HelpMapping& mapping) const { return Macros.Name(mapping.Id); }
    HelpAliases Aliases;
    // What the aliases lead to, each once: HTML projects the topic file as written, its "#anchor"
    // dropped; classic ones another identifier.
    std::vector<std::string> AliasTargets;
    // Identifiers, in upper case, with a topic of their own: a classic project's "#" footnotes, an
    // HTML project's text pop-ups.
    std::set<std::string> Topics;
    // Numbers with a text pop-up of their own (".topic 1001").
    std::set<std::int32_t> TopicNumbers;
    // The keywords of its index, case-folded (CaseFolded): a classic project's "K" footnotes; an HTML
    // project's once ReadKeywordIndex has read them.
    std::set<std::string> Keywords;

    // A file the project names, with the line that names it.
    struct NamedFile {
        std::string Name;
        int Line = 0;
    };
    // HTML projects: the index file ([OPTIONS] "Index file="), and the topic files of [FILES], whose
    // keyword objects index them too.
    std::optional<NamedFile> IndexFile;
    std::vector<NamedFile> TopicFiles;
};

struct HelpProjectReading {
    HelpProject Project;
    // False when the project file itself could not be read: its error is the last notice, and the
    // project is empty.
    bool Read = false;
    // Warnings (a named file that is not there, a repeated [ALIAS] key, a value outside 32 bits, a
    // broken directive, a bound that cut something off) and errors (a file that is there and cannot be
    // read, is no regular file or is too large; reading goes on without it), each naming the file and
    // line that caused it. Of many notices of one kind the first few are kept, the next one telling
    // how many more there were.
    std::vector<Notice> Notices;
    // The work done, which the bounds keep to the size of the files: files read, and the tokens macros
    // were replaced by.
    std::size_t FilesRead = 0;
    std::uint64_t Replacements = 0;
};

// Reads the help project `fileName` with the files it names.
HelpProjectReading ReadHelpProject(const std::string& fileName);

// Reads the keyword index of an HTML project into its Keywords: the index file's entries and the
// keyword objects of its topic files; a file not there is a warning, one that cannot be read an error,
// among the reading's notices. (It is read only when some form asks for a keyword: a project whose
// forms have none need not have its topics at hand.) A classic project's keywords are read with it.
void ReadKeywordIndex(const std::string& fileName, HelpProjectReading& reading);
