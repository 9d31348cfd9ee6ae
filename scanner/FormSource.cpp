#include "scanner/FormSource.h"

#include "formstream/FormText.h"
#include "io/InputFile.h"
#include "io/Streams.h"
#include "scanner/TextForm.h"

// The file is read in one call; a binary form is converted from those bytes into the string returned,
// which is the text the scan searches, where it lies.
std::string TFileFormSource::FormText(const ListedForm&, TInputFile& file) {
    std::string bytes = file.ReadAll();
    if (anyVersion_) {
        const std::size_t start = TextFormStart(bytes);
        if (start != std::string_view::npos)
            return bytes.erase(0, start);
    }
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 2); // about what the text of a form takes
    TBytesReadStream binary(bytes.data(), bytes.size());
    TStringWriteStream out(text);
    FormFileToText(binary, out);
    return text;
}
