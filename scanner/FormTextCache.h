#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "formstream/Os.h"
#include "scanner/HelpContextScan.h"

// The texts of form files converted before, so that a Rescan on every key typed converts only the
// forms that changed. Each form is still opened and read whole: a text is used again only for the
// same file (by its identity) with the same size, last write time and bytes, so a form rewritten
// within the time stamp's resolution is converted anew. Texts used least recently go first when the
// cache would hold more than its bound.
class TFormTextCache {
public:
    explicit TFormTextCache(std::size_t maxBytes = 64u << 20) : maxBytes_(maxBytes) {}
    TFormTextCache(const TFormTextCache&) = delete;
    TFormTextCache& operator=(const TFormTextCache&) = delete;

    // What ::ScanFormFile does, with the same nodes and the same errors.
    void ScanFormFile(const ListedForm& form, TResultTree& tree);

    std::size_t Bytes() const { return bytes_; } // the forms' bytes and texts held
    std::size_t Count() const { return entries_.size(); }

private:
    struct Entry {
        os::FileStamp Stamp;
        std::string Form; // the file's bytes
        std::string Text;
        std::uint64_t LastUse = 0;
    };

    void Store(const std::string& key, Entry entry);

    std::size_t maxBytes_;
    std::size_t bytes_ = 0;
    std::uint64_t uses_ = 0;
    std::unordered_map<std::string, Entry> entries_;
};
