#include "report/ScanReport.h"

#include "report/Json.h"

std::string NodeCaption(const std::string& name, std::optional<std::int32_t> number) {
    return number ? name + ":" + std::to_string(*number) : name;
}

std::string ScanText(const ScanResult& result, const char* lineEnd, bool utf8) {
    std::string text;
    for (const ScannedForm& form : result.Forms) {
        if (!form.Shown())
            continue;
        const auto caption = [&](const std::string& name, std::optional<std::int32_t> number) {
            return utf8 ? form.Encoding.ToUtf8(NodeCaption(name, number)) : NodeCaption(name, number);
        };
        text += caption(form.Name, form.Number) + lineEnd;
        for (const ScannedComponent& component : form.Components)
            text += "  " + caption(component.Name, component.Number) + lineEnd;
    }
    return text;
}

std::string ScanJson(const ScanResult& result) {
    Json forms = Json::array();
    for (const ScannedForm& form : result.Forms) {
        if (!form.Shown())
            continue;
        Json children = Json::array();
        for (const ScannedComponent& component : form.Components) {
            children.push_back(
                {{"caption", form.Encoding.ToUtf8(NodeCaption(component.Name, component.Number))},
                 {"image", rkComponent},
                 {"children", Json::array()}});
        }
        forms.push_back({{"caption", form.Encoding.ToUtf8(NodeCaption(form.Name, form.Number))},
                         {"image", form.Number ? rkForm : rkBareForm},
                         {"children", std::move(children)}});
    }
    return JsonText(forms, 1);
}
