#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "builder/slide_list.h"
#include "builder/zip_reader.h"

namespace orlscr::mkscr {

// What a presentation sets for one of its slides: whether it is hidden (left
// out of the show), and its own duration (automatic advance time), style and
// transition length where it sets them; everything else is left unset, so the
// show's options count.
struct PresentationSlide {
    bool hidden = false;
    SlideOptions options;

    friend bool operator==(const PresentationSlide&, const PresentationSlide&) = default;
};

// Every slide of a .pptx, in the show's order. Throws Error with the reason
// (a text to follow the file's name) when the package's parts are missing or
// damaged.
std::vector<PresentationSlide> ReadPptxShow(const ZipReader& zip);

// Every page of an .odp, in order. Throws Error as ReadPptxShow.
std::vector<PresentationSlide> ReadOdpShow(const ZipReader& zip);

// Whether the parts of an .odp are encrypted with a password. Throws Error
// as ReadPptxShow.
bool IsPasswordProtected(const ZipReader& zip);

// The parts of ReadPptxShow: the slide parts ("ppt/slides/slide1.xml") in the
// order of ppt/presentation.xml, resolved through its relationships; and one
// slide part's settings.
std::vector<std::string> PptxSlideParts(std::string_view presentationXml, std::string_view relationshipsXml);
PresentationSlide PptxSlideShow(std::string_view slideXml);

// The part of ReadOdpShow: the pages of content.xml.
std::vector<PresentationSlide> OdpPagesShow(std::string_view contentXml);

// A time as the formats write it, in milliseconds: an ISO 8601 duration
// ("PT00H00M05S", "PT1.5S"), or a clock value ("2s", "500ms", "1.5"). Nothing
// for text that is neither or a negative time.
std::optional<int64_t> ParseShowTime(std::string_view text);

}  // namespace orlscr::mkscr
