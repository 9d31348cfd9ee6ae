#pragma once

#include <windows.h>

#include <optional>
#include <string>

// What the program remembers for each user between runs, in the registry under
// HKEY_CURRENT_USER\Software\Quorvel: the last project that scanned without error and the place of the
// window. Read once when made; a value is written only when it differs from the one stored. Remembering
// is a convenience: a key that cannot be read starts as on a first run, one that cannot be written
// forgets, and neither is reported.
class TUserSettings {
public:
    static constexpr const wchar_t* kKey = L"Software\\Quorvel";

    TUserSettings();

    // The project's full file name (UTF-8); empty when none is remembered.
    const std::string& LastProject() const { return lastProject_; }
    void SetLastProject(const std::string& fileName);

    // The window's bounds in screen pixels, when remembered.
    const std::optional<RECT>& WindowPlace() const { return windowPlace_; }
    void SetWindowPlace(const RECT& bounds);

private:
    std::string lastProject_;
    std::optional<RECT> windowPlace_;
};
