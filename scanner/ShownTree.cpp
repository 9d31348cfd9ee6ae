#include "scanner/ShownTree.h"

#include "formstream/FormText.h"

std::string NodeCaption(const std::string& name, TNodeShows shows, const TFormString* keyword) {
    if (shows.Number)
        return name + ":" + std::to_string(*shows.Number);
    if (shows.Keyword)
        return name + ":" + FormStringText(keyword ? *keyword : TFormString());
    return name;
}

std::optional<TNodeSettings> NodeSettings(const ScanResult& result, TNodeId id) {
    if (id.Form >= result.Forms.size())
        return std::nullopt;
    const ScannedForm& form = result.Forms[id.Form];
    if (id.IsForm())
        return TNodeSettings{&form, &form.Name, form.StatedType, form.Keyword.get(),
                             form.Shows(result.LaterVersions)};
    if (id.Component >= form.Components.size())
        return std::nullopt;
    const ScannedComponent& component = form.Components[id.Component];
    return TNodeSettings{&form, &component.Name, component.StatedType, component.Keyword.get(),
                         component.Shows(result.LaterVersions)};
}

bool FormShows(const ScanResult& result, std::size_t form) {
    const ScannedForm& scanned = result.Forms[form];
    if (scanned.Shows(result.LaterVersions).Any())
        return true;
    for (const ScannedComponent& component : scanned.Components) {
        if (component.Shows(result.LaterVersions).Any())
            return true;
    }
    return false;
}

std::vector<TShownRow> ShownRows(const ScanResult& result, std::size_t form) {
    std::vector<TShownRow> rows;
    if (!FormShows(result, form))
        return rows;
    const ScannedForm& scanned = result.Forms[form];
    const bool later = result.LaterVersions;
    const TNodeShows shows = scanned.Shows(later);
    const auto place = static_cast<std::uint32_t>(form);
    rows.push_back(TShownRow{TNodeId{place, TNodeId::kFormItself}, shows.Any() ? rkForm : rkBareForm,
                             NodeCaption(scanned.Name, shows, scanned.Keyword.get())});
    for (std::size_t i = 0; i < scanned.Components.size(); ++i) {
        const ScannedComponent& component = scanned.Components[i];
        const TNodeShows shown = component.Shows(later);
        if (shown.Any()) {
            rows.push_back(TShownRow{TNodeId{place, static_cast<std::uint32_t>(i)}, rkComponent,
                                     NodeCaption(component.Name, shown, component.Keyword.get())});
        }
    }
    return rows;
}

std::size_t ShownRowCount(const ScanResult& result) {
    std::size_t count = 0;
    for (std::size_t form = 0; form < result.Forms.size(); ++form) {
        if (!FormShows(result, form))
            continue;
        ++count;
        for (const ScannedComponent& component : result.Forms[form].Components)
            count += component.Shows(result.LaterVersions).Any() ? 1 : 0;
    }
    return count;
}

// The rows and their ids: a tree view whose items carry the ids of one result shows the other as well.
bool SameShownTree(const ScanResult& a, const ScanResult& b) {
    if (a.Forms.size() != b.Forms.size())
        return false;
    for (std::size_t form = 0; form < a.Forms.size(); ++form) {
        if (ShownRows(a, form) != ShownRows(b, form))
            return false;
    }
    return true;
}
