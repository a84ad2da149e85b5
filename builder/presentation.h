#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "builder/presentation_tools.h"
#include "builder/slide_list.h"
#include "builder/work_folder.h"

namespace orlscr::mkscr {

// The long side of a slide rendered without --size.
inline constexpr int32_t kDefaultSlideSide = 1920;
// The longest a converter or renderer may run for one file, unless given.
inline constexpr int32_t kDefaultConversionSeconds = 180;

// How presentations are turned into slides.
struct PresentationRequest {
    // The box each slide is rendered to fit, keeping the slide's shape.
    int32_t width = kDefaultSlideSide;
    int32_t height = kDefaultSlideSide;
    // Leave the presentation's own timings and transitions out.
    bool ignoreTimings = false;
    // For each run of a converter or renderer; one still running then is
    // ended with everything it started.
    std::chrono::milliseconds timeLimit = std::chrono::seconds(kDefaultConversionSeconds);
    PresentationTools tools;
    // Hears "rendering deck.pptx: slide 3 of 40" as the slides are made.
    std::function<void(const std::string&)> progress;
};

// One slide made from a presentation: its picture in the work folder and the
// options the presentation set for it.
struct RenderedSlide {
    std::string path;
    SlideOptions options;
};

struct RenderedPresentation {
    std::vector<RenderedSlide> slides;  // the visible slides, in order
    int hidden = 0;                     // slides left out as hidden
    int timed = 0;                      // slides with a duration or transition of their own
    std::string note;                   // why the presentation's timings could not be used; usually empty
};

// Whether the file is taken as a presentation: .pptx, .ppsx, .ppt, .pps,
// .odp, .key or .pdf, case aside.
bool IsPresentationFile(const std::string& path);

// Renders every visible slide of the presentation at `path` as a picture in
// `work` (PNG; a JPEG of quality 92 instead where that is less than half the
// size, as it is for photographs). Presentations go through LibreOffice to a
// PDF, and the PDF's pages through poppler's renderer. Throws Error with a
// message that names the file and what went wrong (damaged, empty, protected
// by a password, a conversion that failed or ran out of time, a program that
// is not installed); everything made for it in `work` is then removed.
RenderedPresentation RenderPresentation(const std::string& path,
                                        const PresentationRequest& request,
                                        const WorkFolder& work);

// The largest size that fits `boxWidth` x `boxHeight` with the shape of a
// page of `pageWidth` x `pageHeight` (any unit), at least 1 x 1.
void FitPage(double pageWidth, double pageHeight, int32_t boxWidth, int32_t boxHeight, int32_t& width, int32_t& height);

}  // namespace orlscr::mkscr
