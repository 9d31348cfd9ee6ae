#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "scanner/ScanResult.h"

// What the tree shows of a scan's result, decided here once: the window's tree view, scan's text and
// JSON, the node counts, the same-tree test, the selection and the copy menu all read these rows.
//
// A form shows when it shows help of its own or a component of it does; it shows as a root row, and its
// components that show help as rows under it, in the order the scan met them.

// The three kinds of row, which are also the image indexes of the window's tree.
enum TResultKind : int { rkForm = 0, rkComponent = 1, rkBareForm = 2 };

// A node of a result: its form's place among the result's forms and, for a component, the component's
// place among all that form's components. It names the node for as long as the result lives, whatever
// shows around it: a tree view item carries it, and nothing is found by counting rows.
struct TNodeId {
    static constexpr std::uint32_t kFormItself = UINT32_MAX;

    std::uint32_t Form = 0;
    std::uint32_t Component = kFormItself;

    bool IsForm() const { return Component == kFormItself; }
    // As one number (a tree view item's data) and back.
    std::uint64_t Packed() const { return std::uint64_t{Form} << 32 | Component; }
    static TNodeId Unpacked(std::uint64_t packed) {
        return TNodeId{static_cast<std::uint32_t>(packed >> 32), static_cast<std::uint32_t>(packed)};
    }
    bool operator==(const TNodeId& other) const { return Form == other.Form && Component == other.Component; }
};

struct TShownRow {
    TNodeId Id;
    TResultKind Image = rkForm;
    std::string Caption; // the form's bytes (its NameEncoding tells their code page)

    bool operator==(const TShownRow& other) const {
        return Id == other.Id && Image == other.Image && Caption == other.Caption;
    }
};

// A node's caption: the name, then ":" and the number when it shows one, or ":" and its keyword
// written as the form text writes a string ('saving') when it shows keyword help. The name's and a
// byte string's bytes as they are.
std::string NodeCaption(const std::string& name, TNodeShows shows, const TFormString* keyword = nullptr);

// The rows of the result's form at `form`: its own, then its components'; none when it does not show.
std::vector<TShownRow> ShownRows(const ScanResult& result, std::size_t form);
// Whether the result's form at `form` shows.
bool FormShows(const ScanResult& result, std::size_t form);
// Every row of the result.
std::size_t ShownRowCount(const ScanResult& result);
// Whether two results show the same rows with the same ids.
bool SameShownTree(const ScanResult& a, const ScanResult& b);

// The node an id names in the result, with its help settings; none for an id outside it.
struct TNodeSettings {
    const ScannedForm* Form = nullptr;
    const std::string* Name = nullptr;
    THelpType StatedType = THelpType::kUnstated;
    const TFormString* Keyword = nullptr;
    TNodeShows Shows;
};
std::optional<TNodeSettings> NodeSettings(const ScanResult& result, TNodeId id);
