#include "scanner/Rescan.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <thread>

#include "io/InputFile.h"
#include "runtime/Exceptions.h"
#include "scanner/ProjectFile.h"

namespace {

// What became of one listed name, apart from the form read, which goes straight into its place.
struct ListedOutcome {
    bool Found = false;
    bool Ambiguous = false;
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

// Locates and reads every name on `threads` threads, each taking the next name of the list, into
// `forms[i]` for the i-th name (one open and one read a form). Without KeepGoing, the names after the
// first one in the list that failed are left: they cannot count.
std::vector<ListedOutcome> ReadListedForms(const std::string& projectName,
                                           const std::vector<std::string>& names, TFormSource& source,
                                           const NameEncoding& encoding, const ScanOptions& options,
                                           std::vector<ScannedForm>& forms) {
    std::vector<ListedOutcome> outcomes(names.size());
    forms.resize(names.size());
    os::FileLocator locator;
    const std::string folder = projectName.substr(0, os::FolderPartLength(projectName));
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> done{0};
    std::atomic<std::size_t> firstFailure{names.size()};
    const auto work = [&] {
        for (std::size_t i = next++; i < names.size(); i = next++) {
            if (i > firstFailure || (options.Cancel && options.Cancel->load()))
                return;
            ListedOutcome& outcome = outcomes[i];
            try {
                os::LocatedFile located = locator.Locate(folder, names[i]);
                outcome.Found = located.Found;
                outcome.Ambiguous = located.Ambiguous;
                if (located.Found) {
                    ScannedForm& form = forms[i];
                    form.Listed = names[i];
                    form.Path = std::move(located.Path);
                    form.Encoding = encoding;
                    TInputFile file(form.Path, form.Listed, kMaxFormFileBytes, options.Cancel);
                    form.Identity = file.Identity();
                    ScanFormText(source.FormText(ListedForm{form.Listed, form.Path}, file), form);
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

// The forms are read into their places in the list, then the ones that do not count are dropped in
// place: no second copy of the forms is made.
ScanResult Rescan(const std::string& projectText, TFormSource& source, const ScanOptions& options) {
    ScanResult result;
    if (projectText.empty())
        return result;
    std::vector<ScannedForm>& forms = result.Forms;
    std::size_t kept = 0;
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
        const std::vector<ListedOutcome> outcomes =
            ReadListedForms(projectName, names, source, encoding, options, forms);
        if (options.Cancel && options.Cancel->load())
            throw EAbort("Operation aborted");
        for (std::size_t i = 0; i < names.size(); ++i) {
            const ListedOutcome& outcome = outcomes[i];
            if (outcome.Failure && !outcome.Found)
                std::rethrow_exception(outcome.Failure); // the name could not even be looked up
            if (!outcome.Found) {
                if (NamesAFile(names[i]))
                    result.Notices.push_back(Notice{Notice::kWarning, names[i], 0, "listed, not found"});
                continue;
            }
            if (outcome.Ambiguous) {
                result.Notices.push_back(
                    Notice{Notice::kWarning, names[i], 0,
                           "several files match it without regard to case; " + forms[i].Path + " is read"});
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
            if (kept != i)
                forms[kept] = std::move(forms[i]);
            ++kept;
        }
    } catch (...) {
        result.Failure = std::current_exception();
    }
    forms.erase(forms.begin() + static_cast<std::ptrdiff_t>(std::min(kept, forms.size())), forms.end());
    forms.shrink_to_fit();
    return result;
}

ScanResult Rescan(const std::string& projectText, const ScanOptions& options) {
    TFileFormSource source(options.AnyVersion);
    return Rescan(projectText, source, options);
}
