#include "tools/studio/studio_model.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>

#include "builder/folder.h"
#include "builder/natural_order.h"
#include "builder/presentation.h"
#include "builder/sound_check.h"
#include "common/c_file.h"
#include "picture/picture_info.h"

namespace orlscr::studio {

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

StudioSlide CheckedSlide(const std::string& path, const SlideChecker& check) {
    if (!mkscr::IsFolder(path)) {
        if (!UniqueCFile(mkscr::OpenForReading(path)))
            return StudioSlide{path, {}, kMissingPicture, std::string(), true};
    }
    // A presentation becomes slides when the saver is built (rendered by the
    // builder like mkscr does); until then it is one entry of the list.
    if (mkscr::IsPresentationFile(path)) {
        std::string extension = FileNameOf(path);
        const size_t dot = extension.find_last_of('.');
        extension = dot == std::string::npos ? std::string() : extension.substr(dot + 1);
        for (char& c : extension)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return StudioSlide{path, {}, std::string(), extension, true};
    }
    const SlidePictureCheck result = check(path);
    StudioSlide slide{path, {}, result.refusal.empty() ? result.damage : result.refusal, std::string(), true};
    if (slide.refusal.empty())
        slide.extension = result.extension;
    return slide;
}

void CheckPendingSlides(StudioProject& project, const std::atomic<bool>& stop, const SlideChecker& check) {
    for (StudioSlide& slide : project.slides) {
        if (stop)
            return;
        if (!slide.checked) {
            SlideOptions own = slide.options;
            slide = CheckedSlide(slide.path, check);
            slide.options = own;
        }
    }
}

size_t AddPictures(StudioProject& project, const std::vector<std::string>& paths, const SlideChecker& check) {
    for (const std::string& path : paths)
        project.slides.push_back(CheckedSlide(path, check));
    return paths.size();
}

std::vector<std::string> FilesOfFolder(const std::string& folder, bool recursive) {
    auto sorted = [](std::vector<std::string> names) {
        std::sort(names.begin(), names.end(),
                  [](const std::string& a, const std::string& b) { return mkscr::NaturalLess(a, b); });
        return names;
    };
    std::vector<std::string> files;
    for (const std::string& name : sorted(mkscr::FilesInFolder(folder)))
        if (!mkscr::IsHiddenEntry(folder, name))
            files.push_back(mkscr::PathInFolder(folder, name));
    if (recursive) {
        for (const std::string& name : sorted(mkscr::FoldersInFolder(folder))) {
            if (mkscr::IsHiddenEntry(folder, name))
                continue;
            for (std::string& path : FilesOfFolder(mkscr::PathInFolder(folder, name), true))
                files.push_back(std::move(path));
        }
    }
    return files;
}

namespace {

std::vector<size_t> SortedUnique(std::vector<size_t> indices, size_t size) {
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    indices.erase(std::remove_if(indices.begin(), indices.end(), [&](size_t i) { return i >= size; }), indices.end());
    return indices;
}

}  // namespace

void RemoveSlides(StudioProject& project, const std::vector<size_t>& indices) {
    const std::vector<size_t> gone = SortedUnique(indices, project.slides.size());
    for (auto it = gone.rbegin(); it != gone.rend(); ++it)
        project.slides.erase(project.slides.begin() + static_cast<std::ptrdiff_t>(*it));
}

std::vector<size_t> MoveSlidesTo(StudioProject& project, std::vector<size_t> indices, size_t target) {
    indices = SortedUnique(std::move(indices), project.slides.size());
    target = std::min(target, project.slides.size());
    std::vector<StudioSlide> moved;
    std::vector<StudioSlide> rest;
    size_t insertAt = 0;
    const std::set<size_t> chosen(indices.begin(), indices.end());
    for (size_t i = 0; i < project.slides.size(); ++i) {
        if (i == target)
            insertAt = rest.size();
        (chosen.count(i) ? moved : rest).push_back(std::move(project.slides[i]));
    }
    if (target == project.slides.size())
        insertAt = rest.size();
    rest.insert(rest.begin() + static_cast<std::ptrdiff_t>(insertAt), moved.begin(), moved.end());
    project.slides = std::move(rest);
    std::vector<size_t> now;
    for (size_t k = 0; k < moved.size(); ++k)
        now.push_back(insertAt + k);
    return now;
}

std::vector<size_t> MoveSlides(StudioProject& project, std::vector<size_t> indices, int delta) {
    indices = SortedUnique(std::move(indices), project.slides.size());
    if (indices.empty())
        return indices;
    if (delta < 0) {
        if (indices.front() == 0)
            return indices;
        return MoveSlidesTo(project, indices, indices.front() - 1);
    }
    if (indices.back() + 1 >= project.slides.size())
        return indices;
    // Before the slide after the one that follows the block's last.
    return MoveSlidesTo(project, indices, indices.back() + 2);
}

void AddMusic(StudioProject& project, const std::vector<std::string>& paths) {
    for (const std::string& path : paths)
        project.music.push_back(MusicTrack{path, mkscr::SoundWarning(path)});
}

std::vector<const StudioSlide*> ShownSlides(const StudioProject& project) {
    std::vector<const StudioSlide*> shown;
    for (const StudioSlide& slide : project.slides)
        if (!slide.checked || slide.refusal.empty())
            shown.push_back(&slide);
    if (project.order == ShowOrder::kNatural)
        std::stable_sort(shown.begin(), shown.end(), [](const StudioSlide* a, const StudioSlide* b) {
            return mkscr::NaturalLess(FileNameOf(a->path), FileNameOf(b->path));
        });
    return shown;
}

}  // namespace orlscr::studio
