#include "help/NameIndex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Names found among many, as the index grows past its first table several times, exactly or without
// regard to ASCII case (and only ASCII: a byte of a multi-byte character is no letter).
TEST(NameIndex, FindsEveryNameAmongMany) {
    std::vector<std::string> names;
    TNameIndex<false> exact;
    TNameIndex<true> folded;
    const auto nameOf = [&names](std::uint32_t place) -> std::string_view { return names[place]; };
    for (std::uint32_t i = 0; i < 5000; ++i) {
        names.push_back("Idh_" + std::to_string(i * 7919 % 100003));
        exact.Add(i, nameOf);
        folded.Add(i, nameOf);
    }
    for (std::uint32_t i = 0; i < names.size(); i += 97) {
        EXPECT_EQ(exact.Find(names[i], nameOf), i);
        EXPECT_EQ(folded.Find("IDH_" + names[i].substr(4), nameOf), i);
        EXPECT_EQ(exact.Find("IDH_" + names[i].substr(4), nameOf), TNameIndex<false>::kNone);
    }
    EXPECT_EQ(folded.Find("Idh_100003", nameOf), TNameIndex<true>::kNone);
    names.push_back("\xC3\xA9");
    folded.Add(5000, nameOf);
    EXPECT_EQ(folded.Find("\xC3\xA9", nameOf), 5000u);
    EXPECT_EQ(folded.Find("\xC3\x89", nameOf), TNameIndex<true>::kNone);
    EXPECT_EQ(TNameIndex<true>().Find("x", nameOf), TNameIndex<true>::kNone);
}

} // namespace
