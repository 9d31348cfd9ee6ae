#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "runtime/Text.h"

// Names found by name among the entries of a list the caller keeps: a table of the entries' places,
// open addressing, no copy of a name. Help projects hold up to millions of identifiers; a node and a
// string per name would cost several times the names themselves. Each slot keeps its name's hash
// beside the place, so that a look-up reads a name only where the hash matches, and growing reads
// none.
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
        const std::uint32_t hash = Hash(name);
        for (std::size_t at = hash & (slots_.size() - 1);; at = (at + 1) & (slots_.size() - 1)) {
            const Slot slot = slots_[at];
            if (slot.Place == kNone || (slot.Hash == hash && Equal(nameOf(slot.Place), name)))
                return slot.Place;
        }
    }

    // Adds the entry at `place`, whose name is not in the index yet.
    template <class NameOf> void Add(std::uint32_t place, const NameOf& nameOf) {
        if ((count_ + 1) * 2 > slots_.size()) {
            std::vector<Slot> old(slots_.empty() ? 16 : slots_.size() * 2);
            old.swap(slots_);
            for (const Slot kept : old) {
                if (kept.Place != kNone)
                    Put(kept);
            }
        }
        Put(Slot{place, Hash(nameOf(place))});
        ++count_;
    }

private:
    struct Slot {
        std::uint32_t Place = kNone;
        std::uint32_t Hash = 0;
    };

    static char Folded(char c) { return kIgnoreCase ? AsciiUpper(c) : c; }

    static std::uint32_t Hash(std::string_view name) {
        std::uint64_t hash = 14695981039346656037ull; // FNV-1a
        for (const char c : name)
            hash = (hash ^ static_cast<unsigned char>(Folded(c))) * 1099511628211ull;
        // FNV leaves names that differ in their last characters close together in the low bits the
        // table uses: mixed as MurmurHash3 finishes, every bit of the name moves them.
        hash = (hash ^ (hash >> 33)) * 0xFF51AFD7ED558CCDull;
        hash = (hash ^ (hash >> 33)) * 0xC4CEB9FE1A85EC53ull;
        return static_cast<std::uint32_t>(hash ^ (hash >> 33));
    }

    static bool Equal(std::string_view a, std::string_view b) {
        return kIgnoreCase ? EqualIgnoringAsciiCase(a, b) : a == b;
    }

    void Put(Slot slot) {
        std::size_t at = slot.Hash & (slots_.size() - 1);
        while (slots_[at].Place != kNone)
            at = (at + 1) & (slots_.size() - 1);
        slots_[at] = slot;
    }

    std::vector<Slot> slots_; // a power of two of them, at most half in use
    std::size_t count_ = 0;
};
