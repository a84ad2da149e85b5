#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "builder/presentation.h"
#include "builder/slide_list.h"
#include "builder/slide_picture_check.h"
#include "common/error.h"

namespace orlscr::mkscr {

inline constexpr const char* kSlideDocumentName = "show.slides";

// The order the pictures are stored in (and shown in, unless the show line
// has the viewer shuffle them).
enum class PictureOrder { Name, Date };

// How the pictures of a slide show are found and ordered.
struct SlideSearch {
    bool recursive = false;     // take the pictures of subfolders too
    bool hidden = false;        // take hidden files and folders of a folder too (IsHiddenEntry)
    bool allowDamaged = false;  // store a damaged picture that decodes, with a warning
    PictureOrder order = PictureOrder::Name;
    SlideOptions options;  // of every slide
    // Names the slides may not take (case does not count): the package's other
    // files. The slide list and the viewer are always reserved.
    std::vector<std::string> reservedNames;
    // Renders a presentation file (IsPresentationFile) into its slides; unset,
    // a presentation is looked at like any other file (and refused).
    std::function<RenderedPresentation(const std::string& path)> presentations = nullptr;
};

// A slide chosen for the package: where its picture is read, and its line of
// the slide list (`slide.fileName` is the name it is stored under).
struct SelectedSlide {
    std::string path;
    Slide slide;
    // The picture stored instead of the file (converted or reduced).
    std::optional<ScratchPiece> made = std::nullopt;
};

// The slides chosen from the arguments, and one report line per file looked at
// ("stored PATH", "stored PATH as NAME (why)", "refused PATH: REASON",
// "passed over the folder PATH ..." for a subfolder without `recursive`, and
// one "passed over N hidden files in FOLDER ..." for each folder with hidden
// entries), in the order the files were found. A damaged picture is refused,
// or with `allowDamaged` stored with the damage named ("stored PATH (warning:
// ...)"). A presentation gives its rendered slides in its place, each with
// the options the presentation set for it over `options`, and one line
// "stored PATH: N slides ...".
struct SlideSelection {
    std::vector<SelectedSlide> slides;
    std::vector<std::string> report;
    int refused = 0;
    // The pictures stored made anew (converted or reduced): how many, and
    // their files' bytes against the bytes stored for them.
    int made = 0;
    int64_t madeFromBytes = 0;
    int64_t madeBytes = 0;
};

// Thrown when no file gives a slide; carries the report of the files that
// were looked at, so that the refusals can be shown with the error.
struct NoSlidesError : Error {
    NoSlidesError(const std::string& message, std::vector<std::string> lines)
        : Error(message), report(std::move(lines)) {}
    std::vector<std::string> report;
};

using SlideChecker = std::function<SlidePictureCheck(const std::string& path)>;

// The slides for the arguments. A folder gives every file the viewer can show,
// in natural name order (files first, then with `recursive` each subfolder in
// turn); every other file of it is reported as refused with its reason. A file
// argument keeps its place and must be a picture the viewer shows. The order
// is then the name order, or by date (the picture's date taken, else the
// file's time), ties kept in name order. Hidden entries of a folder are passed
// over unless `hidden`; a hidden file or folder named as an argument is taken. A slide whose name the player cannot
// create or store, or that an earlier slide already has, is stored under a
// generated name.
// Throws Error for an argument that is neither a folder nor a picture the
// viewer shows (nor a presentation that renders), and when no slide is found.
// The files are checked on every core at once (`check` must be safe to call
// from several threads); a picture made anew ("stored PATH (converted HEIC to
// JPEG)") is stored under its own name with its new format's extension.
SlideSelection SelectSlides(
    const std::vector<std::string>& arguments,
    const SlideSearch& search,
    const SlideChecker& check = [](const std::string& path) { return CheckSlidePicture(path); });

// The slides' lines of the slide list, in the order selected.
std::vector<Slide> ListedSlides(const SlideSelection& selection);

}  // namespace orlscr::mkscr
