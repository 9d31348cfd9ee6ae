// Arbitrary bytes as a tree of C headers, read as the map of a help project that includes the first: the
// preprocessor over files that include one another in any case, depth and number, with macros and
// conditions of any size. Pieces of the input, cut at NUL bytes, are the headers (fuzz/HelpFiles.h).
// Nothing may crash, hang, or say more than a few short notices of a kind.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "HelpFiles.h"
#include "help/HelpProject.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string dir = fuzzhelp::WriteFiles(data, size);
    static const bool written = [&dir] {
        std::ofstream(dir + "h.hhp", std::ios::binary) << "[MAP]\n#include f0.h\n";
        return true;
    }();
    (void)written;
    const HelpProjectReading reading = ReadHelpProject(dir + "h.hhp");
    fuzzhelp::CheckNotices(reading);
    return 0;
}
