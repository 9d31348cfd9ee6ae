// The text-to-binary direction on generated texts: long collections and lists, one big binary
// block, and floats. Bytes are text bytes read.
#include <benchmark/benchmark.h>

#include "formstream/FormText.h"
#include "formstream/FormTextReader.h"
#include "tests/support/BytesStream.h"
#include "tests/support/FormBuilder.h"

namespace {

std::string TextOf(const FormBuilder& form) {
    BytesStream input(form.FormFile("TFORM1"));
    TMemoryStream output;
    FormFileToText(input, output);
    return std::string(output.Memory(), static_cast<size_t>(output.Size()));
}

// A status bar whose panels make a long collection, and a list box with a long list of lines.
std::string CollectionText(int items) {
    FormBuilder f;
    f.Object("TForm1", "Form1").EndProps();
    f.Object("TStatusBar", "StatusBar1").Prop("Panels").Collection();
    for (int i = 0; i < items; ++i)
        f.Item()
            .Prop("Alignment")
            .Ident("taCenter")
            .Prop("Text")
            .String("Panel " + std::to_string(i))
            .Prop("Width")
            .Int(i)
            .EndItem();
    f.EndCollection().EndProps().EndChildren();
    f.Object("TListBox", "ListBox1").Prop("Items.Strings").List();
    for (int i = 0; i < items; ++i)
        f.String("It's line " + std::to_string(i) + "\r");
    f.EndList().EndProps().EndChildren();
    f.EndChildren();
    return TextOf(f);
}

std::string BinaryText(int bytes) {
    std::string block(static_cast<size_t>(bytes), '\0');
    for (int i = 0; i < bytes; ++i)
        block[static_cast<size_t>(i)] = static_cast<char>(i * 31);
    FormBuilder f;
    f.Object("TImage", "Image1").Prop("Picture.Data").Binary(block).EndProps().EndChildren();
    return TextOf(f);
}

// Floats of 15 digits over the whole range of exponents a form uses.
std::string FloatText(int floats) {
    FormBuilder f;
    f.Object("TChart", "Chart1").Prop("Values").List();
    for (int i = 0; i < floats; ++i)
        f.Extended((i % 2 ? -1 : 1) * (1.0 + i * 0.123456789012345) * (i % 7 == 0 ? 1e-30 : 1e12));
    f.EndList().EndProps().EndChildren();
    return TextOf(f);
}

void Read(benchmark::State& state, const std::string& text) {
    BytesStream input(text);
    for (auto _ : state) {
        input.SetPosition(0);
        benchmark::DoNotOptimize(FormTextToFormFile(input));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
}

void BM_FormTextToFormFile_Collections(benchmark::State& state) {
    Read(state, CollectionText(static_cast<int>(state.range(0))));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 2 * state.range(0));
}
BENCHMARK(BM_FormTextToFormFile_Collections)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_FormTextToFormFile_Binary(benchmark::State& state) {
    Read(state, BinaryText(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_FormTextToFormFile_Binary)->Arg(4 << 20)->Unit(benchmark::kMillisecond);

void BM_FormTextToFormFile_Floats(benchmark::State& state) {
    Read(state, FloatText(static_cast<int>(state.range(0))));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_FormTextToFormFile_Floats)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
