#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "io/Os.h"
#include "scanner/ScanResult.h"

class TStrings;

// The help-context scan's steps: from a project makefile's RESDEPEN macro to its listed form files,
// and from a form's text to its numbered nodes.

// A form file as its project lists it, and the name it opens by.
struct ListedForm {
    std::string Name; // as listed: errors name the file so
    std::string Path;
    std::optional<os::FileStamp> Stamp = std::nullopt; // as the look that found it told it, if it did
};

// The text without the blanks and tabs around it, which a pasted name often brings along.
std::string WithoutSurroundingBlanks(const std::string& text);

// The project file that a text names: what stands between a leading double quote and the next one
// (the browse dialog quotes names with blanks), else the text as it stands.
std::string ProjectFileName(const std::string& projectText);

// The project file that a text of the edit names: ProjectFileName of the text, or, when that is no
// file and the text without its surrounding blanks names one, of that (a pasted name often brings a
// blank along).
std::string ProjectFileOf(const std::string& projectText);

// A makefile's name list from its lines: the first line holding "RESDEPEN" without its first 23
// characters, joined with the next line after a blank for as long as it ends in a backslash (blanks and
// tabs after the backslash set aside). A continuation after the last line ends the list. The bytes are
// the makefile's.
std::string ExtractFormNameList(const TStrings& lines);

// The names of a name list: maximal runs of characters other than blanks and tabs.
std::vector<std::string> SplitFormNames(const std::string& nameList);

// Whether a name of the list names a file, so that its absence is worth a word: it has an extension.
// What the fixed cut of the macro line leaves of "$(RESFILES)" ("RESFILES)", "(RESFILES)") has none.
bool NamesAFile(const std::string& listedName);

// Reads one form's text (nothing beyond it) into `form`: its name, its own number and its components
// whose number is not 0, in the order met.
void ScanFormText(std::string_view text, ScannedForm& form);
