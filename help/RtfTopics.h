#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// The topics of a classic help project's RTF topic files.

// What the footnotes of an RTF topic file say: the identifiers, in upper case, that its "#" footnotes
// define, and the keywords of its "K" footnotes (in UTF-8: the document's code page, \ansicpg or the
// system's, and \u characters decoded).
struct RtfTopics {
    std::set<std::string> Ids;
    std::vector<std::string> Keywords;
    // Groups nested past kMaxRtfDepth were met: footnotes within them are not read.
    bool TooDeep = false;
};

// Groups nested deeper than this are no topic file a help compiler takes.
constexpr std::size_t kMaxRtfDepth = 256;

// Never reads past the text, however its groups nest or break off.
RtfTopics ReadRtfTopics(std::string_view rtf);
