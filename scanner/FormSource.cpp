#include "scanner/FormSource.h"

#include "formstream/FormText.h"
#include "io/InputFile.h"
#include "io/Streams.h"
#include "scanner/TextForm.h"

// A binary form is converted from the bytes read into the string returned, which is the text the scan
// searches where it lies.
TFormText TFileFormSource::FormText(const ListedForm& form, const std::atomic<bool>* cancel) {
    TInputFile file(form.Path, form.Name, kMaxFormFileBytes, cancel);
    TFormText read{std::string(), file.Identity()};
    std::string bytes = file.ReadAll();
    if (anyVersion_) {
        const std::size_t start = TextFormStart(bytes);
        if (start != std::string_view::npos) {
            read.Text = std::move(bytes.erase(0, start));
            return read;
        }
    }
    read.Text.reserve(bytes.size() + bytes.size() / 2); // about what the text of a form takes
    TBytesReadStream binary(bytes.data(), bytes.size());
    TStringWriteStream out(read.Text);
    FormFileToText(binary, out);
    return read;
}
