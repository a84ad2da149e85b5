#include "builder/slide_selection.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <exception>
#include <mutex>
#include <set>
#include <thread>

#include "builder/folder.h"
#include "builder/natural_order.h"
#include "builder/package_builder.h"
#include "builder/system_text.h"
#include "common/error.h"
#include "common/text.h"
#include "package/code_page.h"
#include "package/package_contract.h"
#include "package/plain_file_name.h"

namespace orlscr::mkscr {

namespace {

// The name with its extension (the part after the last dot) replaced.
std::string WithExtension(const std::string& name, const std::string& extension) {
    const size_t dot = name.rfind('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    const std::string old = stem.size() == name.size() ? std::string() : LowerAscii(name.substr(dot + 1));
    if (old == extension || (old == "jpeg" && extension == "jpg"))
        return name;
    return stem + "." + extension;
}

// Calls work(0) .. work(count - 1), spread over as many threads as the
// machine has cores. An exception of a call ends the others' work early and
// is thrown again here.
void RunOnEveryCore(size_t count, const std::function<void(size_t)>& work) {
    const size_t threads = std::min<size_t>(count, std::max(1u, std::thread::hardware_concurrency()));
    if (threads <= 1) {
        for (size_t i = 0; i < count; ++i)
            work(i);
        return;
    }
    std::atomic<size_t> next{0};
    std::exception_ptr failure;
    std::mutex failureLock;
    auto worker = [&] {
        for (size_t i; (i = next.fetch_add(1)) < count;) {
            try {
                work(i);
            } catch (...) {
                std::lock_guard<std::mutex> hold(failureLock);
                if (!failure)
                    failure = std::current_exception();
                next = count;
            }
        }
    };
    std::vector<std::thread> pool;
    for (size_t t = 1; t < threads; ++t)
        pool.emplace_back(worker);
    worker();
    for (std::thread& thread : pool)
        thread.join();
    if (failure)
        std::rethrow_exception(failure);
}

struct FoundFile {
    std::string path;  // to read and to report
    bool named;        // given as an argument itself, not found in a folder
    bool folder;       // a subfolder passed over (no --recursive)
    std::string note;  // a line of the report only (hidden entries passed over), no file
};

void SortNatural(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return NaturalLess(a, b); });
}

// Removes the hidden names and says how many there were.
size_t DropHidden(const std::string& folder, std::vector<std::string>& names) {
    const size_t before = names.size();
    std::erase_if(names, [&](const std::string& name) { return IsHiddenEntry(folder, name); });
    return before - names.size();
}

std::string Counted(size_t n, const char* what) {
    return std::to_string(n) + " hidden " + what + (n == 1 ? "" : "s");
}

void CollectFolder(const std::string& folder, const SlideSearch& search, std::vector<FoundFile>& found) {
    std::vector<std::string> files = FilesInFolder(folder);
    std::vector<std::string> folders = FoldersInFolder(folder);
    if (!search.hidden) {
        const size_t hiddenFiles = DropHidden(folder, files);
        const size_t hiddenFolders = DropHidden(folder, folders);
        if (hiddenFiles + hiddenFolders > 0) {
            std::string what = hiddenFiles ? Counted(hiddenFiles, "file") : std::string();
            if (hiddenFolders)
                what += (what.empty() ? "" : " and ") + Counted(hiddenFolders, "folder");
            found.push_back(FoundFile{folder, false, false,
                                      "passed over " + what + " in " + folder + " (--hidden takes " +
                                          (hiddenFiles + hiddenFolders == 1 ? "it)" : "them)")});
        }
    }
    SortNatural(files);
    for (const std::string& name : files)
        found.push_back(FoundFile{PathInFolder(folder, name), false, false, {}});
    SortNatural(folders);
    for (const std::string& name : folders) {
        if (search.recursive)
            CollectFolder(PathInFolder(folder, name), search, found);
        else
            found.push_back(FoundFile{PathInFolder(folder, name), false, true, {}});
    }
}

// A name the player creates as it is and the slide list can hold: no
// character that Windows refuses in a file name.
bool StorableName(const std::string& name) {
    return IsPlainFileName(name, RecordLeadBytes()) && name.find_first_of("\"*<>?|") == std::string::npos;
}

// Gives out the stored names: each unique among the package's files, as
// Windows compares names (without regard to case).
class StoredNames {
  public:
    explicit StoredNames(const std::vector<std::string>& reserved) {
        Take(kSlideDocumentName);
        Take(kViewerFileName);
        for (const std::string& name : reserved)
            Take(name);
    }

    // The name for the slide at `position` (from 1), and why it differs from
    // the file's own name (empty when it does not).
    // A picture made anew (`made`) takes its own name with the extension of
    // its new format.
    std::string For(const std::string& path,
                    const std::string& extension,
                    size_t position,
                    std::string& why,
                    bool made = false) {
        std::optional<std::string> own = ToRecordText(made ? WithExtension(BaseName(path), extension) : BaseName(path));
        std::string name;
        if (!own) {
            why = "name outside Windows-1252";
        } else if (!StorableName(*own)) {
            why = "a name the saver cannot create";
        } else {
            name = *own;
        }
        if (name.empty()) {
            char generated[32];
            std::snprintf(generated, sizeof generated, "slide-%04u.", static_cast<unsigned>(position));
            name = generated + extension;
        } else if (taken_.count(LowerAscii(name))) {
            why = "an earlier file has that name";
        }
        const size_t dot = name.rfind('.');
        const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
        const std::string tail = stem.size() == name.size() ? std::string() : name.substr(dot);
        for (int n = 2; taken_.count(LowerAscii(name)); ++n)
            name = stem + "~" + std::to_string(n) + tail;
        Take(name);
        return name;
    }

  private:
    void Take(const std::string& name) { taken_.insert(LowerAscii(name)); }
    std::set<std::string> taken_;
};

struct Candidate {
    FoundFile file;
    SlidePictureCheck check;
    std::string dateKey;
    std::string storedName;
    std::string why;  // of a stored name of its own making
    // A slide rendered from a presentation: the presentation's file (for the
    // date order) and the options it set; reported once for the presentation.
    std::string presentation = std::string();
    SlideOptions own = SlideOptions();
};

std::string Plural(size_t n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

// The report line of a presentation that rendered.
std::string PresentationLine(const std::string& path, const RenderedPresentation& rendered) {
    std::string line = "stored " + path + ": " + Plural(rendered.slides.size(), "slide");
    std::vector<std::string> parts;
    if (rendered.hidden)
        parts.push_back(Plural(rendered.hidden, "hidden slide") + " left out");
    if (rendered.timed)
        parts.push_back(std::to_string(rendered.timed) + " with timings or transitions of their own");
    if (!rendered.note.empty())
        parts.push_back(rendered.note);
    for (size_t i = 0; i < parts.size(); ++i)
        line += (i == 0 ? " (" : "; ") + parts[i];
    return line + (parts.empty() ? "" : ")");
}

}  // namespace

SlideSelection SelectSlides(const std::vector<std::string>& arguments,
                            const SlideSearch& search,
                            const SlideChecker& check) {
    std::vector<FoundFile> found;
    for (const std::string& argument : arguments) {
        if (IsFolder(argument))
            CollectFolder(argument, search, found);
        else
            found.push_back(FoundFile{argument, true, false, {}});
    }

    // Presentations are rendered first, one after the other (each is a run of
    // the converter); their slides and every other file are then checked on
    // every core.
    std::vector<Candidate> candidates;
    for (const FoundFile& file : found) {
        Candidate candidate{file, {}, std::string(), std::string(), std::string()};
        if (file.folder || !file.note.empty() || !search.presentations || !IsPresentationFile(file.path)) {
            candidates.push_back(std::move(candidate));
            continue;
        }
        RenderedPresentation rendered;
        try {
            rendered = search.presentations(file.path);
        } catch (const Error& error) {
            if (file.named)
                throw;
            candidate.check.refusal = error.what();
            candidates.push_back(std::move(candidate));
            continue;
        }
        candidates.push_back(Candidate{FoundFile{file.path, false, false, PresentationLine(file.path, rendered)}, {},
                                       std::string(), std::string(), std::string()});
        for (const RenderedSlide& slide : rendered.slides)
            candidates.push_back(Candidate{FoundFile{slide.path, false, false, {}}, {}, std::string(), std::string(),
                                           std::string(), file.path, slide.options});
    }
    std::vector<Candidate*> toCheck;
    for (Candidate& candidate : candidates)
        if (!candidate.file.folder && candidate.file.note.empty() && candidate.check.refusal.empty())
            toCheck.push_back(&candidate);
    RunOnEveryCore(toCheck.size(), [&](size_t i) { toCheck[i]->check = check(toCheck[i]->file.path); });
    for (Candidate& candidate : candidates) {
        const FoundFile& file = candidate.file;
        if (file.folder || !file.note.empty())
            continue;
        if (!candidate.presentation.empty() && !candidate.check.refusal.empty())
            throw Error("'" + candidate.presentation + "' cannot be shown: a rendered slide is refused (" +
                        candidate.check.refusal + ")");
        const std::string& damage = candidate.check.damage;
        if (!damage.empty() && !search.allowDamaged) {
            if (file.named)
                throw Error("'" + file.path + "' is refused: " + damage + " (--allow-damaged stores it)");
            candidate.check.refusal = damage + " (--allow-damaged stores it)";
        }
        const std::string& refusal = candidate.check.refusal;
        if (file.named && refusal == kNotAPicture)
            throw Error("'" + file.path + "' is not a JPEG or BMP picture (nor PNG or GIF)");
        if (file.named && !refusal.empty())
            throw Error("'" + file.path + "' cannot be shown: " + refusal);
    }

    // The show's order: pointers into `candidates`, which keeps the name order
    // for the report.
    std::vector<Candidate*> shown;
    for (Candidate& candidate : candidates)
        if (!candidate.file.folder && candidate.file.note.empty() && candidate.check.refusal.empty())
            shown.push_back(&candidate);
    if (shown.empty()) {
        std::vector<std::string> report;
        for (const Candidate& candidate : candidates)
            if (!candidate.check.refusal.empty())
                report.push_back("refused " + candidate.file.path + ": " + candidate.check.refusal);
        throw NoSlidesError("no JPEG or BMP pictures (nor PNG or GIF) found for the slides", std::move(report));
    }
    if (search.order == PictureOrder::Date) {
        for (Candidate* candidate : shown)
            candidate->dateKey =
                candidate->check.dateTaken
                    ? *candidate->check.dateTaken
                    : ModifiedTimeText(candidate->presentation.empty() ? candidate->file.path : candidate->presentation)
                          .value_or("");
        std::stable_sort(shown.begin(), shown.end(),
                         [](const Candidate* a, const Candidate* b) { return a->dateKey < b->dateKey; });
    }

    SlideSelection selection;
    StoredNames names(search.reservedNames);
    for (Candidate* candidate : shown) {
        candidate->storedName = names.For(candidate->file.path, candidate->check.extension, selection.slides.size() + 1,
                                          candidate->why, candidate->check.made.has_value());
        selection.slides.push_back(SelectedSlide{candidate->file.path, Slide{candidate->storedName, candidate->own.Over(search.options), 0},
                                                 candidate->check.made});
        if (candidate->check.made) {
            ++selection.made;
            selection.madeFromBytes += candidate->check.fileBytes;
            selection.madeBytes += candidate->check.made->size;
        }
    }
    for (const Candidate& candidate : candidates) {
        std::string warning = candidate.check.damage.empty() ? std::string() : "warning: " + candidate.check.damage;
        if (!candidate.check.change.empty())
            warning = candidate.check.change + (warning.empty() ? "" : "; " + warning);
        if (!candidate.file.note.empty()) {
            selection.report.push_back(candidate.file.note);
        } else if (!candidate.presentation.empty()) {
            continue;  // in its presentation's line
        } else if (candidate.file.folder) {
            selection.report.push_back("passed over the folder " + candidate.file.path +
                                       " (--recursive takes its pictures too)");
        } else if (!candidate.check.refusal.empty()) {
            selection.report.push_back("refused " + candidate.file.path + ": " + candidate.check.refusal);
            ++selection.refused;
        } else if (!candidate.why.empty()) {
            selection.report.push_back("stored " + candidate.file.path + " as " + FromRecordText(candidate.storedName) +
                                       " (" + candidate.why + (warning.empty() ? "" : "; " + warning) + ")");
        } else if (candidate.check.made && FromRecordText(candidate.storedName) != BaseName(candidate.file.path)) {
            selection.report.push_back("stored " + candidate.file.path + " as " + FromRecordText(candidate.storedName) +
                                       " (" + warning + ")");
        } else {
            selection.report.push_back("stored " + candidate.file.path + (warning.empty() ? "" : " (" + warning + ")"));
        }
    }
    return selection;
}

std::vector<Slide> ListedSlides(const SlideSelection& selection) {
    std::vector<Slide> slides;
    for (const SelectedSlide& selected : selection.slides)
        slides.push_back(selected.slide);
    return slides;
}

}  // namespace orlscr::mkscr
