#include "tests/support/TestFiles.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (;;) {
        const fs::path candidate = fs::temp_directory_path() / ("quorvel-test-" + std::to_string(random()));
        if (fs::create_directory(candidate)) {
            path_ = candidate.string();
            return;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string TempDir::File(const std::string& name) const {
    return (fs::path(path_) / name).string();
}

std::string TempDir::Write(const std::string& name, const std::string& bytes) const {
    const std::string full = File(name);
    fs::create_directories(fs::path(full).parent_path());
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return full;
}

ScopedCurrentDir::ScopedCurrentDir(const std::string& path) : previous_(fs::current_path().string()) {
    fs::current_path(path);
}

ScopedCurrentDir::~ScopedCurrentDir() {
    std::error_code ignored;
    fs::current_path(previous_, ignored);
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

std::string CorpusDir() {
    std::error_code ignored;
    const fs::path dir = fs::path(QUORVEL_CORPUS_DIR);
    return fs::is_directory(dir, ignored) ? fs::canonical(dir, ignored).string() : std::string();
}
