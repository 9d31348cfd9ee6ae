#include "cli/Output.h"

#include <algorithm>
#include <cstdint>

#include "io/Streams.h"
#include "report/CheckReport.h"

void WriteOut(std::string_view bytes) {
    // No buffer of our own: every write reaches the handle at once, so its failure is seen here.
    THandleStream out(os::StdOutHandle());
    constexpr size_t kChunk = size_t{1} << 20;
    for (size_t at = 0; at < bytes.size(); at += kChunk) {
        const size_t count = std::min(kChunk, bytes.size() - at);
        out.WriteExact(bytes.data() + at, static_cast<std::int32_t>(count));
    }
}

void ReportError(const std::string& message) {
    const std::string line = "quorvel-cli: " + message + ".\n";
    os::WriteStdErr(line);
}

int Fail(const std::string& message) {
    ReportError(message);
    return kExitFailure;
}

void ReportNotices(const std::vector<Notice>& notices) {
    for (const Notice& notice : notices)
        ReportError((notice.What == Notice::kWarning ? "warning: " : "") + NoticeText(notice));
}
