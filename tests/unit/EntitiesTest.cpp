#include "runtime/Entities.h"

#include <gtest/gtest.h>

namespace {

// What each markup reads after a "&": the character (0 for no reference) and where the text goes on.
TEST(EntityAt, ReferencesAsEachMarkupKnowsThem) {
    const struct {
        const char* text;
        std::uint32_t xml, html;
        std::size_t end;
    } cases[] = {{"amp;x", '&', '&', 4},
                 {"#233;", 0xE9, 0xE9, 5},
                 {"#xe9;", 0xE9, 0xE9, 5},
                 {"#X41;", 0, 'A', 5},
                 {"nbsp;", 0, 0xA0, 5},
                 {"#x1F600;", 0x1F600, 0x1F600, 8},
                 {"#00000000065;", 'A', 'A', 13},
                 {"#9;", 9, 9, 3},
                 {"#1114111;", 0x10FFFF, 0x10FFFF, 9}};
    for (const auto& c : cases) {
        for (const Markup markup : {Markup::kXml, Markup::kHtml}) {
            const auto entity = EntityAt(c.text, 0, markup);
            const std::uint32_t code = markup == Markup::kXml ? c.xml : c.html;
            EXPECT_EQ(entity ? entity->Code : 0, code) << c.text;
            EXPECT_EQ(entity ? entity->End : 0, code != 0 ? c.end : 0) << c.text;
        }
    }
    // Past U+10FFFF, surrogates, NUL, controls, non-characters; unknown names, no digits, no ";".
    for (const char* text :
         {"#1114112;", "#99999999999999999999;", "#xD800;", "#57343;", "#0;", "#x1F;", "#xFFFF;", "bogus;",
          "AMP;", "#;", "#x;", "#12a;", "amp", "amp x;", "#x41 ;", ""}) {
        EXPECT_FALSE(EntityAt(text, 0, Markup::kXml)) << text;
        EXPECT_FALSE(EntityAt(text, 0, Markup::kHtml)) << text;
    }
}

} // namespace
