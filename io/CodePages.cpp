#include "io/CodePages.h"

#include "runtime/Utf8.h"

namespace {

// One code page as Windows converts it. Single gives every byte that stands alone its character: a
// byte the page leaves unassigned its default character, or in a single-byte page the control
// character of its number; a lead byte stands alone before a byte that cannot follow it, or at the end.
// In a double-byte page Leads numbers the lead bytes from 1, and Pairs holds for each of them the
// characters of the bytes 0x40 to 0xFF after it: 0 where the byte cannot follow it, the default
// character where the two make none.
struct CodePageTable {
    unsigned Page;
    const char16_t* Single;
    const unsigned char* Leads; // nullptr in a single-byte page
    const char16_t* Pairs;
};
constexpr unsigned kFirstTrail = 0x40;
constexpr unsigned kTrailsPerLead = 0x100 - kFirstTrail;

#include "io/CodePageTables.inc"

const CodePageTable* FindTable(unsigned codePage) {
    for (const CodePageTable& table : kCodePageTables) {
        if (table.Page == codePage)
            return &table;
    }
    return nullptr;
}

} // namespace

std::string CodePageTextToUtf8(unsigned codePage, std::string_view bytes) {
    const CodePageTable* table = FindTable(codePage);
    if (table == nullptr) {
        if (bytes.empty())
            return std::string();
        throw UnconvertibleCodePage(codePage);
    }
    std::string utf8;
    utf8.reserve(bytes.size() + bytes.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (table->Leads != nullptr && table->Leads[byte] != 0 && i + 1 < bytes.size()) {
            const auto next = static_cast<unsigned char>(bytes[i + 1]);
            const char16_t pair =
                next < kFirstTrail
                    ? 0
                    : table->Pairs[(table->Leads[byte] - 1u) * kTrailsPerLead + next - kFirstTrail];
            if (pair != 0) {
                AppendUtf8(utf8, pair);
                ++i;
                continue;
            }
        }
        AppendUtf8(utf8, table->Single[byte]);
    }
    return utf8;
}

bool CodePageTableCarried(unsigned codePage) {
    return FindTable(codePage) != nullptr;
}
