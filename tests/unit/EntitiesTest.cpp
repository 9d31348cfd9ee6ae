#include "runtime/Entities.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// "<code in hex>@<end>", or "-" where the text holds no reference.
std::string Decoded(const std::string& text, Markup markup) {
    const auto entity = EntityAt(text, 0, markup);
    if (!entity)
        return "-";
    char code[16];
    std::snprintf(code, sizeof code, "%X", static_cast<unsigned>(entity->Code));
    return code + ("@" + std::to_string(entity->End));
}

// The text after a "&" as each markup reads it.
TEST(EntityAt, ReferencesAsEachMarkupKnowsThem) {
    const struct {
        const char* text;
        const char* xml;
        const char* html;
    } cases[] = {
        {"amp;x", "26@4", "26@4"},
        {"quot;", "22@5", "22@5"},
        {"#233;", "E9@5", "E9@5"},
        {"#xe9;", "E9@5", "E9@5"},
        {"#X41;", "-", "41@5"},
        {"#x1F600;", "1F600@8", "1F600@8"},
        {"#00000000065;", "41@13", "41@13"},
        {"#9;#10;", "9@3", "9@3"},
        {"nbsp;", "-", "A0@5"},
        {"#1114111;", "10FFFF@9", "10FFFF@9"},
        // past U+10FFFF, however far
        {"#1114112;", "-", "-"},
        {"#x110000;", "-", "-"},
        {"#99999999999999999999;", "-", "-"},
        // surrogates, NUL, controls, the two non-characters
        {"#xD800;", "-", "-"},
        {"#57343;", "-", "-"},
        {"#0;", "-", "-"},
        {"#x1F;", "-", "-"},
        {"#xFFFE;", "-", "-"},
        {"#xFFFF;", "-", "-"},
        // unknown names, names in another case, no digits
        {"bogus;", "-", "-"},
        {"AMP;", "-", "-"},
        {"#;", "-", "-"},
        {"#x;", "-", "-"},
        {"#12a;", "-", "-"},
        // no ";"
        {"amp", "-", "-"},
        {"amp x;", "-", "-"},
        {"#65", "-", "-"},
        {"#x41 ;", "-", "-"},
        {"", "-", "-"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Decoded(c.text, Markup::kXml), c.xml) << c.text;
        EXPECT_EQ(Decoded(c.text, Markup::kHtml), c.html) << c.text;
    }
}

} // namespace
