#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the scan finds, as data: forms, with their own number when they have one, and under each the
// components whose number is not 0. The window's tree view takes the nodes over its node collection;
// the command-line tool, the help maps and the tests keep them in a TMemoryTree. Each front end
// makes its own text of them.

// The three kinds of node, which are also the image indexes of the window's tree.
enum TResultKind : int { rkForm = 0, rkComponent = 1, rkBareForm = 2 };

// A node's caption in the tree and in `scan`: the name, then ":" and the number when it has one. Names
// are the form's bytes.
std::string ResultCaption(const std::string& name, std::optional<std::int32_t> number);

class TResultTree {
public:
    // An opaque reference to a node; 0 refers to no node.
    using Node = std::uintptr_t;

    TResultTree() = default;
    TResultTree(const TResultTree&) = delete;
    TResultTree& operator=(const TResultTree&) = delete;
    virtual ~TResultTree() = default;

    // Removes every node.
    virtual void Clear() = 0;
    // Appends a form at the root level (rkForm with its number, rkBareForm without), or a component
    // as the last child of its form. A tree that refuses the node raises an error ("Unable to insert
    // an item").
    virtual Node AddForm(const std::string& name, std::optional<std::int32_t> number) = 0;
    virtual Node AddComponent(Node form, const std::string& name, std::int32_t number) = 0;
};

// The nodes in memory, in insertion order.
class TMemoryTree : public TResultTree {
public:
    struct Item {
        std::string Name;
        std::optional<std::int32_t> Number;
        TResultKind Kind = rkForm;
        std::vector<Item> Children;

        std::string Caption() const { return ResultCaption(Name, Number); }
    };

    void Clear() override { roots_.clear(); }
    Node AddForm(const std::string& name, std::optional<std::int32_t> number) override;
    Node AddComponent(Node form, const std::string& name, std::int32_t number) override;

    const std::vector<Item>& Roots() const { return roots_; }
    // One node per line: roots at column 0, children after two blanks, each line ending in LF.
    std::string ToText() const;
    // A JSON array of {"caption", "image", "children"} objects, captions from Windows-1252 to UTF-8.
    std::string ToJson() const;

private:
    std::vector<Item> roots_;
};
