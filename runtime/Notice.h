#pragma once

#include <string>

// A warning, or a failure that did not end the work, as a value: the readers of projects and help
// projects hand them back beside what they read, and each front end shows them its own way.
struct Notice {
    enum Level { kWarning, kError };
    Level What = kWarning;
    // The file it concerns, named as the user knows it; empty when it concerns no file.
    std::string File;
    // The line of File, from 1; 0 when it concerns the whole file.
    int Line = 0;
    std::string Message;

    bool operator==(const Notice& other) const {
        return What == other.What && File == other.File && Line == other.Line && Message == other.Message;
    }
};
