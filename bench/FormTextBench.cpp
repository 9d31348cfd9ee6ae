// The binary-to-text conversion, each form beside a plain copy of the same number of output bytes.
// Every iteration converts the form into a reused memory stream and then copies as many bytes from
// one buffer to another; both are timed in the thread's processor time, and the counter vs_copy is
// the conversion's output rate divided by the copy's (1 would be the speed of memory), measured
// side by side so that the speed of the machine, and of the other work it runs, cancels. The float form also
// converts the same form without floats in each iteration: vs_plain is the time with floats divided by the
// time without, and vs_plain_per_byte the same per byte of text written. And it converts the form whose
// floats are identifiers spelt as the floats' texts, whose text is the same byte for byte: vs_text is the
// time with floats divided by that time, the cost of making the numbers' text apart from the cost of writing
// their lines.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

#include "formstream/FormText.h"
#include "formstream/NumberText.h"
#include "formstream/Reader.h"
#include "io/Streams.h"
#include "tests/support/BytesStream.h"
#include "tests/support/FormBuilder.h"

namespace {

// Seconds of processor time this thread has used.
double ThreadSeconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The float property of each component: none, an extended value, or an identifier spelt as that
// value's text.
enum class TFloats { None, Values, Texts };

// 100 000 small components of ints, strings and sets; with floats, one float property each, spread
// over many magnitudes and rarely short in decimal.
std::string ComponentForm(int components, TFloats floats) {
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
            .Set({"akLeft", "akTop"});
        const double value = (i % 1000003 + 1) / 997.0 * std::pow(10.0, i % 31 - 15);
        if (floats == TFloats::Values)
            f.Prop("Ratio").Extended(value);
        if (floats == TFloats::Texts) {
            TExtended extended;
            const auto bytes = FormBuilder::ExtendedOf(value);
            std::copy(bytes.begin(), bytes.end(), extended.Bytes);
            f.Prop("Ratio").Ident(FormatExtended(extended));
        }
        f.Prop("HelpContext").Int(1000 + i).EndProps().EndChildren();
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

// One form's conversion into a memory stream that keeps its block between runs.
class Conversion {
public:
    explicit Conversion(const std::string& form) : input_(form) { Run(); }

    double Run() {
        const double start = ThreadSeconds();
        input_.SetPosition(0);
        output_.SetPosition(0);
        FormFileToText(input_, output_);
        benchmark::DoNotOptimize(output_.Memory());
        return ThreadSeconds() - start;
    }
    std::int64_t OutputBytes() { return output_.Size(); }
    std::string_view Text() { return {output_.Memory(), static_cast<std::size_t>(output_.Size())}; }

private:
    BytesStream input_;
    TMemoryStream output_;
};

// A copy of `bytes` bytes between two buffers of their own.
class Copy {
public:
    explicit Copy(std::int64_t bytes)
        : from_(static_cast<size_t>(bytes), 'x'), to_(static_cast<size_t>(bytes)) {}

    double Run() {
        const double start = ThreadSeconds();
        std::memcpy(to_.data(), from_.data(), from_.size());
        benchmark::DoNotOptimize(to_.data());
        return ThreadSeconds() - start;
    }

private:
    std::vector<char> from_, to_;
};

void Report(benchmark::State& state, std::int64_t outputBytes, double convertSeconds, double copySeconds) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * outputBytes);
    state.counters["vs_copy"] = copySeconds / convertSeconds;
}

void Measure(benchmark::State& state, const std::string& form) {
    Conversion conversion(form);
    Copy copy(conversion.OutputBytes());
    double convertSeconds = 0, copySeconds = 0;
    for (auto _ : state) {
        const double seconds = conversion.Run();
        state.SetIterationTime(seconds);
        convertSeconds += seconds;
        copySeconds += copy.Run();
    }
    Report(state, conversion.OutputBytes(), convertSeconds, copySeconds);
}

void BM_FormFileToText_Components(benchmark::State& state) {
    Measure(state, ComponentForm(static_cast<int>(state.range(0)), TFloats::None));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_FormFileToText_Components)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_FormFileToText_Binary(benchmark::State& state) {
    Measure(state, BinaryForm(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_FormFileToText_Binary)->Arg(32 << 20)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_FormFileToText_Floats(benchmark::State& state) {
    const int components = static_cast<int>(state.range(0));
    Conversion floats(ComponentForm(components, TFloats::Values));
    Conversion plain(ComponentForm(components, TFloats::None));
    Conversion texts(ComponentForm(components, TFloats::Texts));
    if (texts.Text() != floats.Text()) {
        state.SkipWithError("the identifiers are not spelt as the floats' text");
        return;
    }
    Copy copy(floats.OutputBytes());
    double floatSeconds = 0, plainSeconds = 0, textSeconds = 0, copySeconds = 0;
    for (auto _ : state) {
        const double seconds = floats.Run();
        state.SetIterationTime(seconds);
        floatSeconds += seconds;
        plainSeconds += plain.Run();
        textSeconds += texts.Run();
        copySeconds += copy.Run();
    }
    Report(state, floats.OutputBytes(), floatSeconds, copySeconds);
    state.counters["vs_plain"] = floatSeconds / plainSeconds;
    // The same per byte written: the float form's text is longer by the floats' digits.
    state.counters["vs_plain_per_byte"] = floatSeconds / static_cast<double>(floats.OutputBytes()) /
                                          (plainSeconds / static_cast<double>(plain.OutputBytes()));
    state.counters["vs_text"] = floatSeconds / textSeconds;
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * components);
}
BENCHMARK(BM_FormFileToText_Floats)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

namespace {

// One extended value's text, over values of many magnitudes: the cost of a float on its own.
void BM_FormatExtended(benchmark::State& state) {
    std::vector<TExtended> values(4096);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto bytes = FormBuilder::ExtendedOf((i % 1000003 + 1) / 997.0 *
                                                   std::pow(10.0, static_cast<int>(i % 31) - 15));
        std::copy(bytes.begin(), bytes.end(), values[i].Bytes);
    }
    std::size_t i = 0;
    char text[kNumberTextRoom];
    for (auto _ : state) {
        benchmark::DoNotOptimize(FormatExtendedTo(text, values[i++ % values.size()]));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_FormatExtended);

} // namespace
