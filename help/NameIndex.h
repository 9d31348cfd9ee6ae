#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "runtime/Text.h"

// Names found by name among the entries of a list the caller keeps: a table of the entries' places,
// open addressing, no copy of a name. Help projects hold hundreds of thousands of identifiers; a node
// and a string per name would cost several times the names themselves.
//
// `kIgnoreCase` compares names as Windows compares identifiers of help projects: ASCII letters
// without regard to case.
template <bool kIgnoreCase> class TNameIndex {
public:
    static constexpr std::uint32_t kNone = UINT32_MAX;

    // The place of `name`, or kNone; `nameOf(place)` gives the name of an entry.
    template <class NameOf> std::uint32_t Find(std::string_view name, const NameOf& nameOf) const {
        if (slots_.empty())
            return kNone;
        for (std::size_t at = Hash(name) & (slots_.size() - 1);; at = (at + 1) & (slots_.size() - 1)) {
            const std::uint32_t place = slots_[at];
            if (place == kNone || Equal(nameOf(place), name))
                return place;
        }
    }

    // Adds the entry at `place`, whose name is not in the index yet.
    template <class NameOf> void Add(std::uint32_t place, const NameOf& nameOf) {
        if ((count_ + 1) * 2 > slots_.size()) {
            std::vector<std::uint32_t> old(slots_.empty() ? 16 : slots_.size() * 2, kNone);
            old.swap(slots_);
            for (const std::uint32_t kept : old) {
                if (kept != kNone)
                    Put(kept, nameOf(kept));
            }
        }
        Put(place, nameOf(place));
        ++count_;
    }

private:
    static char Folded(char c) { return kIgnoreCase ? AsciiUpper(c) : c; }

    static std::size_t Hash(std::string_view name) {
        std::uint64_t hash = 14695981039346656037ull; // FNV-1a
        for (const char c : name)
            hash = (hash ^ static_cast<unsigned char>(Folded(c))) * 1099511628211ull;
        return static_cast<std::size_t>(hash ^ (hash >> 29));
    }

    static bool Equal(std::string_view a, std::string_view b) {
        return kIgnoreCase ? EqualIgnoringAsciiCase(a, b) : a == b;
    }

    void Put(std::uint32_t place, std::string_view name) {
        std::size_t at = Hash(name) & (slots_.size() - 1);
        while (slots_[at] != kNone)
            at = (at + 1) & (slots_.size() - 1);
        slots_[at] = place;
    }

    std::vector<std::uint32_t> slots_; // a power of two of them, at most half in use
    std::size_t count_ = 0;
};
