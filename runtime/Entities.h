#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// The references of markup to characters, as the readers of XML project files and of HTML help meet
// them: "&#233;", "&#xE9;" and named entities.

// What each markup knows: XML its five predefined entities and "&#x" in small letters; HTML those,
// "&nbsp;" and "&#X" too.
enum class Markup { kXml, kHtml };

struct DecodedEntity {
    std::uint32_t Code = 0;
    // Where the text goes on: just after the ";".
    std::size_t End = 0;
};

// The reference that begins at `at`, just after a "&" of `text`. Nothing when it ends in no ";", names
// no entity the markup knows, or names no character a document may hold: a NUL, a control character
// other than tab, LF and CR, a surrogate, U+FFFE, U+FFFF or a code past U+10FFFF. Reads no further than
// the first character that cannot belong to a reference.
std::optional<DecodedEntity> EntityAt(std::string_view text, std::size_t at, Markup markup);
