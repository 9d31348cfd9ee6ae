// quorvel-cli-docs VERSION FOLDER: writes quorvel-cli's manual page (quorvel-cli.1), dated as its commit,
// and its bash, zsh and fish completions (quorvel-cli.bash, _quorvel-cli, quorvel-cli.fish) into FOLDER,
// all from the description that --help prints. The build runs it; it is not shipped.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli/Commit.h"
#include "cli/Completions.h"
#include "cli/ManualPage.h"

namespace {

bool Write(const std::filesystem::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out)
        std::fprintf(stderr, "quorvel-cli-docs: cannot write %s\n", file.string().c_str());
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: quorvel-cli-docs VERSION FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[2];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const bool written = Write(folder / "quorvel-cli.1", ManualPage(argv[1], QUORVEL_COMMIT_DATE)) &&
                         Write(folder / "quorvel-cli.bash", BashCompletion()) &&
                         Write(folder / "_quorvel-cli", ZshCompletion()) &&
                         Write(folder / "quorvel-cli.fish", FishCompletion());
    return written ? 0 : 1;
}
