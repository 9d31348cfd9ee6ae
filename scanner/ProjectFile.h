#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TStrings;

// The XML project files of the environment's later versions. Their form list is the value
// attribute of the RESDEPEN element, which may run over several lines without backslashes:
//
//     <RESDEPEN value="$(RESFILES) Unit1.dfm Unit2.dfm
//       Unit3.dfm"/>

// True when `bytes`, after an optional UTF-8 byte-order mark and white space, begin with "<?xml"
// or "<PROJECT".
bool IsXmlProject(std::string_view bytes);

// The name list of an XML project: the value attribute of the first RESDEPEN element, its
// character references and the five predefined entities decoded (to UTF-8, the encoding of these
// files; other bytes stay as they are), line breaks and tabs as blanks, without the leading
// "$(RESFILES)". Empty when there is no such element or attribute. Raises Exception
// ("Invalid XML in project file %s at line %s", naming `fileName`) where the document cannot be
// followed up to that attribute's end, or the attribute holds a reference that names no character.
std::string XmlProjectNameList(std::string_view xml, const std::string& fileName);

// The name list of the project file `fileName`, the file read once: an XML project's under
// `anyVersion`, otherwise (and for any file that is no XML project) the makefile's (see
// ExtractFormNameList), in UTF-8: the makefile's bytes are in the system's code page. Errors name the
// project `shownName`, as the user typed it: EFOpenError when it cannot be opened.
std::string LoadProjectNameList(const std::string& fileName, const std::string& shownName, bool anyVersion);

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
