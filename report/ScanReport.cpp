#include "report/ScanReport.h"

#include "report/Json.h"
#include "report/TextPieces.h"

void ScanText(const ScanResult& result, const std::function<void(std::string_view)>& sink,
              const char* lineEnd, bool utf8) {
    TTextPieces pieces(sink);
    std::string& text = pieces.Text();
    for (std::size_t form = 0; form < result.Forms.size(); ++form) {
        const NameEncoding& encoding = result.Forms[form].Encoding;
        for (const TShownRow& row : ShownRows(result, form)) {
            text.append(row.Id.IsForm() ? "" : "  ")
                .append(utf8 ? encoding.ToUtf8(row.Caption) : row.Caption)
                .append(lineEnd);
        }
        pieces.PieceDone();
    }
    pieces.Flush();
}

std::string ScanText(const ScanResult& result, const char* lineEnd, bool utf8) {
    return WholeText([&](const TTextSink& sink) { ScanText(result, sink, lineEnd, utf8); });
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
