#include "scanner/ResultTree.h"

#include <cstdio>

namespace {

// Windows-1252 to UTF-8. The five unassigned bytes stand for the control characters of the same number.
void AppendUtf8(std::string& out, unsigned char byte) {
    static const unsigned short kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                             0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                             0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                             0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    const unsigned code = byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

void AppendJsonString(std::string& out, const std::string& text) {
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '"' || byte == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            AppendUtf8(out, byte);
        }
    }
    out += '"';
}

void AppendJsonItem(std::string& out, const TMemoryTree::Item& item) {
    out += "{\"caption\": ";
    AppendJsonString(out, item.Caption);
    out += ", \"image\": " + std::to_string(item.ImageIndex) + ", \"children\": [";
    for (size_t i = 0; i < item.Children.size(); ++i) {
        if (i > 0)
            out += ", ";
        AppendJsonItem(out, item.Children[i]);
    }
    out += "]}";
}

} // namespace

TResultTree::Node TMemoryTree::AddRoot(const std::string& caption) {
    roots_.push_back(Item{caption, -1, -1, -1, {}, ++lastId_});
    return lastId_;
}

TResultTree::Node TMemoryTree::AddChild(Node parent, const std::string& caption) {
    Item* owner = Find(parent, nullptr);
    if (owner == nullptr)
        return 0;
    owner->Children.push_back(Item{caption, -1, -1, -1, {}, ++lastId_});
    return lastId_;
}

void TMemoryTree::SetImages(Node node, int imageIndex, int selectedIndex) {
    if (Item* item = Find(node, nullptr)) {
        item->ImageIndex = imageIndex;
        item->SelectedIndex = selectedIndex;
        item->StateIndex = -1;
    }
}

void TMemoryTree::Delete(Node node) {
    std::vector<Item>* siblings = nullptr;
    if (Item* item = Find(node, &siblings))
        siblings->erase(siblings->begin() + (item - siblings->data()));
}

// Searches from the back: the scan works on the nodes it appended last.
TMemoryTree::Item* TMemoryTree::Find(Node node, std::vector<Item>** siblings) {
    for (auto root = roots_.rbegin(); root != roots_.rend(); ++root) {
        if (root->Id == node) {
            if (siblings)
                *siblings = &roots_;
            return &*root;
        }
        for (auto child = root->Children.rbegin(); child != root->Children.rend(); ++child) {
            if (child->Id == node) {
                if (siblings)
                    *siblings = &root->Children;
                return &*child;
            }
        }
    }
    return nullptr;
}

std::string TMemoryTree::ToText() const {
    std::string text;
    for (const Item& root : roots_) {
        text += root.Caption + '\n';
        for (const Item& child : root.Children)
            text += "  " + child.Caption + '\n';
    }
    return text;
}

std::string TMemoryTree::ToJson() const {
    if (roots_.empty())
        return "[]\n";
    std::string json = "[\n";
    for (size_t i = 0; i < roots_.size(); ++i) {
        json += "  ";
        AppendJsonItem(json, roots_[i]);
        json += i + 1 < roots_.size() ? ",\n" : "\n";
    }
    json += "]\n";
    return json;
}
