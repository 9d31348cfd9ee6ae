#pragma once

#include <cstddef>
#include <string>

// The rules by which the file-name edit reads a name out of its text and writes one back. Texts are
// UTF-8; the delimiters are ASCII, which no byte of a multi-byte character can be taken for.

// Longest token FirstToken returns, in characters; the rest of a longer token is dropped.
inline constexpr std::size_t kMaxTokenLength = 256;

// The first token of `text`: leading characters 1 to 32 and pairs of double quotes are skipped; the
// token ends at a character 0 to 32 outside quotes. A double quote opens a quoted stretch up to the
// next double quote or the end; quote characters are never part of the token.
std::string FirstToken(const std::string& text);

// `text` itself when a file of exactly that name exists, else FirstToken(text). This is how the window
// reads the project file its edit names, however the name came there: typed, pasted with blanks around
// it, or quoted by the browse dialog.
std::string ExtractNameFromText(const std::string& text);

// `name` in double quotes when it holds a blank and does not already start with a double quote.
std::string QuoteNameWithBlanks(const std::string& name);

// Not empty and free of < > " [ ] |.
bool IsUsableFileName(const std::string& name);

// Everything up to and including the last '\' or ':'; empty when there is neither.
std::string ExtractFolderPart(const std::string& name);

// True when the file system reports `path` as a folder.
bool FolderExists(const std::string& path);

// True when `path` names an existing file that is not a folder.
bool FileNameExists(const std::string& path);

// The name with the folder it stands in when it is relative (to the current folder).
std::string FullPathName(const std::string& name);

// A makefile, or the project file of the environment's later versions: what the browse dialog offers.
bool IsProjectFileName(const std::string& name);
