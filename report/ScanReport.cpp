#include "report/ScanReport.h"

#include "report/Json.h"

std::string NodeCaption(const std::string& name, TNodeShows shows, const TFormString* keyword) {
    if (shows.Number)
        return name + ":" + std::to_string(*shows.Number);
    if (shows.Keyword)
        return name + ":" + FormStringText(keyword ? *keyword : TFormString());
    return name;
}

namespace {

// What the text gathers before it hands a piece on.
constexpr std::size_t kTextPiece = 64 * 1024;

} // namespace

void ScanText(const ScanResult& result, const std::function<void(std::string_view)>& sink,
              const char* lineEnd, bool utf8) {
    const bool later = result.LaterVersions;
    std::string text;
    for (const ScannedForm& form : result.Forms) {
        if (!form.Shown(later))
            continue;
        const auto line = [&](const char* indent, const std::string& caption) {
            text.append(indent).append(utf8 ? form.Encoding.ToUtf8(caption) : caption).append(lineEnd);
        };
        line("", NodeCaption(form.Name, form.Shows(later), form.Keyword.get()));
        for (const ScannedComponent& component : form.Components) {
            if (component.Shows(later).Any())
                line("  ", NodeCaption(component.Name, component.Shows(later), component.Keyword.get()));
        }
        if (text.size() >= kTextPiece) {
            sink(text);
            text.clear();
        }
    }
    if (!text.empty())
        sink(text);
}

std::string ScanText(const ScanResult& result, const char* lineEnd, bool utf8) {
    std::string text;
    ScanText(
        result, [&text](std::string_view piece) { text.append(piece); }, lineEnd, utf8);
    return text;
}

namespace {

// A node of the JSON tree; `isForm`: a form, whose image tells whether it shows help of its own.
Json JsonNode(const ScanResult& result, const ScannedForm& form, const std::string& name, TNodeShows shows,
              THelpType stated, const TFormString* keyword, bool isForm) {
    Json node = {{"caption", form.Encoding.ToUtf8(NodeCaption(name, shows, keyword))},
                 {"image", !isForm       ? rkComponent
                           : shows.Any() ? rkForm
                                         : rkBareForm}};
    if (result.LaterVersions) {
        node["help"] = KeywordHelped(stated, keyword) ? "keyword" : "context";
        if (keyword)
            node["keyword"] = form.KeywordUtf8(*keyword);
    }
    node["children"] = Json::array();
    return node;
}

} // namespace

std::string ScanJson(const ScanResult& result) {
    const bool later = result.LaterVersions;
    Json forms = Json::array();
    for (const ScannedForm& form : result.Forms) {
        if (!form.Shown(later))
            continue;
        Json node =
            JsonNode(result, form, form.Name, form.Shows(later), form.StatedType, form.Keyword.get(), true);
        for (const ScannedComponent& component : form.Components) {
            if (component.Shows(later).Any()) {
                node["children"].push_back(JsonNode(result, form, component.Name, component.Shows(later),
                                                    component.StatedType, component.Keyword.get(), false));
            }
        }
        forms.push_back(std::move(node));
    }
    return JsonText(forms, 1);
}
