#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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

// How a Rescan reads a project.
struct ScanOptions {
    // Also the XML project files and text-saved forms of the environment's later versions.
    bool AnyVersion = false;
    // A file that the list names more than once, however spelt, is scanned the first time only.
    bool EachFileOnce = false;
    // When set, a form that fails is reported here and skipped; otherwise its error ends the scan.
    std::function<void(const ListedForm& form, const std::exception& error)> OnFormFailure;
};

// The whole Rescan of `projectText` (the file-name edit's text): nothing for an empty text; otherwise
// the project's name list is read, the tree emptied and every listed file that exists handed to
// `scanFormFile` in order (without one, ScanFormFile, or ScanAnyVersionFormFile under AnyVersion, into
// the same tree). A text that names no file is tried once more without its leading and trailing blanks
// before its error is raised. Errors pass through and leave the nodes added before them.
void Rescan(const std::string& projectText, TResultTree& tree,
            const std::function<void(const ListedForm&)>& scanFormFile, const ScanOptions& options = {});
void Rescan(const std::string& projectText, TResultTree& tree, const ScanOptions& options = {});

// The text without the blanks and tabs around it, which a pasted name often brings along.
std::string WithoutSurroundingBlanks(const std::string& text);

// The project file that a text names: what stands between a leading double quote and the next one
// (the browse dialog quotes names with blanks), else the text as it stands.
std::string ProjectFileName(const std::string& projectText);

// The name list of the project file that `projectText` names (see ProjectFileName): the first line
// holding "RESDEPEN" without its first 23 characters, joined with the next line after a blank for as
// long as it ends in a backslash (blanks and tabs after the backslash set aside). A continuation after
// the last line ends the list. The list is UTF-8: the makefile's bytes are in the system's code page.
// EFOpenError naming `projectText` when the project cannot be opened.
std::string LoadFormNameList(const std::string& projectText);
std::string ExtractFormNameList(const TStrings& lines);

// Opens a file for reading by `path`; an open failure names it `shownName`, the name the user knows
// it by (the project as typed, a form as listed).
std::unique_ptr<TFileStream> OpenForReading(const std::string& path, const std::string& shownName);

// The names of a name list: maximal runs of characters other than blanks and tabs.
std::vector<std::string> SplitFormNames(const std::string& nameList);

// Where a listed form is found: backslashes are folder separators (on POSIX the name opens with
// slashes instead); a relative name (no drive, no leading "\" or "/") stands in the folder of the
// project file as named, which is the current folder when that name has no folder part.
ListedForm LocateListedForm(const std::string& projectFileName, const std::string& listedName);

// Hands every name of the list that exists as a file, in order, to `scanFormFile`; under `eachFileOnce`
// a file already handed over is passed by.
void ScanFormNames(const std::string& projectFileName, const std::string& nameList,
                   const std::function<void(const ListedForm&)>& scanFormFile, bool eachFileOnce = false);

// Converts one form file into its text in memory and appends its nodes.
void ScanFormFile(const ListedForm& form, TResultTree& tree);
// The same from a binary form file's stream, read from its position.
void ScanBinaryForm(TStream& form, TResultTree& tree);

// Appends the nodes of one form's text (`size` bytes; nothing beyond them is read).
void ScanFormText(const char* text, std::int32_t size, TResultTree& tree);
