#include "report/ScanReport.h"

#include "report/Json.h"

namespace {

// What the text gathers before it hands a piece on.
constexpr std::size_t kTextPiece = 64 * 1024;

} // namespace

void ScanText(const ScanResult& result, const std::function<void(std::string_view)>& sink,
              const char* lineEnd, bool utf8) {
    std::string text;
    for (std::size_t form = 0; form < result.Forms.size(); ++form) {
        const NameEncoding& encoding = result.Forms[form].Encoding;
        for (const TShownRow& row : ShownRows(result, form)) {
            text.append(row.Id.IsForm() ? "" : "  ")
                .append(utf8 ? encoding.ToUtf8(row.Caption) : row.Caption)
                .append(lineEnd);
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

Json JsonNode(const ScanResult& result, const TShownRow& row) {
    const ScannedForm& form = result.Forms[row.Id.Form];
    Json node = {{"caption", form.Encoding.ToUtf8(row.Caption)}, {"image", row.Image}};
    if (result.LaterVersions) {
        const TNodeSettings settings = *NodeSettings(result, row.Id);
        node["help"] = KeywordHelped(settings.StatedType, settings.Keyword) ? "keyword" : "context";
        if (settings.Keyword)
            node["keyword"] = form.KeywordUtf8(*settings.Keyword);
    }
    node["children"] = Json::array();
    return node;
}

} // namespace

std::string ScanJson(const ScanResult& result) {
    Json forms = Json::array();
    for (std::size_t form = 0; form < result.Forms.size(); ++form) {
        const std::vector<TShownRow> rows = ShownRows(result, form);
        if (rows.empty())
            continue;
        Json node = JsonNode(result, rows.front());
        for (std::size_t i = 1; i < rows.size(); ++i)
            node["children"].push_back(JsonNode(result, rows[i]));
        forms.push_back(std::move(node));
    }
    return JsonText(forms, 1);
}
