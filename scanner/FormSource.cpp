#include "scanner/FormSource.h"

#include <cstdint>
#include <memory>

#include "formstream/FormText.h"
#include "io/Streams.h"
#include "runtime/Exceptions.h"
#include "runtime/Messages.h"
#include "runtime/Text.h"
#include "scanner/TextForm.h"

namespace {

// Enough of a file to see its first word, unless white space fills it.
constexpr std::int32_t kHeadSize = 4096;
// The longest first word and the blank after it.
constexpr std::size_t kLongestStart = 10;

std::string ConvertedText(TStream& binaryForm) {
    TMemoryStream text;
    FormFileToText(binaryForm, text);
    return std::string(text.Memory(), static_cast<std::size_t>(text.Size()));
}

} // namespace

std::string TFileFormSource::FormText(const ListedForm& form) {
    const std::unique_ptr<TFileStream> file = OpenForReading(form.Path, form.Name);
    if (!anyVersion_)
        return ConvertedText(*file);
    std::string bytes;
    ReadRest(*file, bytes, kHeadSize);
    // A head that is all white space, or ends within the first word, cannot decide: read on.
    if (SkipByteOrderMarkAndBlanks(bytes) + kLongestStart > bytes.size())
        ReadRest(*file, bytes);
    const std::size_t start = TextFormStart(bytes);
    if (start == std::string_view::npos) {
        // A binary form: converted from the file already open, from its start.
        file->SetPosition(0);
        return ConvertedText(*file);
    }
    ReadRest(*file, bytes);
    if (bytes.size() - start > static_cast<std::size_t>(INT32_MAX))
        throw EStreamError(SMemoryStreamError, {});
    return bytes.substr(start);
}
