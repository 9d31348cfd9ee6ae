#include "io/StringList.h"

#include <gtest/gtest.h>

#include <vector>

#include "io/Streams.h"
#include "runtime/Exceptions.h"
#include "tests/support/TestFiles.h"

namespace {

std::vector<std::string> Lines(const TStrings& list) {
    std::vector<std::string> lines;
    for (int i = 0; i < list.Count(); ++i)
        lines.push_back(list.Get(i));
    return lines;
}

using L = std::vector<std::string>;

TEST(TStringList, SplittingRules) {
    const struct {
        std::string text;
        L lines;
    } cases[] = {
        {"a\r\nb", {"a", "b"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\n\nb", {"a", "", "b"}},
        {"a\rb", {"a", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\r\rb", {"a", "", "b"}},
        {"\r\n", {""}},
        {"", {}},
        {std::string("a\0b\r\nc", 6), {"a"}},
        {std::string("\0abc", 4), {}},
        {" \ta \xE4\xFF ", {" \ta \xE4\xFF "}},
        {"x\r\n\r\n", {"x", ""}},
    };
    for (const auto& c : cases) {
        TStringList list;
        list.Add("old");
        list.SetAllText(c.text);
        EXPECT_EQ(Lines(list), c.lines) << c.text;
    }
}

TEST(TStringList, GetChecksTheIndexOnBothSides) {
    TStringList list;
    EXPECT_THROW(list.Get(0), EListError);
    list.Add("a");
    list.Add("b");
    EXPECT_EQ(list.Get(1), "b");
    for (int index : {-1, 2, 1000}) {
        try {
            list.Get(index);
            ADD_FAILURE() << index;
        } catch (const EListError& error) {
            EXPECT_EQ(error.Message(), "List index out of bounds");
        }
    }
}

TEST(TStringList, CapacityGrowsInSmallSteps) {
    TStringList list;
    std::vector<int> capacities;
    for (int i = 0; i < 40; ++i) {
        list.Add(std::to_string(i));
        if (capacities.empty() || capacities.back() != list.Capacity())
            capacities.push_back(list.Capacity());
    }
    EXPECT_EQ(capacities, (std::vector<int>{4, 8, 16, 32, 48}));
    EXPECT_EQ(list.Get(39), "39");
}

} // namespace
