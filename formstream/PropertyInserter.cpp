#include "formstream/PropertyInserter.h"

#include <algorithm>
#include <climits>
#include <map>
#include <optional>

#include "formstream/FormBinaryWriter.h"
#include "formstream/FormTextReader.h"
#include "formstream/Reader.h"
#include "io/Streams.h"
#include "runtime/Exceptions.h"
#include "runtime/Messages.h"
#include "runtime/Text.h"

namespace {

// The bytes of a form read where they lie.
class TBytesView : public TCustomMemoryStream {
public:
    explicit TBytesView(std::string_view bytes) {
        if (bytes.size() > static_cast<std::size_t>(INT32_MAX))
            throw EReadError(SFormTooLarge, {});
        SetPointer(const_cast<char*>(bytes.data()), static_cast<std::int32_t>(bytes.size()));
    }
    std::int32_t Write(const void*, std::int32_t) override { return 0; }
};

// One change to the bytes: `Removed` bytes at `At` give way to `Inserted`.
struct TEdit {
    std::size_t At = 0;
    std::size_t Removed = 0;
    std::string Inserted;
};

std::string Applied(std::string_view bytes, std::vector<TEdit> edits) {
    std::stable_sort(edits.begin(), edits.end(), [](const TEdit& a, const TEdit& b) { return a.At < b.At; });
    std::string result;
    std::size_t done = 0;
    for (const TEdit& edit : edits) {
        result.append(bytes.substr(done, edit.At - done));
        result += edit.Inserted;
        done = edit.At + edit.Removed;
    }
    result.append(bytes.substr(done));
    return result;
}

// The settings by component, the last of each counting; raises when the form has fewer components.
class TSettings {
public:
    explicit TSettings(const std::vector<THelpContextSetting>& settings) {
        for (const THelpContextSetting& setting : settings)
            numbers_[setting.Component] = setting.Number;
    }
    const std::map<std::size_t, std::int32_t>& Numbers() const { return numbers_; }
    std::optional<std::int32_t> For(std::size_t component) const {
        const auto found = numbers_.find(component);
        return found == numbers_.end() ? std::nullopt : std::optional<std::int32_t>(found->second);
    }
    void CheckCount(std::size_t components) const {
        if (!numbers_.empty() && numbers_.rbegin()->first >= components)
            throw EReadError(SNoSuchComponent, {std::to_string(numbers_.rbegin()->first)});
    }

private:
    std::map<std::size_t, std::int32_t> numbers_;
};

// A HelpContext already stored is given the new number rather than a second property beside it: the
// environment's reader would take the last of two, the scan the first, and the file would no longer
// say one thing. Pascal names ignore case, so any spelling is the property.
bool IsHelpContext(std::string_view name) {
    return EqualIgnoringAsciiCase(name, kHelpContextName);
}

// ---- Binary forms

// The bytes the binary writer gives a piece of the grammar, without the signature it starts with.
template <typename Write> std::string Written(Write write) {
    TFormBinaryWriter writer;
    write(writer);
    return writer.FormData().substr(4);
}

// Walks the component records of a form stream with the reader, noting where each setting goes. The
// values are passed over as the conversion reads them: a 0 tag in place of a value is no value, and
// lists and collections are walked here so that such a value inside an item reads the same.
class TBinaryWalker {
public:
    TBinaryWalker(TStream& stream, TReader& reader, const TSettings& settings)
        : stream_(stream), reader_(reader), settings_(settings) {}

    void Component();
    std::vector<TEdit> Edits;
    std::size_t Components = 0;

private:
    std::size_t Offset() { return static_cast<std::size_t>(stream_.Position() - reader_.Buffered().Count); }
    void SkipValue();
    void SkipCollection();

    TStream& stream_;
    TReader& reader_;
    const TSettings& settings_;
};

void TBinaryWalker::Component() {
    TReader::TNestingLevel nesting(reader_);
    const std::optional<std::int32_t> number = settings_.For(Components++);
    reader_.ReadComponentPrefix();
    reader_.ReadShortStringView();
    reader_.ReadShortStringView();
    bool stored = false;
    while (!reader_.AtListEnd()) {
        const bool help = IsHelpContext(reader_.ReadShortStringView());
        const std::size_t start = Offset();
        SkipValue();
        if (number && help) {
            Edits.push_back({start, Offset() - start, Written([&](auto& w) { w.WriteInteger(*number); })});
            stored = true;
        }
    }
    if (number && !stored) {
        Edits.push_back({Offset(), 0, Written([&](auto& w) {
                             w.WriteShortString(std::string(kHelpContextName));
                             w.WriteInteger(*number);
                         })});
    }
    reader_.ExpectListEnd();
    while (!reader_.AtListEnd())
        Component();
    reader_.ExpectListEnd();
}

void TBinaryWalker::SkipValue() {
    switch (reader_.PeekTag()) {
        case TagNull:
            return;
        case TagList: {
            TReader::TNestingLevel nesting(reader_);
            reader_.ReadTag();
            while (!reader_.AtListEnd())
                SkipValue();
            reader_.ExpectListEnd();
            return;
        }
        case TagCollection:
            SkipCollection();
            return;
        default:
            reader_.SkipFormValue();
    }
}

void TBinaryWalker::SkipCollection() {
    TReader::TNestingLevel nesting(reader_);
    reader_.ReadTag();
    while (!reader_.AtListEnd()) {
        if (IntPayloadSize(reader_.PeekTag()) != 0)
            reader_.ReadIntValue();
        reader_.ExpectListStart();
        while (!reader_.AtListEnd()) {
            reader_.ReadShortStringView();
            SkipValue();
        }
        reader_.ExpectListEnd();
    }
    reader_.ExpectListEnd();
}

void PutLittle32(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * i));
}

std::uint32_t Little32(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= std::uint32_t(static_cast<std::uint8_t>(bytes[at + i])) << (8 * i);
    return value;
}

// ---- Text forms

// Where each component's header and properties lie in the text.
struct TTextComponent {
    std::size_t HeaderStart = 0;
    std::size_t HeaderEnd = 0;
    std::optional<std::size_t> LastNameStart; // of its last property, when it has one
    std::size_t LastValueEnd = 0;
    std::vector<std::pair<std::size_t, std::size_t>> HelpValues; // its HelpContext values: start, end
};

class TTextLayout : public TFormTextListener {
public:
    void ComponentHeader(std::int64_t start, std::int64_t end) override {
        TTextComponent& component = Components.emplace_back();
        component.HeaderStart = static_cast<std::size_t>(start);
        component.HeaderEnd = static_cast<std::size_t>(end);
    }
    void Property(const std::string& name, std::int64_t nameStart, std::int64_t valueStart,
                  std::int64_t valueEnd) override {
        TTextComponent& component = Components.back();
        component.LastNameStart = static_cast<std::size_t>(nameStart);
        component.LastValueEnd = static_cast<std::size_t>(valueEnd);
        if (IsHelpContext(name))
            component.HelpValues.emplace_back(static_cast<std::size_t>(valueStart),
                                              static_cast<std::size_t>(valueEnd));
    }

    std::vector<TTextComponent> Components;
};

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// The line end the text's first line ends with; CR LF when it has none.
std::string LineEndOf(std::string_view text) {
    const std::size_t at = text.find_first_of("\r\n");
    if (at == std::string_view::npos)
        return "\r\n";
    if (text[at] == '\n')
        return "\n";
    return at + 1 < text.size() && text[at + 1] == '\n' ? "\r\n" : "\r";
}

// The blanks and tabs that begin the line holding `at` (a byte-order mark is not part of the line).
std::string_view IndentOfLine(std::string_view text, std::size_t at) {
    std::size_t start = at;
    while (start > 0 && !IsLineEnd(text[start - 1]))
        --start;
    if (start == 0)
        start = ByteOrderMarkLength(text);
    std::size_t end = start;
    while (end < text.size() && (text[end] == ' ' || text[end] == '\t'))
        ++end;
    return text.substr(start, end - start);
}

// The new line after the line that holds `end`, the end of the component's last property or of its
// header: after that line's end when only blanks follow it there, else before whatever follows, with
// a line end of its own.
TEdit NewLineAfter(std::string_view text, std::size_t end, const std::string& line,
                   const std::string& lineEnd) {
    std::size_t at = end;
    while (at < text.size() && static_cast<std::uint8_t>(text[at]) <= ' ' && !IsLineEnd(text[at]))
        ++at;
    if (at == text.size() || !IsLineEnd(text[at]))
        return {end, 0, lineEnd + line + lineEnd};
    at += text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
    return {at, 0, line + lineEnd};
}

} // namespace

std::string SetHelpContexts(std::string_view formFile, const std::vector<THelpContextSetting>& settings) {
    const TSettings byComponent(settings);
    TBytesView stream(formFile);
    SkipResourceHeader(stream);
    const auto dataStart = static_cast<std::size_t>(stream.Position());
    std::vector<TEdit> edits;
    {
        TReader reader(stream);
        reader.CheckSignature();
        TBinaryWalker walker(stream, reader, byComponent);
        walker.Component();
        byComponent.CheckCount(walker.Components);
        edits = std::move(walker.Edits);
    }
    // The data size is never used to bound reading, so a header may hold any; it moves by the growth,
    // modulo 2^32 as the field holds it, and stays what it was to the data behind it.
    std::uint32_t growth = 0;
    for (const TEdit& edit : edits)
        growth += static_cast<std::uint32_t>(edit.Inserted.size() - edit.Removed);
    std::string result = Applied(formFile, std::move(edits));
    PutLittle32(result, dataStart - 4, Little32(formFile, dataStart - 4) + growth);
    return result;
}

std::string SetHelpContextsInText(std::string_view text, const std::vector<THelpContextSetting>& settings) {
    const TSettings byComponent(settings);
    TTextLayout layout;
    {
        TBytesView stream(text);
        TFormBinaryWriter ignored;
        TFormTextReader(stream, wsUtf16, &layout).ReadForm(ignored);
    }
    byComponent.CheckCount(layout.Components.size());
    const std::string lineEnd = LineEndOf(text);
    std::vector<TEdit> edits;
    for (const auto& [index, number] : byComponent.Numbers()) {
        const TTextComponent& component = layout.Components[index];
        const std::string digits = std::to_string(number);
        for (const auto& [start, end] : component.HelpValues)
            edits.push_back({start, end - start, digits});
        if (!component.HelpValues.empty())
            continue;
        const std::string indent = component.LastNameStart
                                       ? std::string(IndentOfLine(text, *component.LastNameStart))
                                       : std::string(IndentOfLine(text, component.HeaderStart)) + "  ";
        const std::size_t end = component.LastNameStart ? component.LastValueEnd : component.HeaderEnd;
        edits.push_back(
            NewLineAfter(text, end, indent + std::string(kHelpContextName) + " = " + digits, lineEnd));
    }
    return Applied(text, std::move(edits));
}
