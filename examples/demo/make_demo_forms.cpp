// Regenerates the demo project's binary form files from their text descriptions:
//     make_demo_forms <folder of *.txt descriptions> <output folder>
// Each NAME.txt becomes NAME.dfm, its resource named after the root's class in capitals, as the
// development environment names it.
#include <cctype>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "tests/support/FormCompiler.h"

namespace fs = std::filesystem;

namespace {

std::string ResourceNameOf(const std::string& text) {
    const std::string header = text.substr(0, text.find('\n'));
    const size_t colon = header.find(": ");
    std::string className =
        colon == std::string::npos ? header.substr(header.find(' ') + 1) : header.substr(colon + 2);
    while (!className.empty() && std::isspace(static_cast<unsigned char>(className.back())))
        className.pop_back();
    for (char& c : className)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return className;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_demo_forms DESCRIPTIONS OUTPUT\n";
        return 2;
    }
    try {
        for (const fs::directory_entry& entry : fs::directory_iterator(argv[1])) {
            if (entry.path().extension() != ".txt")
                continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::stringstream text;
            text << in.rdbuf();
            const std::string form = CompileFormText(text.str(), ResourceNameOf(text.str()));
            const fs::path out = fs::path(argv[2]) / entry.path().stem().concat(".dfm");
            std::ofstream(out, std::ios::binary | std::ios::trunc)
                .write(form.data(), static_cast<std::streamsize>(form.size()));
            std::cout << out.string() << '\n';
        }
    } catch (const std::exception& error) {
        std::cerr << "make_demo_forms: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
