#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tools/mkscr/slide_picture_check.h"

namespace orlscr::mkscr {

// One slide of a slide list: an image file beside the document, how long it
// stays (milliseconds) and the transition style (0..127) that brings it in.
// Without a duration the viewer's default applies (5000), without a style one
// is drawn at random.
struct Slide {
    std::string path;        // where the builder reads the image
    std::string storedName;  // the name in the package and in the list
    std::optional<int> durationMs;
    std::optional<int> style;
};

// The show-wide options of a slide list, written as its show line ("! ...");
// only the options that are set are written.
struct ShowOptions {
    bool shuffle = false;             // order=shuffle: the viewer draws the order every run
    std::optional<std::string> fit;   // "contain" or "cover"
    std::optional<int> transitionMs;  // how long a transition lasts
    std::optional<int> upscale;       // largest enlargement factor
    bool hideCursor = false;          // cursor=hidden
    std::optional<uint32_t> seed;     // fixes the viewer's random generator
};

inline constexpr const char* kSlideDocumentName = "show.slides";

enum class SlideOrder { Name, Date, Shuffle };

// How the pictures of a slide show are found and ordered.
struct SlideSearch {
    bool recursive = false;  // take the pictures of subfolders too
    SlideOrder order = SlideOrder::Name;
    std::optional<int> durationMs;  // for every slide
    std::optional<int> style;       // for every slide
    // Names the slides may not take (case does not count): the package's other
    // files. The slide list and the viewer are always reserved.
    std::vector<std::string> reservedNames;
};

// The slides chosen from the arguments, and one report line per file looked at
// ("stored PATH", "stored PATH as NAME (why)", "refused PATH: REASON", and
// "passed over the folder PATH ..." for a subfolder without `recursive`), in
// the order the files were found.
struct SlideSelection {
    std::vector<Slide> slides;
    std::vector<std::string> report;
    int refused = 0;
};

using SlideChecker = std::function<SlidePictureCheck(const std::string& path)>;

// The slides for the arguments. A folder gives every file the viewer can show,
// in natural name order (files first, then with `recursive` each subfolder in
// turn); every other file of it is reported as refused with its reason. A file
// argument keeps its place and must be a picture the viewer shows. The order
// is then the name order, or by date (the picture's date taken, else the
// file's time), ties kept in name order; shuffle keeps the name order (the
// viewer shuffles). A slide whose name the player cannot create or store, or
// that an earlier slide already has, is stored under a generated name.
// Throws Error for an argument that is neither a folder nor a picture the
// viewer shows, and when no slide is found.
SlideSelection SelectSlides(const std::vector<std::string>& arguments,
                            const SlideSearch& search,
                            const SlideChecker& check = CheckSlidePicture);

// The slide list document: a comment, the show line when an option is set,
// then one line per slide, a name with a blank (or starting with '#' or '!') in
// double quotes, followed by duration= and style= where given. Lines end in CR
// LF. Throws Error for a name that the list cannot hold.
std::string WriteSlideList(const std::vector<Slide>& slides, const ShowOptions& show = {});

}  // namespace orlscr::mkscr
