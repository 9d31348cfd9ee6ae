// The demo project's form files are exactly what their text descriptions compile to, and their
// text rendering gives the descriptions back.
#include "tests/support/FormCompiler.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "formstream/FormText.h"
#include "io/Streams.h"
#include "tests/support/BytesStream.h"
#include "tests/support/TestFiles.h"

namespace fs = std::filesystem;

namespace {

const fs::path kDemo = fs::path(QUORVEL_SOURCE_DIR) / "examples" / "demo";

std::string WithCrLf(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

TEST(DemoForms, AreUpToDateAndRoundTrip) {
    int forms = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(kDemo / "forms")) {
        if (entry.path().extension() != ".txt")
            continue;
        ++forms;
        const std::string description = ReadWholeFile(entry.path().string());
        const fs::path binary = kDemo / entry.path().stem().concat(".dfm");
        const std::string committed = ReadWholeFile(binary.string());
        ASSERT_FALSE(committed.empty()) << binary << " is missing: build the demo-forms target";
        const std::string resource = committed.substr(3, committed.find('\0', 3) - 3);
        EXPECT_EQ(CompileFormText(description, resource), committed)
            << binary << " is out of date: build the demo-forms target";

        BytesStream input(committed);
        TMemoryStream text;
        FormFileToText(input, text);
        EXPECT_EQ(std::string(text.Memory(), static_cast<size_t>(text.Size())), WithCrLf(description))
            << binary;
    }
    EXPECT_GE(forms, 4);
}

} // namespace
