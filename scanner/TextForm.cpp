#include "scanner/TextForm.h"

#include <cstdint>

#include "formstream/Streams.h"
#include "runtime/Exceptions.h"
#include "runtime/Messages.h"
#include "scanner/HelpContextScan.h"

namespace {

constexpr std::size_t kNone = std::string_view::npos;
// Enough of a file to see its first word, unless white space fills it.
constexpr std::int32_t kHeadSize = 4096;
// The longest first word and the blank after it.
constexpr std::size_t kLongestStart = 10;

std::size_t SkipByteOrderMarkAndSpace(std::string_view bytes) {
    std::size_t at = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (at < bytes.size() &&
           (bytes[at] == ' ' || bytes[at] == '\t' || bytes[at] == '\r' || bytes[at] == '\n'))
        ++at;
    return at;
}

void AppendFromStream(TStream& stream, std::string& bytes, std::int32_t limit) {
    char buffer[65536];
    for (std::int32_t got;
         limit > 0 && (got = stream.Read(buffer, std::min<std::int32_t>(limit, sizeof buffer))) > 0;) {
        bytes.append(buffer, static_cast<std::size_t>(got));
        limit -= got;
    }
}

} // namespace

std::size_t TextFormStart(std::string_view bytes) {
    const std::size_t at = SkipByteOrderMarkAndSpace(bytes);
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
    std::size_t start;
    {
        const std::unique_ptr<TFileStream> file = OpenForReading(form.Path, form.Name);
        AppendFromStream(*file, bytes, kHeadSize);
        // A head that is all white space, or ends within the first word, cannot decide: read on.
        if (SkipByteOrderMarkAndSpace(bytes) + kLongestStart > bytes.size())
            AppendFromStream(*file, bytes, INT32_MAX);
        start = TextFormStart(bytes);
        if (start != kNone)
            AppendFromStream(*file, bytes, INT32_MAX);
    }
    if (start == kNone) {
        ScanFormFile(form, tree);
        return;
    }
    if (bytes.size() - start > static_cast<std::size_t>(INT32_MAX))
        throw EStreamError(SMemoryStreamError, {});
    ScanFormText(bytes.data() + start, static_cast<std::int32_t>(bytes.size() - start), tree);
}
