#pragma once

#include <string>

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    // The full name of `name` inside the folder.
    std::string File(const std::string& name) const;
    // Writes `bytes` to `name` inside the folder and returns its full name.
    std::string Write(const std::string& name, const std::string& bytes) const;

private:
    std::string path_;
};

// Makes a folder the current directory for its lifetime, then goes back.
class ScopedCurrentDir {
public:
    explicit ScopedCurrentDir(const std::string& path);
    ~ScopedCurrentDir();
    ScopedCurrentDir(const ScopedCurrentDir&) = delete;
    ScopedCurrentDir& operator=(const ScopedCurrentDir&) = delete;

private:
    std::string previous_;
};

// The whole content of a file; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// The folder of real-world project and form files next to the repository, or "" when absent.
std::string CorpusDir();
