// The help-context scan on forms of 1 000, 10 000 and 100 000 components, with a HelpContext on
// every component or on none, flat or nested in panels with collections. Items are components, so time per
// item shows whether the scan stays linear as forms grow. The Rescan of projects of 2 000 and 10 000
// small forms, on one thread and on two; and of 10 000 and 100 000 forms as real ones are, listed in the
// disk's case or in another, beside a plain read of the same files; and beside the scan, the commands
// that keep each form's whole tree. Items are forms.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

#include "formstream/FormText.h"
#include "help/HelpNumberPlan.h"
#include "io/Streams.h"
#include "report/AssignReport.h"
#include "report/CoverageReport.h"
#include "report/ScanReport.h"
#include "scanner/FormSource.h"
#include "scanner/FormTextSearch.h"
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
        ScanFormText(files.FormText({form, form}).Text, scanned);
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

// A project as real ones are: forms of 20 to 50 components of a few properties each (about 5.7 KB, 8.8 KB
// as text), three of them numbered, saved on Windows as "Form000001.dfm"; the makefile lists them so, or
// (a checkout on another system) as "form000001.DFM".
struct RealisticProject {
    std::string Exact;     // the makefile in the disk's case
    std::string OtherCase; // the same forms in another case
    std::vector<std::string> Files;
};

std::string RealisticForm(int index) {
    FormBuilder f;
    const int components = 20 + index % 31;
    f.Object("TForm" + std::to_string(index), "Form" + std::to_string(index))
        .Prop("Left")
        .Int(200)
        .Prop("Top")
        .Int(120)
        .Prop("Width")
        .Int(640)
        .Prop("Height")
        .Int(480)
        .Prop("Caption")
        .String("Customer details " + std::to_string(index))
        .Prop("Font.Name")
        .String("MS Sans Serif")
        .Prop("Font.Height")
        .Int(-11)
        .Prop("OnCreate")
        .Ident("FormCreate")
        .EndProps();
    for (int c = 0; c < components; ++c) {
        f.Object(c % 3 == 0   ? "TEdit"
                 : c % 3 == 1 ? "TButton"
                              : "TLabel",
                 "Control" + std::to_string(c))
            .Prop("Left")
            .Int(8 + c % 4 * 150)
            .Prop("Top")
            .Int(8 + c * 24)
            .Prop("Width")
            .Int(140)
            .Prop("Height")
            .Int(21)
            .Prop("TabOrder")
            .Int(c)
            .Prop("Caption")
            .String("Field number " + std::to_string(c))
            .Prop("Hint")
            .String("Enter the value of field number " + std::to_string(c) + " here")
            .Prop("Anchors")
            .Set({"akLeft", "akTop"})
            .Prop("OnClick")
            .Ident("Control" + std::to_string(c) + "Click");
        if (c % 11 == 5)
            f.Prop("HelpContext").Int(1000 + index * 10 + c);
        f.EndProps().EndChildren();
    }
    f.EndChildren();
    return f.FormFile("TFORM" + std::to_string(index));
}

const RealisticProject& Realistic(int forms) {
    static TempDir dir;
    static std::map<int, RealisticProject> projects;
    RealisticProject& project = projects[forms];
    if (project.Exact.empty()) {
        std::string exact, other;
        for (int i = 0; i < forms; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "Form%06d", i);
            project.Files.push_back(dir.Write(std::to_string(forms) + "/" + name + ".dfm", RealisticForm(i)));
            exact += std::string(" ") + name + ".dfm";
            other += std::string(" f") + (name + 1) + ".DFM";
        }
        project.Exact =
            dir.Write(std::to_string(forms) + "/Exact.mak", "RESDEPEN = $(RESFILES)" + exact + "\r\n");
        project.OtherCase =
            dir.Write(std::to_string(forms) + "/Other.mak", "RESDEPEN = $(RESFILES)" + other + "\r\n");
    }
    return project;
}

// The process's processor time: every thread's.
double ProcessSeconds() {
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The processor time of `cat` itself over the files, as xargs would run it (a few thousand names a
// process), written to /dev/null: what reading the forms costs a program that does nothing with them.
double CatSeconds(const std::vector<std::string>& files) {
    const auto childSeconds = [] {
        rusage usage{};
        getrusage(RUSAGE_CHILDREN, &usage);
        const auto seconds = [](const timeval& t) {
            return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6;
        };
        return seconds(usage.ru_utime) + seconds(usage.ru_stime);
    };
    const double start = childSeconds();
    constexpr std::size_t kNamesAProcess = 4096;
    for (std::size_t at = 0; at < files.size(); at += kNamesAProcess) {
        std::vector<char*> argv{const_cast<char*>("cat")};
        for (std::size_t i = at; i < std::min(files.size(), at + kNamesAProcess); ++i)
            argv.push_back(const_cast<char*>(files[i].c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        pid_t child = 0;
        if (posix_spawnp(&child, "cat", &actions, nullptr, argv.data(), environ) == 0)
            waitpid(child, nullptr, 0);
        posix_spawn_file_actions_destroy(&actions);
    }
    return childSeconds() - start;
}

// The Rescan of a realistic project, listed in the disk's case (case 0) or another (1), beside `cat` of the
// same files in the same run: vs_cat is the scan's processor time (all its threads) over cat's.
void BM_RescanRealProject(benchmark::State& state) {
    const RealisticProject& project = Realistic(static_cast<int>(state.range(0)));
    const std::string& makefile = state.range(1) != 0 ? project.OtherCase : project.Exact;
    double scan = 0, cat = 0;
    for (auto _ : state) {
        const double start = ProcessSeconds();
        const ScanResult result = Rescan(makefile);
        benchmark::DoNotOptimize(result.Forms.size());
        scan += ProcessSeconds() - start;
        state.PauseTiming();
        cat += CatSeconds(project.Files);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["vs_cat"] = scan / cat;
}

// What quorvel-cli does with a realistic project, each command's text output made: scan (command 0),
// coverage (1: every form's whole tree kept, and where F1 lands from each control), assign --controls
// without --write (2: the trees, the numbers in use, and a number for every form and control without
// help of its own). Items are forms; the commands that keep trees are meant to stay within 1.5 times
// the scan's time.
void BM_HelpAuthorCommands(benchmark::State& state) {
    const RealisticProject& project = Realistic(static_cast<int>(state.range(0)));
    const int command = static_cast<int>(state.range(1));
    ScanOptions options;
    options.KeepTrees = command != 0;
    std::size_t bytes = 0;
    double seconds = 0;
    for (auto _ : state) {
        const double start = ProcessSeconds();
        const ScanResult result = Rescan(project.Exact, options);
        const std::vector<const ScannedForm*> forms = FormsOnce(result);
        const auto sink = [&bytes](std::string_view piece) { bytes += piece.size(); };
        if (command == 0) {
            ScanText(result, sink);
        } else if (command == 1) {
            CoverageText(forms, result.LaterVersions, sink);
        } else {
            THelpNumbering numbering;
            numbering.Controls = true;
            PlanText(PlanHelpNumbers(forms, result.LaterVersions, NumbersInUse(forms, nullptr), numbering),
                     sink);
        }
        seconds += ProcessSeconds() - start;
    }
    benchmark::DoNotOptimize(bytes);
    // The processor time of all the scan's threads, which a loaded machine leaves steadier than the time.
    state.counters["process_ms"] = seconds * 1000 / static_cast<double>(state.iterations());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_HelpAuthorCommands)
    ->ArgNames({"forms", "command"})
    ->ArgsProduct({{10000}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ScanFormFile)->Apply(Sizes);
BENCHMARK(BM_ScanFormText)->Apply(Sizes);
BENCHMARK(BM_RescanRealProject)
    ->ArgNames({"forms", "othercase"})
    ->ArgsProduct({{10000, 100000}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();
BENCHMARK(BM_RescanProject)
    ->ArgNames({"forms", "threads"})
    ->ArgsProduct({{2000, 10000}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
