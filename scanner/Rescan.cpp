#include "scanner/Rescan.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "runtime/Exceptions.h"
#include "scanner/FormTextSearch.h"
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
    const std::string folder = os::FolderOf(projectName);
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
                    if (options.KeepTrees) {
                        TFormTree tree;
                        ScanFormText(read.Text, form, &tree);
                        form.Tree = std::move(tree);
                    } else {
                        ScanFormText(read.Text, form);
                    }
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
ScanResult Rescan(const ProjectName& project, TFormSource& source, const ScanOptions& options) {
    ScanResult result;
    if (project.File.empty())
        return result;
    std::vector<ScannedForm>& forms = result.Forms;
    try {
        // The project is read whole first: when that fails, nothing is replaced.
        std::vector<std::string> names =
            SplitFormNames(LoadProjectNameList(project.File, project.Shown, options.AnyVersion));
        result.ProjectRead = true;
        result.LaterVersions = options.AnyVersion;
        if (options.ListRead)
            options.ListRead(project.File, names);
        const NameEncoding encoding{
            static_cast<std::uint16_t>(options.CodePage != 0 ? options.CodePage : os::SystemCodePage()),
            options.AnyVersion};
        forms.resize(names.size());
        for (std::size_t i = 0; i < names.size(); ++i) {
            forms[i].Listed = std::move(names[i]);
            forms[i].Encoding = encoding;
        }
    } catch (...) {
        result.Failure = Notice{Notice::kError, std::string(), 0, ErrorMessage(std::current_exception())};
        return result;
    }
    const Reading reading = ReadListedForms(project.File, forms, source, options);
    result.Cancelled = options.Cancel && options.Cancel->load();
    std::size_t kept = 0;
    auto ambiguous = reading.Ambiguous.begin();
    for (std::size_t i = 0; i < forms.size() && !result.Cancelled && !result.Failure; ++i) {
        const ListedOutcome& outcome = reading.Outcomes[i];
        const std::string& name = forms[i].Listed;
        if (!outcome.Found && !outcome.Failure) {
            if (NamesAFile(name))
                result.Notices.push_back(Notice{Notice::kWarning, name, 0, "listed, not found"});
            continue;
        }
        for (; ambiguous != reading.Ambiguous.end() && ambiguous->first <= i; ++ambiguous) {
            result.Notices.push_back(
                Notice{Notice::kWarning, name, 0,
                       "several files match it without regard to case; " + ambiguous->second + " is read"});
        }
        if (outcome.Failure) {
            const Notice failure{Notice::kError, name, 0, ErrorMessage(outcome.Failure)};
            if (options.KeepGoing)
                result.Notices.push_back(failure);
            else
                result.Failure = failure;
            continue;
        }
        if (kept != i)
            forms[kept] = std::move(forms[i]);
        ++kept;
    }
    forms.erase(forms.begin() + static_cast<std::ptrdiff_t>(kept), forms.end());
    forms.shrink_to_fit();
    return result;
}

ScanResult Rescan(const ProjectName& project, const ScanOptions& options) {
    TFileFormSource source(options.AnyVersion);
    return Rescan(project, source, options);
}
