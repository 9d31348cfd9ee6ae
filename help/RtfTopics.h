#pragma once

#include <set>
#include <string>
#include <string_view>

// The topics of a classic help project's RTF topic files.

// The identifiers, in upper case, that "#" footnotes of an RTF topic file define. Never reads past
// the text, however its groups nest or break off.
std::set<std::string> RtfTopicIds(std::string_view rtf);
