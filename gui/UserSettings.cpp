#include "gui/UserSettings.h"

#include "io/Os.h"

#include <cstdint>

namespace {

constexpr const wchar_t* kLastProject = L"LastProject";
constexpr const wchar_t* kWindowPlace[] = {L"WindowLeft", L"WindowTop", L"WindowRight", L"WindowBottom"};

// The key, opened for reading or made for writing, closed at the end of its scope.
class SettingsKey {
public:
    explicit SettingsKey(bool write) {
        const LSTATUS status =
            write ? RegCreateKeyExW(HKEY_CURRENT_USER, TUserSettings::kKey, 0, nullptr, 0, KEY_SET_VALUE,
                                    nullptr, &key_, nullptr)
                  : RegOpenKeyExW(HKEY_CURRENT_USER, TUserSettings::kKey, 0, KEY_QUERY_VALUE, &key_);
        if (status != ERROR_SUCCESS)
            key_ = nullptr;
    }
    SettingsKey(const SettingsKey&) = delete;
    SettingsKey& operator=(const SettingsKey&) = delete;
    ~SettingsKey() {
        if (key_)
            RegCloseKey(key_);
    }
    HKEY Handle() const { return key_; }

private:
    HKEY key_ = nullptr;
};

std::optional<std::wstring> ReadText(HKEY key, const wchar_t* name) {
    DWORD bytes = 0;
    if (RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, text.data(), &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    text.resize(bytes / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0')
        text.pop_back();
    return text;
}

// Coordinates may be negative (a monitor left of or above the main one): the DWORD holds their bits.
std::optional<LONG> ReadNumber(HKEY key, const wchar_t* name) {
    DWORD value = 0, bytes = sizeof value;
    if (RegGetValueW(key, nullptr, name, RRF_RT_REG_DWORD, nullptr, &value, &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    return static_cast<LONG>(static_cast<std::int32_t>(value));
}

bool SamePlace(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

} // namespace

TUserSettings::TUserSettings() {
    const SettingsKey key(false);
    if (!key.Handle())
        return;
    if (const auto project = ReadText(key.Handle(), kLastProject))
        lastProject_ = os::Narrow(*project);
    LONG edges[4];
    for (int i = 0; i < 4; ++i) {
        const auto edge = ReadNumber(key.Handle(), kWindowPlace[i]);
        if (!edge)
            return;
        edges[i] = *edge;
    }
    if (edges[0] < edges[2] && edges[1] < edges[3])
        windowPlace_ = RECT{edges[0], edges[1], edges[2], edges[3]};
}

void TUserSettings::SetLastProject(const std::string& fileName) {
    if (fileName == lastProject_)
        return;
    lastProject_ = fileName;
    const SettingsKey key(true);
    const std::wstring text = os::Widen(fileName);
    if (key.Handle())
        RegSetValueExW(key.Handle(), kLastProject, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void TUserSettings::SetWindowPlace(const RECT& bounds) {
    if (windowPlace_ && SamePlace(*windowPlace_, bounds))
        return;
    windowPlace_ = bounds;
    const SettingsKey key(true);
    if (!key.Handle())
        return;
    const LONG edges[] = {bounds.left, bounds.top, bounds.right, bounds.bottom};
    for (int i = 0; i < 4; ++i) {
        const auto value = static_cast<DWORD>(static_cast<std::int32_t>(edges[i]));
        RegSetValueExW(key.Handle(), kWindowPlace[i], 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof value);
    }
}
