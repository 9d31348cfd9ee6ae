#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "runtime/Notice.h"

// What a help project says about context numbers: the identifiers its [MAP] gives numbers, where its
// [ALIAS] sends them, and which identifiers have a topic of their own. The link checks compare that
// with the numbers the forms hold, so that a help key that lands nowhere shows up before a release
// rather than in front of a user.
//
// Help projects are read as the help compilers and the C preprocessor read them: section names and
// identifiers without regard to case, file names as Windows finds them (os::LocateFile), "#include"
// relative to the including file and then to the help project, "#if" blocks and macros, every text
// encoding and line end of help/HelpText.h, and ";" comments at the end of any line.

enum class HelpProjectKind { kNone, kHtml, kClassic };

// ".hhp" an HTML help project, ".hpj" a classic one (letter case ignored); kNone for any other name.
HelpProjectKind HelpProjectKindOf(const std::string& fileName);

// One definition of an identifier's number. An identifier may have several: a generated map gives
// many command numbers one topic.
struct HelpMapping {
    std::string Id; // as written
    std::int32_t Number = 0;
};

// An [ALIAS] entry: an identifier and where it leads.
struct HelpAlias {
    std::string Id;
    // HTML projects: the topic file, its "#anchor" dropped; classic ones: another identifier.
    std::string Target;
    // HTML projects: whether the topic file is there.
    bool TargetFound = false;
};

struct HelpProject {
    HelpProjectKind Kind = HelpProjectKind::kHtml;
    // The folder part of the project's name, which its files are relative to.
    std::string Folder;
    // Every definition in the order read: [MAP] lines and the headers they include.
    std::vector<HelpMapping> Map;
    // The first entry of each identifier, in the order read.
    std::vector<HelpAlias> Aliases;
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
    // Warnings (a named file that is not there, a repeated [ALIAS] key, a value past 32 bits, a
    // broken directive) and errors (a file that is there and cannot be read; reading goes on
    // without it), each naming the file and line that caused it.
    std::vector<Notice> Notices;
};

// Reads the help project `fileName` with the files it names.
HelpProjectReading ReadHelpProject(const std::string& fileName);

// Reads the keyword index of an HTML project into its Keywords: the index file's entries and the
// keyword objects of its topic files; a file not there is a warning, one that cannot be read an error,
// among the reading's notices. (It is read only when some form asks for a keyword: a project whose
// forms have none need not have its topics at hand.) A classic project's keywords are read with it.
void ReadKeywordIndex(const std::string& fileName, HelpProjectReading& reading);
