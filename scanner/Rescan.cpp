#include "scanner/Rescan.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <thread>

#include "runtime/Exceptions.h"
#include "scanner/ProjectFile.h"

namespace {

// What became of one listed name.
struct ListedOutcome {
    os::LocatedFile Located;
    std::optional<ScannedForm> Form; // read whole
    std::exception_ptr Failure;
};

// A thread is not worth starting for fewer names than this.
constexpr std::size_t kNamesPerThread = 8;

unsigned ThreadCount(const ScanOptions& options, std::size_t names) {
    const unsigned wanted =
        options.Threads != 0 ? options.Threads : std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(
        std::min<std::size_t>(wanted, std::max<std::size_t>(names / kNamesPerThread, 1)));
}

// Locates and reads every name on `threads` threads, each taking the next name of the list. Without
// KeepGoing, the names after the first one in the list that failed are left: they cannot count.
std::vector<ListedOutcome> ReadListedForms(const std::string& projectName,
                                           const std::vector<std::string>& names, TFormSource& source,
                                           const NameEncoding& encoding, const ScanOptions& options) {
    std::vector<ListedOutcome> outcomes(names.size());
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> done{0};
    std::atomic<std::size_t> firstFailure{names.size()};
    const auto work = [&] {
        for (std::size_t i = next++; i < names.size(); i = next++) {
            if (i > firstFailure || (options.Cancel && options.Cancel->load()))
                return;
            ListedOutcome& outcome = outcomes[i];
            try {
                outcome.Located = LocateListedForm(projectName, names[i]);
                if (outcome.Located.Found) {
                    ScannedForm form;
                    form.Listed = names[i];
                    form.Path = outcome.Located.Path;
                    form.Identity = os::FileIdentity(outcome.Located.Path);
                    form.Encoding = encoding;
                    ScanFormText(source.FormText(ListedForm{names[i], outcome.Located.Path}), form);
                    outcome.Form = std::move(form);
                }
            } catch (...) {
                outcome.Failure = std::current_exception();
                if (!options.KeepGoing) {
                    std::size_t seen = firstFailure;
                    while (i < seen && !firstFailure.compare_exchange_weak(seen, i)) {
                    }
                }
            }
            if (options.Progress)
                options.Progress(++done);
        }
    };
    std::vector<std::thread> helpers(ThreadCount(options, names.size()) - 1);
    for (std::thread& helper : helpers)
        helper = std::thread(work);
    work();
    for (std::thread& helper : helpers)
        helper.join();
    return outcomes;
}

} // namespace

ScanResult Rescan(const std::string& projectText, TFormSource& source, const ScanOptions& options) {
    ScanResult result;
    if (projectText.empty())
        return result;
    try {
        // The project is read whole first: when that fails, nothing is replaced.
        const std::string projectName = ProjectFileOf(projectText);
        const std::string nameList = LoadProjectNameList(projectName, projectText, options.AnyVersion);
        result.ProjectRead = true;
        result.LaterVersions = options.AnyVersion;
        const NameEncoding encoding{options.CodePage != 0 ? options.CodePage : os::SystemCodePage(),
                                    options.AnyVersion};
        const std::vector<std::string> names = SplitFormNames(nameList);
        if (options.ListRead)
            options.ListRead(projectName, names);
        std::vector<ListedOutcome> outcomes = ReadListedForms(projectName, names, source, encoding, options);
        if (options.Cancel && options.Cancel->load())
            throw EAbort("Operation aborted");
        for (std::size_t i = 0; i < names.size(); ++i) {
            ListedOutcome& outcome = outcomes[i];
            if (outcome.Failure && !outcome.Located.Found)
                std::rethrow_exception(outcome.Failure); // the name could not even be looked up
            if (!outcome.Located.Found) {
                if (NamesAFile(names[i]))
                    result.Notices.push_back(Notice{Notice::kWarning, names[i], 0, "listed, not found"});
                continue;
            }
            if (outcome.Located.Ambiguous) {
                result.Notices.push_back(Notice{Notice::kWarning, names[i], 0,
                                                "several files match it without regard to case; " +
                                                    outcome.Located.Path + " is read"});
            }
            if (outcome.Failure) {
                if (!options.KeepGoing)
                    std::rethrow_exception(outcome.Failure);
                try {
                    std::rethrow_exception(outcome.Failure);
                } catch (const std::exception& error) {
                    result.Notices.push_back(Notice{Notice::kError, names[i], 0, error.what()});
                }
                continue;
            }
            result.Forms.push_back(std::move(*outcome.Form));
        }
    } catch (...) {
        result.Failure = std::current_exception();
    }
    return result;
}

ScanResult Rescan(const std::string& projectText, const ScanOptions& options) {
    TFileFormSource source(options.AnyVersion);
    return Rescan(projectText, source, options);
}
