#include "scanner/Rescan.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "runtime/Exceptions.h"
#include "scanner/ProjectFile.h"

namespace {

// What became of one listed name, apart from the form read, which goes straight into its place.
struct ListedOutcome {
    bool Found = false;
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

// The forms of a list in reading: each stands at its name's place (Listed set), and is read there.
struct Reading {
    std::vector<ListedOutcome> Outcomes;
    // The names found only among several of other cases, by their places, with the file read.
    std::vector<std::pair<std::size_t, std::string>> Ambiguous;
};

// Locates and reads every listed form on several threads, each taking the next of the list (one open
// and one read a form). Without KeepGoing, the names after the first one in the list that failed are
// left: they cannot count.
Reading ReadListedForms(const std::string& projectName, std::vector<ScannedForm>& forms, TFormSource& source,
                        const ScanOptions& options) {
    Reading reading;
    reading.Outcomes.resize(forms.size());
    std::mutex ambiguousLock;
    os::FileLocator locator;
    const std::string folder = projectName.substr(0, os::FolderPartLength(projectName));
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> done{0};
    std::atomic<std::size_t> firstFailure{forms.size()};
    const auto work = [&] {
        for (std::size_t i = next++; i < forms.size(); i = next++) {
            if (i > firstFailure || (options.Cancel && options.Cancel->load()))
                return;
            ListedOutcome& outcome = reading.Outcomes[i];
            ScannedForm& form = forms[i];
            try {
                const os::LocatedFile located = locator.Locate(folder, form.Listed);
                outcome.Found = located.Found;
                if (located.Ambiguous) {
                    const std::lock_guard<std::mutex> hold(ambiguousLock);
                    reading.Ambiguous.emplace_back(i, located.Path);
                }
                if (located.Found) {
                    TFormText read =
                        source.FormText(ListedForm{form.Listed, located.Path, located.Stamp}, options.Cancel);
                    form.Identity = std::move(read.Identity);
                    ScanFormText(read.Text, form);
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
    std::vector<std::thread> helpers(ThreadCount(options, forms.size()) - 1);
    for (std::thread& helper : helpers)
        helper = std::thread(work);
    work();
    for (std::thread& helper : helpers)
        helper.join();
    std::sort(reading.Ambiguous.begin(), reading.Ambiguous.end());
    return reading;
}

} // namespace

// The forms are read into their places in the list, then the ones that do not count are dropped in
// place: no second copy of the forms, nor of their names, is made.
ScanResult Rescan(const std::string& projectText, TFormSource& source, const ScanOptions& options) {
    ScanResult result;
    if (projectText.empty())
        return result;
    std::vector<ScannedForm>& forms = result.Forms;
    std::size_t kept = 0;
    try {
        // The project is read whole first: when that fails, nothing is replaced.
        const std::string projectName = ProjectFileOf(projectText);
        {
            std::vector<std::string> names =
                SplitFormNames(LoadProjectNameList(projectName, projectText, options.AnyVersion));
            result.ProjectRead = true;
            result.LaterVersions = options.AnyVersion;
            if (options.ListRead)
                options.ListRead(projectName, names);
            const NameEncoding encoding{options.CodePage != 0 ? options.CodePage : os::SystemCodePage(),
                                        options.AnyVersion};
            forms.resize(names.size());
            for (std::size_t i = 0; i < names.size(); ++i) {
                forms[i].Listed = std::move(names[i]);
                forms[i].Encoding = encoding;
            }
        }
        const Reading reading = ReadListedForms(projectName, forms, source, options);
        if (options.Cancel && options.Cancel->load())
            throw EAbort("Operation aborted");
        auto ambiguous = reading.Ambiguous.begin();
        for (std::size_t i = 0; i < forms.size(); ++i) {
            const ListedOutcome& outcome = reading.Outcomes[i];
            const std::string& name = forms[i].Listed;
            if (outcome.Failure && !outcome.Found)
                std::rethrow_exception(outcome.Failure); // the name could not even be looked up
            if (!outcome.Found) {
                if (NamesAFile(name))
                    result.Notices.push_back(Notice{Notice::kWarning, name, 0, "listed, not found"});
                continue;
            }
            for (; ambiguous != reading.Ambiguous.end() && ambiguous->first <= i; ++ambiguous) {
                result.Notices.push_back(Notice{Notice::kWarning, name, 0,
                                                "several files match it without regard to case; " +
                                                    ambiguous->second + " is read"});
            }
            if (outcome.Failure) {
                if (!options.KeepGoing)
                    std::rethrow_exception(outcome.Failure);
                try {
                    std::rethrow_exception(outcome.Failure);
                } catch (const std::exception& error) {
                    result.Notices.push_back(Notice{Notice::kError, name, 0, error.what()});
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
