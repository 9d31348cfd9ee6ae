#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "io/Os.h"
#include "runtime/Notice.h"
#include "scanner/ResultTree.h"

class TFileStream;
class TStream;
class TStrings;

// The help-context scan: from a project makefile's RESDEPEN macro to the result tree of forms and
// components whose HelpContext is set.

// A form file as its project lists it, and the name it opens by.
struct ListedForm {
    std::string Name; // as listed: errors name the file so
    std::string Path;
};

// The text without the blanks and tabs around it, which a pasted name often brings along.
std::string WithoutSurroundingBlanks(const std::string& text);

// The project file that a text names: what stands between a leading double quote and the next one
// (the browse dialog quotes names with blanks), else the text as it stands.
std::string ProjectFileName(const std::string& projectText);

// A makefile's name list from its lines: the first line holding "RESDEPEN" without its first 23
// characters, joined with the next line after a blank for as long as it ends in a backslash (blanks and
// tabs after the backslash set aside). A continuation after the last line ends the list. The bytes are
// the makefile's.
std::string ExtractFormNameList(const TStrings& lines);

// Opens a file for reading by `path`; an open failure names it `shownName`, the name the user knows
// it by (the project as typed, a form as listed).
std::unique_ptr<TFileStream> OpenForReading(const std::string& path, const std::string& shownName);

// The names of a name list: maximal runs of characters other than blanks and tabs.
std::vector<std::string> SplitFormNames(const std::string& nameList);

// A listed form that could not be read as listed: not there ("listed, not found"), or found only
// among several names that differ from it in case.
using FormNameNotice = std::function<void(const Notice&)>;

// Where a listed form is found: the name as os::LocateFile finds it in the folder of the project file
// as named (the current folder when that name has no folder part).
os::LocatedFile LocateListedForm(const std::string& projectFileName, const std::string& listedName);

// Hands every name of the list that is found as a file, in order, to `scanFormFile`; under
// `eachFileOnce` a file already handed over is passed by. A name that is not found is skipped, and a
// name found only without regard to case among several taken with the first of them; `onNotice`, when
// set, hears of both.
void ScanFormNames(const std::string& projectFileName, const std::string& nameList,
                   const std::function<void(const ListedForm&)>& scanFormFile, bool eachFileOnce = false,
                   const FormNameNotice& onNotice = nullptr);

// Converts one form file into its text in memory and appends its nodes.
void ScanFormFile(const ListedForm& form, TResultTree& tree);
// The same from a binary form file's stream, read from its position.
void ScanBinaryForm(TStream& form, TResultTree& tree);

// Appends the nodes of one form's text (`size` bytes; nothing beyond them is read).
void ScanFormText(const char* text, std::int32_t size, TResultTree& tree);
