#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "scanner/ResultTree.h"

class TStrings;

// The help-context scan: from a project makefile's RESDEPEN macro to the result tree of forms and
// components whose HelpContext is set.

// Image indexes of the result tree's nodes.
enum : int { kImageFormWithContext = 0, kImageComponent = 1, kImageFormWithoutContext = 2 };

// The whole Rescan of `projectText` (the file-name edit's text, used unchanged): nothing for an empty
// text; otherwise the project's name list is read, the tree emptied and every listed file that exists
// scanned. Errors pass through and leave the nodes added before them.
void Rescan(const std::string& projectText, TResultTree& tree);

// The project's name list: the first line holding "RESDEPEN" without its first 23 characters, each
// backslash in turn removed and the next line appended after a blank. EFOpenError when the project
// cannot be opened; EListError when a continuation runs past the last line.
std::string LoadFormNameList(const std::string& projectFileName);
std::string ExtractFormNameList(const TStrings& lines);

// The names of a name list: maximal runs of characters other than the blank.
std::vector<std::string> SplitFormNames(const std::string& nameList);

// Hands every name of the list that exists as a file, in order, to `scanFormFile`.
void ScanFormNames(const std::string& nameList, const std::function<void(const std::string&)>& scanFormFile);
// The same with ScanFormFile into the tree.
void ScanFormNames(const std::string& nameList, TResultTree& tree);

// Converts one form file into its text in memory and appends its nodes.
void ScanFormFile(const std::string& fileName, TResultTree& tree);

// Appends the nodes of one form's text (`size` bytes; nothing beyond them is read).
void ScanFormText(const char* text, std::int32_t size, TResultTree& tree);
