// An arbitrary project file against a folder of small forms: the name list, the existence test and
// the scans of whatever it names, as a Rescan does them. Errors are fine; crashes, hangs and leaks
// are not.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "scanner/Rescan.h"

namespace {

void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<long>(bytes.size()));
}

// A folder with a good form, a form with a component, a text form and a cut-short form, and a
// sub-folder "sub" with the good form again, made once. The project stands in "sub": relative names
// are looked up there, so both "A.dfm" and "..\A.dfm" name forms.
void PrepareFolder() {
    static bool prepared = false;
    if (prepared)
        return;
    prepared = true;
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "quorvel-makefile-fuzz";
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    const std::string header("\xFF\x0A\x00"
                             "F\x00\x30\x10\x00\x00\x00\x00",
                             11);
    const std::string good = header + std::string("TPF0\x06TForm1\x05"
                                                  "Form1\x0BHelpContext\x02\x05\x00"
                                                  "\x07TButton\x02"
                                                  "B1\x0BHelpContext\x02\x07\x00\x00\x00",
                                                  56);
    Write("A.dfm", good);
    Write("B.dfm", header + std::string("TPF0\x06TForm2\x05"
                                        "Form2\x00\x07TButton\x02"
                                        "B2\x0BHelpContext"
                                        "\x03\x10\x27\x00\x00\x00",
                                        48));
    Write("T.dfm", "object Form1: TForm1\r\nend\r\n");
    Write("C.dfm", good.substr(0, 30));
    std::filesystem::create_directories(dir / "sub");
    Write("sub/A.dfm", good);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    PrepareFolder();
    Write("sub/Project1.mak", std::string(reinterpret_cast<const char*>(data), size));
    ScanOptions options;
    options.AnyVersion = size > 0 && data[0] % 2 == 0;
    options.KeepGoing = size > 1 && data[1] % 2 == 0;
    Rescan("sub/Project1.mak", options);
    return 0;
}
