// Arbitrary bytes as a whole help project with the files it names: the project (an HTML one, or a
// classic one when the first byte is odd), headers, alias files, RTF topics, text pop-ups, an index,
// cut at NUL bytes (fuzz/HelpFiles.h); read, its keyword index read, and the forms' numbers checked
// against it. Nothing may crash, hang, or say more than a few short notices of a kind.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "HelpFiles.h"
#include "help/HelpLinks.h"
#include "help/HelpProject.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* project = size > 0 && data[0] % 2 != 0 ? "h.hpj" : "h.hhp";
    const std::string dir = fuzzhelp::WriteFiles(data, size, project);
    HelpProjectReading reading = ReadHelpProject(dir + project);
    ReadKeywordIndex(dir + project, reading);
    fuzzhelp::CheckNotices(reading);
    static const std::vector<HelpContextEntry> entries = [] {
        std::vector<HelpContextEntry> made(4);
        const char* const components[] = {"", "Ok", "Cancel", "Ok"};
        for (std::size_t i = 0; i < made.size(); ++i) {
            made[i].Form = "Main";
            if (i > 0)
                made[i].Component = components[i];
            made[i].Number = static_cast<std::int32_t>(100 + 10 * (i % 3));
        }
        return made;
    }();
    CheckHelpProject(entries, reading.Project, "IDH_");
    return 0;
}
