#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

#include <set>

#include "runtime/Format.h"
#include "runtime/Messages.h"

namespace {

TEST(Format, FillsPlaceholdersInOrder) {
    const struct {
        const char* pattern;
        std::initializer_list<std::string> args;
        const char* result;
    } cases[] = {
        {"Cannot open file %s", {"C:\\a b\\x.dfm"}, "Cannot open file C:\\a b\\x.dfm"},
        {"%s and %s", {"one", "two"}, "one and two"},
        {"100%% of %s", {"it"}, "100% of it"},
        {"%s%s", {"%s", "x"}, "%sx"}, // arguments are not formatted again
        {"%s %s", {"only"}, "only %s"},
        {"%d %", {"unused"}, "%d %"},
        {"", {}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Format(c.pattern, c.args), c.result) << c.pattern;
}

TEST(Messages, TextsByNumber) {
    const std::pair<int, const char*> cases[] = {
        {61441, "Cannot create file %s"},
        {61442, "Cannot open file %s"},
        {61443, "Stream read error"},
        {61444, "Stream write error"},
        {61445, "Out of memory while expanding memory stream"},
        {61449, "Invalid stream format"},
        {61452, "List index out of bounds"},
        {61461, "Invalid property value"},
        {SNestingTooDeep, "Form nesting too deep"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LoadResString(c.first), c.second) << c.first;
    EXPECT_EQ(LoadResString(12345), "");
    EXPECT_EQ(FormatRes(SFOpenError, {"x.mak"}), "Cannot open file x.mak");
}

TEST(Messages, NumbersAreUniqueAndInTheProgramRange) {
    std::set<int> seen;
    for (const MessageEntry* entry = MessageTableBegin(); entry != MessageTableEnd(); ++entry) {
        EXPECT_GE(entry->Ident, 61440);
        EXPECT_TRUE(seen.insert(entry->Ident).second) << entry->Ident;
    }
}

TEST(Exceptions, ClassTree) {
    try {
        throw EReadError(SReadError, {});
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), "Stream read error");
        EXPECT_STREQ(error.what(), "Stream read error");
        EXPECT_NE(dynamic_cast<const EFilerError*>(&error), nullptr);
        EXPECT_NE(dynamic_cast<const EStreamError*>(&error), nullptr);
        EXPECT_EQ(dynamic_cast<const EWriteError*>(&error), nullptr);
        EXPECT_EQ(dynamic_cast<const EListError*>(&error), nullptr);
    }
    EXPECT_THROW(throw EInvalidImage(SInvalidImage, {}), EFilerError);
    EXPECT_THROW(throw EWriteError(SWriteError, {}), EFilerError);
    EXPECT_THROW(throw EFOpenError(SFOpenError, {"a"}), EStreamError);
    EXPECT_THROW(throw EFCreateError(SFCreateError, {"a"}), EStreamError);
    EXPECT_THROW(throw EListError(SListIndexError, {}), Exception);
    EXPECT_THROW(throw EOutOfResources("x"), Exception);

    const EFOpenError open(SFOpenError, {"missing.dfm"});
    EXPECT_EQ(open.Message(), "Cannot open file missing.dfm");
    EXPECT_EQ(dynamic_cast<const EFilerError*>(static_cast<const Exception*>(&open)), nullptr);
}

} // namespace
