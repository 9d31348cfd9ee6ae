// Reading a help project of 200 000 lines and checking the numbers of 1 000 forms against it, as
// `check --help-project` does: 100 000 map lines in an included header, 100 000 aliases to 200 topic
// files named in another case than the disk's (a project written on Windows, checked out elsewhere),
// and 4 000 numbered nodes. Items are help lines. vs_cat is its time against reading the bytes of the
// same files (as cat would) in the same iterations, so that the machine's speed cancels; both in
// processor time.
#include <benchmark/benchmark.h>

#include <ctime>
#include <string>
#include <vector>

#include "help/HelpLinks.h"
#include "help/HelpProject.h"
#include "io/InputFile.h"
#include "tests/support/TestFiles.h"

namespace {

constexpr int kForms = 1000;
constexpr int kMapLines = 100000;
constexpr int kTopics = 200;

// Processor time, which other work on the machine does not stretch as it stretches the wall clock.
double Seconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// The identifier and number of the n-th map line: the first ones the forms' nodes, four a form.
std::string Id(int n) {
    return n < kForms * 4
               ? "IDH_Form" + std::to_string(n / 4 + 1) + (n % 4 == 0 ? "" : "_C" + std::to_string(n % 4))
               : "IDH_Extra" + std::to_string(n);
}

void BM_CheckHelpProject(benchmark::State& state) {
    TempDir dir;
    std::string map;
    std::string project = "[OPTIONS]\r\nCompiled file=Help.chm\r\n[MAP]\r\n#include HelpMap.h\r\n[ALIAS]\r\n";
    for (int n = 0; n < kMapLines; ++n) {
        map += "#define " + Id(n) + " " + std::to_string(10000 + n) + "\r\n";
        project += Id(n) + "=html\\Topic" + std::to_string(n % kTopics) + ".htm\r\n";
    }
    for (int topic = 0; topic < kTopics; ++topic)
        dir.Write("html/topic" + std::to_string(topic) + ".htm", "<html></html>\r\n");
    const std::vector<std::string> files = {dir.Write("Help.hhp", project), dir.Write("HelpMap.h", map)};
    std::vector<HelpContextEntry> entries(kForms * 4);
    for (int n = 0; n < kForms * 4; ++n) {
        entries[n].Form = "Form" + std::to_string(n / 4 + 1);
        if (n % 4 != 0)
            entries[n].Component = "C" + std::to_string(n % 4);
        entries[n].Number = 10000 + n;
    }
    double checkSeconds = 0, catSeconds = 0;
    for (auto _ : state) {
        double start = Seconds();
        const HelpProjectReading help = ReadHelpProject(files[0]);
        const std::vector<HelpContextFinding> findings = CheckHelpProject(entries, help.Project, "IDH_");
        benchmark::DoNotOptimize(findings.data());
        checkSeconds += Seconds() - start;
        if (!findings.empty() || !help.Notices.empty())
            state.SkipWithError("the generated help project should give no finding and no notice");
        start = Seconds();
        for (const std::string& file : files)
            benchmark::DoNotOptimize(TInputFile(file, file, kMaxProjectFileBytes).ReadAll().data());
        catSeconds += Seconds() - start;
    }
    state.SetItemsProcessed(state.iterations() * kMapLines * 2);
    state.counters["vs_cat"] = checkSeconds / catSeconds;
}
BENCHMARK(BM_CheckHelpProject)->Unit(benchmark::kMillisecond);

} // namespace
