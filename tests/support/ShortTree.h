#pragma once

#include <string>

#include "scanner/FormTree.h"

// A form's tree written short, for tests: nodes joined by commas, each its name ("E<P": nested in P;
// the first is the root) and words: "w" windowed, "inherited" or "inline" its header, "kw" or "ctx"
// its HelpType, "'k'" its keyword ("''" an empty one), a number its HelpContext. Every node's class is
// "T" and its name.
TFormTree TreeOfShort(const std::string& written);
