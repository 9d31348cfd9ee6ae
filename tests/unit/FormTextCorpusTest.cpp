// The way back on real forms: text2form(form2text(B)) == B for every real binary form the
// conversion renders, the environment's own text/binary pairs, and every real text form.
#include "formstream/FormTextReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <vector>

#include "formstream/FormText.h"
#include "formstream/Reader.h"
#include "runtime/Exceptions.h"
#include "tests/support/BytesStream.h"
#include "tests/support/TestFiles.h"

namespace fs = std::filesystem;

namespace {

std::string RealWorld() {
    const std::string corpus = CorpusDir();
    return corpus.empty() || !fs::is_directory(fs::path(corpus) / "realworld")
               ? std::string()
               : (fs::path(corpus) / "realworld").string();
}

// The files of a folder tree whose content begins as `accept` says, in a stable order.
template <typename Accept> std::vector<fs::path> FilesIn(const fs::path& folder, Accept accept) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file() && accept(ReadWholeFile(entry.path().string())))
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

bool IsBinaryForm(const std::string& bytes) {
    return bytes.compare(0, 3, std::string("\xFF\x0A\x00", 3)) == 0;
}

bool IsTextForm(const std::string& bytes) {
    std::size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    start = bytes.find_first_not_of(" \t\r\n", start);
    if (start == std::string::npos)
        return false;
    for (const char* word : {"object ", "inherited ", "inline "}) {
        if (bytes.compare(start, std::strlen(word), word) == 0)
            return true;
    }
    return false;
}

std::string ToText(const std::string& formFile) {
    BytesStream input(formFile);
    TMemoryStream output;
    FormFileToText(input, output);
    return std::string(output.Memory(), static_cast<std::size_t>(output.Size()));
}

std::string ToFormFile(const std::string& text, TWideStringFormat wide = wsUtf16) {
    BytesStream input(text);
    TFormTextOptions options;
    options.WideStrings = wide;
    return FormTextToFormFile(input, options);
}

// Walks two form files side by side and tells how they differ: not at all, only in floats whose
// text is the same (a whole number the text writes as an integer, or more digits than the text's
// fifteen), or otherwise.
class FloatTolerantComparison {
public:
    FloatTolerantComparison(const std::string& original, const std::string& copy)
        : originalStream_(original), copyStream_(copy) {}

    // "" when the only differences are floats; else what differs first.
    std::string Compare() {
        try {
            SkipResourceHeader(originalStream_);
            SkipResourceHeader(copyStream_);
            TReader original(originalStream_);
            TReader copy(copyStream_);
            original_ = &original;
            copy_ = &copy;
            original.CheckSignature();
            copy.CheckSignature();
            Component();
        } catch (const Exception& error) {
            return error.Message();
        }
        return difference_;
    }
    int WholeNumbers() const { return wholeNumbers_; }
    int LongFloats() const { return longFloats_; }

private:
    bool Same(bool equal, const char* what) {
        if (!equal && difference_.empty())
            difference_ = what;
        return equal;
    }

    void Component() {
        const TComponentPrefix a = original_->ReadComponentPrefix();
        const TComponentPrefix b = copy_->ReadComponentPrefix();
        Same(a.Flags == b.Flags && a.ChildPosition == b.ChildPosition, "prefix");
        Same(original_->ReadShortString() == copy_->ReadShortString(), "class name");
        Same(original_->ReadShortString() == copy_->ReadShortString(), "component name");
        Properties();
        while (!original_->AtListEnd() && difference_.empty())
            Component();
        original_->ExpectListEnd();
        copy_->ExpectListEnd();
    }

    void Properties() {
        while (!original_->AtListEnd() && difference_.empty()) {
            Same(original_->ReadShortString() == copy_->ReadShortString(), "property name");
            Value();
        }
        original_->ExpectListEnd();
        copy_->ExpectListEnd();
    }

    void Value() {
        const std::uint8_t tag = original_->PeekTag();
        if (tag == TagExtended) {
            const std::uint8_t copyTag = copy_->PeekTag();
            const TExtended a = original_->ReadFloatValue();
            const TExtended b = copy_->ReadFloatValue();
            if (std::memcmp(a.Bytes, b.Bytes, sizeof a.Bytes) == 0 && copyTag == TagExtended)
                return;
            Same(FormatExtended(a) == FormatExtended(b), "float text");
            ++(copyTag == TagExtended ? longFloats_ : wholeNumbers_);
            return;
        }
        if (!Same(tag == copy_->PeekTag(), "value tag"))
            return;
        switch (tag) {
            case TagList:
                original_->ReadTag();
                copy_->ReadTag();
                while (!original_->AtListEnd() && difference_.empty())
                    Value();
                original_->ExpectListEnd();
                copy_->ExpectListEnd();
                return;
            case TagCollection:
                original_->ReadTag();
                copy_->ReadTag();
                while (!original_->AtListEnd() && difference_.empty()) {
                    const std::uint8_t index = original_->PeekTag();
                    if (index == TagInt8 || index == TagInt16 || index == TagInt32)
                        Same(original_->ReadIntValue() == copy_->ReadIntValue(), "item index");
                    original_->ExpectListStart();
                    copy_->ExpectListStart();
                    Properties();
                }
                original_->ExpectListEnd();
                copy_->ExpectListEnd();
                return;
            default:
                Same(RawValue(*original_) == RawValue(*copy_), "value");
        }
    }

    // A value other than a list, collection or float, as its bytes.
    static std::string RawValue(TReader& reader) {
        const std::uint8_t tag = reader.PeekTag();
        switch (tag) {
            case TagInt8:
            case TagInt16:
            case TagInt32:
                return std::to_string(tag) + ":" + std::to_string(reader.ReadIntValue());
            case TagString:
            case TagLongString:
                return std::to_string(tag) + ":" + reader.ReadStringValue();
            case TagBinary: {
                reader.ReadTag();
                std::int32_t count = 0;
                reader.ReadBytes(&count, 4);
                std::string bytes(static_cast<std::size_t>(std::max(count, 0)), '\0');
                reader.ReadBytes(bytes.data(), static_cast<std::int32_t>(bytes.size()));
                return "10:" + bytes;
            }
            case TagSet: {
                reader.ReadTag();
                std::string elements = "11:";
                for (std::string element; !(element = reader.ReadShortString()).empty();)
                    elements += element + ",";
                return elements;
            }
            default:
                return std::to_string(tag) + ":" + reader.ReadIdentValue();
        }
    }

    BytesStream originalStream_;
    BytesStream copyStream_;
    TReader* original_ = nullptr; // not owned; set while Compare runs
    TReader* copy_ = nullptr;
    std::string difference_;
    int wholeNumbers_ = 0;
    int longFloats_ = 0;
};

TEST(FormTextCorpus, RealBinaryFormsSurviveTheWayThereAndBack) {
    const std::string realWorld = RealWorld();
    if (realWorld.empty())
        GTEST_SKIP() << "no corpus folder";
    int exact = 0;
    std::map<std::string, int> notConverted; // by the conversion's message
    std::vector<std::string> floatsOnly;
    for (const fs::path& path : FilesIn(realWorld, IsBinaryForm)) {
        const std::string form = ReadWholeFile(path.string());
        std::string text;
        try {
            text = ToText(form);
        } catch (const Exception& error) {
            ++notConverted[error.Message()];
            continue;
        }
        const std::string name = fs::relative(path, realWorld).string();
        std::string back;
        ASSERT_NO_THROW(back = ToFormFile(text)) << name;
        // A form that stores its wide strings as UTF-8 comes back with --wide utf8.
        if (back != form && ToFormFile(text, wsUtf8) == form)
            back = form;
        if (back == form) {
            ++exact;
            continue;
        }
        ASSERT_EQ(ToText(back), text) << name;
        FloatTolerantComparison comparison(form, back);
        EXPECT_EQ(comparison.Compare(), "") << name << " differs in more than floats";
        floatsOnly.push_back(name + " (" + std::to_string(comparison.WholeNumbers()) + " whole, " +
                             std::to_string(comparison.LongFloats()) + " longer than 15 digits)");
    }
    std::cout << exact << " real binary forms came back byte for byte; " << floatsOnly.size()
              << " differ only in floats their text cannot carry:\n";
    for (const std::string& line : floatsOnly)
        std::cout << "  " << line << '\n';
    for (const auto& [message, count] : notConverted)
        std::cout << count << " not converted to text: " << message << '\n';
    EXPECT_GT(exact, 600);
}

// The environment converted these forms itself; its text gives exactly its binary, wrapped strings
// included. tetris/MAIN.dfm was saved as text after two components had moved: its four
// coordinates are all that differs.
TEST(FormTextCorpus, TheEnvironmentsTextsGiveItsBinaries) {
    const std::string realWorld = RealWorld();
    if (realWorld.empty())
        GTEST_SKIP() << "no corpus folder";
    const fs::path pairs = fs::path(realWorld) / "pairs";
    int compared = 0;
    for (const char* project : {"innosetup", "quark", "tetris"}) {
        const fs::path binaries = pairs / project / "binary";
        if (!fs::is_directory(binaries))
            continue;
        for (const fs::path& binary : FilesIn(binaries, IsBinaryForm)) {
            fs::path text = pairs / project / "text" / fs::relative(binary, binaries);
            text.replace_extension(".dfm");
            const std::string name = fs::relative(text, pairs).string();
            const std::string form = ReadWholeFile(binary.string());
            std::string back;
            ASSERT_NO_THROW(back = ToFormFile(ReadWholeFile(text.string()))) << name;
            ++compared;
            if (name != "tetris/text/MAIN.dfm") {
                EXPECT_EQ(back, form) << name;
                continue;
            }
            const std::string ours = ToText(back);
            const std::string theirs = ToText(form);
            int differentLines = 0;
            for (std::size_t a = 0, b = 0; a < ours.size() && b < theirs.size();) {
                const std::size_t endA = ours.find('\n', a);
                const std::size_t endB = theirs.find('\n', b);
                differentLines += ours.compare(a, endA - a, theirs, b, endB - b) != 0;
                a = endA + 1;
                b = endB + 1;
            }
            EXPECT_EQ(differentLines, 4) << name;
        }
    }
    EXPECT_EQ(compared, 18);
}

// Every real text form converts; where the conversion renders the result, its text converts to the
// same bytes again.
TEST(FormTextCorpus, RealTextFormsConvertAndStayStable) {
    const std::string realWorld = RealWorld();
    if (realWorld.empty())
        GTEST_SKIP() << "no corpus folder";
    int converted = 0;
    int stable = 0;
    for (const fs::path& path : FilesIn(realWorld, IsTextForm)) {
        const std::string name = fs::relative(path, realWorld).string();
        std::string form;
        ASSERT_NO_THROW(form = ToFormFile(ReadWholeFile(path.string()))) << name;
        ++converted;
        std::string text;
        try {
            text = ToText(form);
        } catch (const EReadError&) {
            continue; // a value kind the conversion does not render yet
        }
        EXPECT_EQ(ToFormFile(text), form) << name;
        ++stable;
    }
    std::cout << converted << " real text forms converted, " << stable << " checked stable\n";
    EXPECT_GT(converted, 60);
}

} // namespace
