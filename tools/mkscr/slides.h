#pragma once

#include <optional>
#include <string>
#include <vector>

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

inline constexpr const char* kSlideDocumentName = "show.slides";
inline constexpr const char* kSlideViewerName = "PPTVIEW.EXE";

// The images named by the arguments: a folder gives its JPEG and BMP files in
// name order (other files are passed over), a file must be a JPEG or BMP picture
// and keeps its place. Throws Error when an argument is neither, or when no
// image is found.
std::vector<std::string> CollectSlideImages(const std::vector<std::string>& arguments);

// The slide list document: a comment, then one line per slide, a name with a
// blank in double quotes, followed by duration= and style= where given. Lines
// end in CR LF. Throws Error for a name that the list cannot hold.
std::string WriteSlideList(const std::vector<Slide>& slides);

}  // namespace orlscr::mkscr
