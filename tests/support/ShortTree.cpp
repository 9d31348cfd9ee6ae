#include "tests/support/ShortTree.h"

#include <sstream>

TFormTree TreeOfShort(const std::string& written) {
    TFormTree tree;
    std::istringstream nodes(written);
    for (std::string text, word; std::getline(nodes, text, ',');) {
        std::istringstream words(text);
        words >> word;
        TFormNode node;
        node.Name = word.substr(0, word.find('<'));
        node.ClassName = "T" + node.Name;
        for (std::size_t i = 0; i < tree.Nodes.size(); ++i) {
            if (word.find('<') != std::string::npos && tree.Nodes[i].Name == word.substr(word.find('<') + 1))
                node.Parent = i;
        }
        while (words >> word) {
            if (word == "w")
                node.Windowed = true;
            else if (word == "inherited" || word == "inline")
                node.Header = word == "inline" ? THeaderKind::kInline : THeaderKind::kInherited;
            else if (word == "kw" || word == "ctx")
                node.HelpType = word == "kw" ? THelpType::kKeyword : THelpType::kContext;
            else if (word[0] == '\'')
                node.HelpKeyword = TFormString{false, word.substr(1, word.size() - 2), {}};
            else
                node.HelpContext = std::stoi(word);
        }
        tree.Nodes.push_back(std::move(node));
    }
    return tree;
}
