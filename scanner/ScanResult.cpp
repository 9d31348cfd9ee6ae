#include "scanner/ScanResult.h"

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

std::string ScanResult::FailureMessage() const {
    if (!Failure)
        return std::string();
    try {
        std::rethrow_exception(Failure);
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
    }
    return "Unknown error";
}

bool ScanResult::SameTree(const ScanResult& other) const {
    size_t j = 0;
    for (const ScannedForm& form : Forms) {
        if (!form.Shown())
            continue;
        while (j < other.Forms.size() && !other.Forms[j].Shown())
            ++j;
        if (j == other.Forms.size() || form.Name != other.Forms[j].Name ||
            form.Number != other.Forms[j].Number || form.Components != other.Forms[j].Components)
            return false;
        ++j;
    }
    while (j < other.Forms.size() && !other.Forms[j].Shown())
        ++j;
    return j == other.Forms.size();
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
