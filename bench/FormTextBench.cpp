// The binary-to-text conversion on generated forms: many small components, and one big binary
// block. Bytes are input bytes, so bytes/second compares across shapes.
#include <benchmark/benchmark.h>

#include "formstream/FormText.h"
#include "formstream/Streams.h"
#include "tests/support/BytesStream.h"
#include "tests/support/FormBuilder.h"

namespace {

std::string ComponentForm(int components) {
    FormBuilder f;
    f.Object("TForm1", "Form1").Prop("Caption").String("Components").Prop("Font.Height").Int(-11).EndProps();
    for (int i = 0; i < components; ++i) {
        f.Object("TLabel", "Label" + std::to_string(i))
            .Prop("Left")
            .Int(8)
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
    return f.FormFile("TFORM1");
}

std::string BinaryForm(int bytes) {
    std::string block(static_cast<size_t>(bytes), '\0');
    for (int i = 0; i < bytes; ++i)
        block[static_cast<size_t>(i)] = static_cast<char>(i * 31);
    FormBuilder f;
    f.Object("TForm1", "Form1").EndProps();
    f.Object("TImage", "Image1").Prop("Picture.Data").Binary(block).EndProps().EndChildren();
    f.EndChildren();
    return f.FormFile("TFORM1");
}

void Convert(benchmark::State& state, const std::string& form) {
    BytesStream input(form);
    for (auto _ : state) {
        input.SetPosition(0);
        TMemoryStream output;
        FormFileToText(input, output);
        benchmark::DoNotOptimize(output.Memory());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(form.size()));
}

void BM_FormFileToText_Components(benchmark::State& state) {
    const int components = static_cast<int>(state.range(0));
    Convert(state, ComponentForm(components));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * components);
}
BENCHMARK(BM_FormFileToText_Components)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_FormFileToText_Binary(benchmark::State& state) {
    Convert(state, BinaryForm(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_FormFileToText_Binary)->Arg(4 << 20)->Unit(benchmark::kMillisecond);

} // namespace
