#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "scanner/ShownTree.h"

// The scan's tree as people and other tools read it.

// One node per line: each form the tree shows at column 0, its components after two blanks, each line
// ending in `lineEnd`; the forms' bytes as they are, or in UTF-8 (each form's NameEncoding).
std::string ScanText(const ScanResult& result, const char* lineEnd = "\n", bool utf8 = false);
// The same in pieces of some kilobytes, each handed to `sink` as soon as it is made: a tree of any size
// is written in little memory.
void ScanText(const ScanResult& result, const std::function<void(std::string_view)>& sink,
              const char* lineEnd = "\n", bool utf8 = false);

// A JSON array of {"caption", "image", "children"} objects, one form a line, captions in UTF-8 (each
// form's NameEncoding). Reading later versions, each node has "help" ("context" or "keyword") and,
// when its HelpKeyword is set, "keyword" (UTF-8) before its children.
std::string ScanJson(const ScanResult& result);
