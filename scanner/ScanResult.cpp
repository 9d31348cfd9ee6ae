#include "scanner/ScanResult.h"

#include <algorithm>
#include <unordered_set>

#include "io/Os.h"
#include "runtime/Utf8.h"

std::string NameEncoding::ToUtf8(const std::string& name) const {
    if (Utf8Names && IsValidUtf8(name)) {
        for (const char c : name) {
            if (static_cast<unsigned char>(c) >= 0x80)
                return name;
        }
    }
    return os::CodePageToUtf8(CodePage, name);
}

TNodeShows NodeShows(std::optional<std::int32_t> number, THelpType stated, const TFormString* keyword,
                     bool laterVersions) {
    if (!laterVersions)
        return TNodeShows{number, false};
    if (stated == THelpType::kKeyword)
        return TNodeShows{std::nullopt, true};
    return number ? TNodeShows{number, false} : TNodeShows{std::nullopt, KeywordHelped(stated, keyword)};
}

std::string ScannedForm::KeywordUtf8(const TFormString& keyword) const {
    return keyword.Wide ? Utf16ToUtf8(keyword.Units) : Encoding.ToUtf8(keyword.Bytes);
}

std::vector<const ScannedForm*> FormsOnce(const ScanResult& result) {
    std::unordered_set<std::string> seen;
    std::vector<const ScannedForm*> forms;
    for (const ScannedForm& form : result.Forms) {
        if (form.Identity.empty() || seen.insert(form.Identity).second)
            forms.push_back(&form);
    }
    return forms;
}
