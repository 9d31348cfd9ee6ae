// The text-to-binary direction on generated texts: many small components, one big binary block,
// and floats. Bytes are text bytes read.
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

std::string ComponentText(int components) {
    FormBuilder f;
    f.Object("TForm1", "Form1").Prop("Caption").String("Components").EndProps();
    for (int i = 0; i < components; ++i) {
        f.Object("TLabel", "Label" + std::to_string(i))
            .Prop("Top")
            .Int(i % 1000)
            .Prop("Caption")
            .String("It's label " + std::to_string(i))
            .Prop("Anchors")
            .Set({"akLeft", "akTop"})
            .Prop("HelpContext")
            .Int(1000 + i)
            .EndProps()
            .EndChildren();
    }
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

void BM_FormTextToFormFile_Components(benchmark::State& state) {
    Read(state, ComponentText(static_cast<int>(state.range(0))));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_FormTextToFormFile_Components)->Arg(100000)->Unit(benchmark::kMillisecond);

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
