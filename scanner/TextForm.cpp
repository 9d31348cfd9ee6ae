#include "scanner/TextForm.h"

#include <cstdint>

#include "io/Streams.h"
#include "runtime/Exceptions.h"
#include "runtime/Messages.h"
#include "runtime/Text.h"
#include "scanner/HelpContextScan.h"

namespace {

constexpr std::size_t kNone = std::string_view::npos;
// Enough of a file to see its first word, unless white space fills it.
constexpr std::int32_t kHeadSize = 4096;
// The longest first word and the blank after it.
constexpr std::size_t kLongestStart = 10;

} // namespace

std::size_t TextFormStart(std::string_view bytes) {
    const std::size_t at = SkipByteOrderMarkAndBlanks(bytes);
    for (const std::string_view word : {"object", "inherited", "inline"}) {
        const std::size_t after = at + word.size();
        if (bytes.compare(at, word.size(), word) == 0 && after < bytes.size() &&
            (bytes[after] == ' ' || bytes[after] == '\t'))
            return at;
    }
    return kNone;
}

void ScanAnyVersionFormFile(const ListedForm& form, TResultTree& tree) {
    std::string bytes;
    const std::unique_ptr<TFileStream> file = OpenForReading(form.Path, form.Name);
    ReadRest(*file, bytes, kHeadSize);
    // A head that is all white space, or ends within the first word, cannot decide: read on.
    if (SkipByteOrderMarkAndBlanks(bytes) + kLongestStart > bytes.size())
        ReadRest(*file, bytes);
    const std::size_t start = TextFormStart(bytes);
    if (start == kNone) {
        // A binary form: converted from the file already open, from its start.
        file->SetPosition(0);
        ScanBinaryForm(*file, tree);
        return;
    }
    ReadRest(*file, bytes);
    if (bytes.size() - start > static_cast<std::size_t>(INT32_MAX))
        throw EStreamError(SMemoryStreamError, {});
    ScanFormText(bytes.data() + start, static_cast<std::int32_t>(bytes.size() - start), tree);
}
