// The help-context scan on forms of 1 000, 10 000 and 100 000 components, with a HelpContext on
// every component or on none, flat or nested in panels with collections. Items are components, so time per
// item shows whether the scan stays linear as forms grow. And the Rescan of projects of 2 000 and 10 000
// small forms, on one thread and on two; items are forms.
#include <benchmark/benchmark.h>

#include <map>
#include <utility>

#include "formstream/FormText.h"
#include "io/InputFile.h"
#include "io/Streams.h"
#include "scanner/FormSource.h"
#include "scanner/Rescan.h"
#include "tests/support/BytesStream.h"
#include "tests/support/FormBuilder.h"
#include "tests/support/TestFiles.h"

namespace {

// A form of `components` buttons, each with a HelpContext or none; nested, every ten of them stand
// in a panel of their own (the panel one of the ten), which holds a collection whose item has a
// HelpContext too.
std::string BigForm(int components, bool withContext, bool nested) {
    FormBuilder f;
    f.Object("TForm1", "Form1").Prop("Caption").String("Big").EndProps();
    for (int i = 0; i < components; ++i) {
        if (nested && i % 10 == 0) {
            f.Object("TPanel", "Panel" + std::to_string(i)).Prop("Columns").Collection();
            f.Item().Prop("HelpContext").Int(7).EndItem().EndCollection().EndProps();
        } else {
            f.Object("TButton", "Button" + std::to_string(i)).Prop("Left").Int(8).Prop("Top").Int(i % 500);
            if (withContext)
                f.Prop("HelpContext").Int(1000 + i);
            f.Prop("Caption").String("Press").EndProps().EndChildren();
        }
        if (nested && (i % 10 == 9 || i + 1 == components))
            f.EndChildren();
    }
    f.EndChildren();
    return f.FormFile("TFORM1");
}

std::string TextOf(const std::string& form) {
    BytesStream input(form);
    TMemoryStream text;
    FormFileToText(input, text);
    return std::string(text.Memory(), static_cast<size_t>(text.Size()));
}

// The whole scan of one form file: open, convert into memory, search, fill the tree.
void BM_ScanFormFile(benchmark::State& state) {
    const int components = static_cast<int>(state.range(0));
    TempDir dir;
    const std::string form =
        dir.Write("big.dfm", BigForm(components, state.range(1) != 0, state.range(2) != 0));
    TFileFormSource files(false);
    for (auto _ : state) {
        ScannedForm scanned;
        TInputFile file(form, form, kMaxFormFileBytes);
        ScanFormText(files.FormText({form, form}, file), scanned);
        benchmark::DoNotOptimize(scanned.Components.size());
    }
    state.SetItemsProcessed(state.iterations() * components);
}

// The text search alone, over text already converted.
void BM_ScanFormText(benchmark::State& state) {
    const int components = static_cast<int>(state.range(0));
    const std::string text = TextOf(BigForm(components, state.range(1) != 0, state.range(2) != 0));
    for (auto _ : state) {
        ScannedForm scanned;
        ScanFormText(text, scanned);
        benchmark::DoNotOptimize(scanned.Components.size());
    }
    state.SetItemsProcessed(state.iterations() * components);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

void Sizes(benchmark::internal::Benchmark* bench) {
    bench->ArgNames({"components", "context", "nested"});
    for (const auto& [context, nested] : {std::pair{0, 0}, std::pair{1, 0}, std::pair{1, 1}})
        for (const int components : {1000, 10000, 100000})
            bench->Args({components, context, nested});
    bench->Unit(benchmark::kMillisecond);
}

// A project of `forms` small forms (a form with a number and three numbered components, as
// scripts/make-big-project.py writes them), written once per size.
const std::string& BigProject(int forms) {
    static TempDir dir;
    static std::map<int, std::string> projects;
    std::string& project = projects[forms];
    if (project.empty()) {
        std::string list;
        for (int i = 0; i < forms; ++i) {
            const std::string name = std::to_string(forms) + "/Form" + std::to_string(i);
            FormBuilder f;
            f.Object("TForm" + std::to_string(i), "Form" + std::to_string(i))
                .Prop("HelpContext")
                .Int(i)
                .EndProps();
            for (const char* component : {"Edit1", "Button1", "CheckBox1"})
                f.Object("TButton", component).Prop("HelpContext").Int(i + 1).EndProps().EndChildren();
            f.EndChildren();
            dir.Write(name + ".dfm", f.FormFile("TFORM"));
            list += " Form" + std::to_string(i) + ".dfm";
        }
        project = dir.Write(std::to_string(forms) + "/Big.mak", "RESDEPEN = $(RESFILES)" + list + "\r\n");
    }
    return project;
}

// The whole Rescan of a big project, forms read on one thread or several: what quorvel-cli scan and the
// window's scan thread do.
void BM_RescanProject(benchmark::State& state) {
    const std::string& project = BigProject(static_cast<int>(state.range(0)));
    ScanOptions options;
    options.Threads = static_cast<unsigned>(state.range(1));
    for (auto _ : state) {
        const ScanResult result = Rescan(project, options);
        benchmark::DoNotOptimize(result.Forms.size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_ScanFormFile)->Apply(Sizes);
BENCHMARK(BM_ScanFormText)->Apply(Sizes);
BENCHMARK(BM_RescanProject)
    ->ArgNames({"forms", "threads"})
    ->ArgsProduct({{2000, 10000}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
