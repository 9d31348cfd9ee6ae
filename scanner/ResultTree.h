#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The result tree as the scan sees it: the few node operations it needs. The window's tree view
// implements it over its node collection; the command-line tool and the tests use TMemoryTree.
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
    // Appends a node at the root level, or as the last child of `parent`. A tree that refuses the
    // node raises an error ("Unable to insert an item").
    virtual Node AddRoot(const std::string& caption) = 0;
    virtual Node AddChild(Node parent, const std::string& caption) = 0;
    // Sets the node's ImageIndex and SelectedIndex, and gives it no state image.
    virtual void SetImages(Node node, int imageIndex, int selectedIndex) = 0;
    // AddRoot (a null parent) or AddChild, then SetImages; a tree that can give the images with the
    // node does so in one step.
    virtual Node Add(Node parent, const std::string& caption, int imageIndex, int selectedIndex);
    // Deletes the node with its children.
    virtual void Delete(Node node) = 0;
};

// A plain in-memory result tree, in insertion order.
class TMemoryTree : public TResultTree {
public:
    struct Item {
        std::string Caption;
        int ImageIndex = -1;
        int SelectedIndex = -1;
        int StateIndex = -1;
        std::vector<Item> Children;
        Node Id = 0;
    };

    void Clear() override { roots_.clear(); }
    Node AddRoot(const std::string& caption) override;
    Node AddChild(Node parent, const std::string& caption) override;
    void SetImages(Node node, int imageIndex, int selectedIndex) override;
    void Delete(Node node) override;

    const std::vector<Item>& Roots() const { return roots_; }
    // One node per line: roots at column 0, children after two blanks, each line ending in LF.
    std::string ToText() const;
    // A JSON array of {"caption", "image", "children"} objects, captions from Windows-1252 to UTF-8.
    std::string ToJson() const;

private:
    // The node with the id, and the list that holds it.
    Item* Find(Node node, std::vector<Item>** siblings);

    std::vector<Item> roots_;
    Node lastId_ = 0;
};
