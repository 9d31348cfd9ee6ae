#include "report/CoverageReport.h"

#include <array>
#include <cstdint>
#include <optional>

#include "report/Csv.h"
#include "report/Json.h"
#include "scanner/HelpLanding.h"

namespace {

// One control's landing, its names in UTF-8, as the JSON and CSV rows give it.
struct TCoverageRow {
    std::string Form;
    std::optional<std::string> Control;
    std::string Class;
    std::string Lands;
    std::optional<std::string> Via;
    std::optional<std::int32_t> Number;
    std::optional<std::string> Keyword;
};

// `count` and the word, in the plural unless the count is 1.
std::string Counted(std::size_t count, const std::string& word) {
    return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

// The node's own name, the form's for the form's own node.
const std::string& NodeName(const ScannedForm& form, std::size_t node) {
    return node == 0 ? form.Name : form.Tree->Nodes[node].Name;
}

std::vector<TCoverageRow> Rows(const std::vector<const ScannedForm*>& forms, bool laterVersions) {
    std::vector<TCoverageRow> rows;
    for (const ScannedForm* form : forms) {
        if (!form->Tree)
            continue;
        const auto utf8 = [form](const std::string& name) { return form->Encoding.ToUtf8(name); };
        for (const TFocusLanding& landing : WhereF1Lands(*form->Tree, laterVersions)) {
            TCoverageRow row;
            row.Form = utf8(form->Name);
            if (landing.Control != 0)
                row.Control = utf8(NodeName(*form, landing.Control));
            row.Class = utf8(form->Tree->Nodes[landing.Control].ClassName);
            row.Lands = LandingName(landing.Lands);
            if (landing.Via) {
                const TFormNode& via = form->Tree->Nodes[*landing.Via];
                row.Via = *landing.Via == 0 ? row.Form : row.Form + "." + utf8(via.Name);
                const TFormString* keyword = via.HelpKeyword.get();
                if (laterVersions && KeywordHelped(via.HelpType, keyword))
                    row.Keyword = keyword ? form->KeywordUtf8(*keyword) : std::string();
                else
                    row.Number = via.HelpContext.value_or(0);
            }
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

// How many controls land each way, by TLanding: own, container, form, none, unknown.
constexpr std::size_t kLandings = 5;
using TLandingCounts = std::array<std::size_t, kLandings>;

// "a own, b container, c form, d none", then ", e unknown" when `unknown`.
std::string LandingCounts(const TLandingCounts& counts, bool unknown) {
    std::string text;
    for (std::size_t i = 0; i < (unknown ? kLandings : kLandings - 1); ++i) {
        text.append(i == 0 ? "" : ", ").append(std::to_string(counts[i])).append(" ");
        text.append(LandingName(static_cast<TLanding>(i)));
    }
    return text;
}

template <class T> Json OrNull(const std::optional<T>& value) {
    return value ? Json(*value) : Json(nullptr);
}

} // namespace

void CoverageText(const std::vector<const ScannedForm*>& forms, bool laterVersions, const TTextSink& sink) {
    TLandingCounts total{};
    std::size_t controls = 0, formsCounted = 0;
    TTextPieces pieces(sink);
    std::string& text = pieces.Text();
    for (const ScannedForm* form : forms) {
        if (!form->Tree)
            continue;
        TLandingCounts counts{};
        std::string none;
        const std::vector<TFocusLanding> landings = WhereF1Lands(*form->Tree, laterVersions);
        for (const TFocusLanding& landing : landings) {
            ++counts[static_cast<std::size_t>(landing.Lands)];
            if (landing.Lands == TLanding::kNone)
                none.append(none.empty() ? "" : ", ").append(NodeName(*form, landing.Control));
        }
        text.append(form->Name).append(": ").append(Counted(landings.size(), "control"));
        text.append(", ").append(LandingCounts(counts, false)).append("\n");
        if (!none.empty())
            text.append("  none: ").append(none).append("\n");
        for (std::size_t i = 0; i < kLandings; ++i)
            total[i] += counts[i];
        controls += landings.size();
        ++formsCounted;
        pieces.PieceDone();
    }
    text.append(Counted(controls, "control")).append(" in ").append(Counted(formsCounted, "form"));
    text.append(": ").append(LandingCounts(total, true)).append("\n");
    pieces.Flush();
}

std::string CoverageText(const std::vector<const ScannedForm*>& forms, bool laterVersions) {
    return WholeText([&](const TTextSink& sink) { CoverageText(forms, laterVersions, sink); });
}

std::string CoverageJson(const std::vector<const ScannedForm*>& forms, bool laterVersions) {
    Json report = Json::array();
    for (const TCoverageRow& row : Rows(forms, laterVersions)) {
        Json item = {{"form", row.Form},
                     {"control", OrNull(row.Control)},
                     {"class", row.Class},
                     {"lands", row.Lands},
                     {"via", OrNull(row.Via)}};
        if (row.Keyword)
            item["keyword"] = *row.Keyword;
        else
            item["number"] = OrNull(row.Number);
        report.push_back(std::move(item));
    }
    return JsonText(report, 1);
}

std::string CoverageCsv(const std::vector<const ScannedForm*>& forms, bool laterVersions) {
    std::string csv = "form,control,class,lands,via,number,keyword\r\n";
    for (const TCoverageRow& row : Rows(forms, laterVersions)) {
        for (const std::string& field :
             {row.Form, row.Control.value_or(""), row.Class, row.Lands, row.Via.value_or(""),
              row.Number ? std::to_string(*row.Number) : std::string(), row.Keyword.value_or("")}) {
            AppendCsvField(csv, field);
            csv += ',';
        }
        csv.back() = '\r';
        csv += '\n';
    }
    return csv;
}
