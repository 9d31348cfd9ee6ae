#include "scanner/FormSource.h"

#include <utility>

#include "formstream/FormText.h"
#include "io/InputFile.h"
#include "io/Streams.h"
#include "scanner/TextForm.h"

// A binary form is converted from the bytes read into the string returned, which is the text the scan
// searches where it lies.
std::string FormTextOfFile(std::string bytes, bool anyVersion) {
    if (anyVersion) {
        const std::size_t start = TextFormStart(bytes);
        if (start != std::string_view::npos)
            return std::move(bytes.erase(0, start));
    }
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 2); // about what the text of a form takes
    TBytesReadStream binary(bytes.data(), bytes.size());
    TStringWriteStream out(text);
    FormFileToText(binary, out);
    return text;
}

TFormText TFileFormSource::FormText(const ListedForm& form, const std::atomic<bool>* cancel) {
    TInputFile file(form.Path, form.Name, kMaxFormFileBytes, cancel);
    TFormText read{std::string(), file.Identity()};
    read.Text = FormTextOfFile(file.ReadAll(), anyVersion_);
    return read;
}
