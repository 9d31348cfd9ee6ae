#pragma once

// Arbitrary bytes as the files of a help project, for the fuzz targets of the help reader: the input is
// cut at each NUL byte, and the pieces written, in turn, as the files of kNames in a folder of the
// process's own (a piece left empty, or missing, is a file that is not there). The names differ in
// case and folder from what a project would write, so that includes exercise the look-up too.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "help/HelpProject.h"
#include <unistd.h>

namespace fuzzhelp {

inline const char* const kNames[] = {"f0.h",  "F1.h",  "sub/f2.h", "f3.H",
                                     "t.rtf", "p.txt", "i.hhk",    "sub/t.htm"};

// Writes the pieces of `data` as the files of kNames, after a first one named `first` when that is
// given; the folder's path, ending in "/".
inline std::string WriteFiles(const std::uint8_t* data, std::size_t size, const char* first = nullptr) {
    static const std::filesystem::path dir = [] {
        const std::filesystem::path made =
            std::filesystem::temp_directory_path() / ("quorvel-help-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(made / "sub");
        return made;
    }();
    std::vector<std::string> names(std::begin(kNames), std::end(kNames));
    if (first != nullptr)
        names.insert(names.begin(), first);
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    for (const std::string& name : names) {
        const std::size_t end = rest.find('\0');
        const std::string_view piece = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (piece.empty()) {
            std::filesystem::remove(dir / name);
            continue;
        }
        std::ofstream(dir / name, std::ios::binary | std::ios::trunc)
            .write(piece.data(), static_cast<std::streamsize>(piece.size()));
    }
    return dir.string() + "/";
}

// The reader's promise about what it says: a few notices of each kind, each one short line.
inline void CheckNotices(const HelpProjectReading& reading) {
    if (reading.Notices.size() > 12 * 11)
        __builtin_trap();
    for (const Notice& notice : reading.Notices) {
        if (notice.Message.size() > 600 || notice.Message.find('\n') != std::string::npos)
            __builtin_trap();
    }
}

} // namespace fuzzhelp
