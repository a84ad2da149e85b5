#include "builder/presentation_show.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "builder/presentation_transitions.h"
#include "builder/xml_tags.h"
#include "common/error.h"
#include "common/text.h"

namespace orlscr::mkscr {

namespace {

// No part of a document's XML that is read here comes near this.
constexpr uint64_t kMaxXmlPart = 64u << 20;

int32_t ClampDuration(int64_t ms) {
    return static_cast<int32_t>(std::clamp<int64_t>(ms, kMinSlideDurationMs, kMaxSlideDurationMs));
}

int32_t ClampTransition(int64_t ms) {
    return static_cast<int32_t>(std::clamp<int64_t>(ms, kMinTransitionMs, kMaxTransitionMs));
}

// Sets the style, or for a cut an instant transition.
void SetTransition(SlideOptions& options, std::optional<int> style, std::optional<int64_t> lengthMs) {
    if (style == kInstantTransition) {
        options.transitionMs = 0;
        return;
    }
    options.style = style;
    if (lengthMs)
        options.transitionMs = ClampTransition(*lengthMs);
}

std::optional<int64_t> ParseMs(const std::optional<std::string>& text) {
    if (!text)
        return std::nullopt;
    return ParseWholeNumber(TrimBlanks(*text), 0, int64_t{1} << 40);
}

// A number with an optional fraction, >= 0.
std::optional<double> ParseDecimal(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    double value = 0, scale = 0;
    if (text.find_first_of("0123456789") == std::string_view::npos)
        return std::nullopt;
    for (char c : text) {
        if (c == '.' && scale == 0) {
            scale = 1;
        } else if (c >= '0' && c <= '9') {
            if (scale > 0) {
                scale /= 10;
                value += (c - '0') * scale;
            } else {
                value = value * 10 + (c - '0');
            }
        } else {
            return std::nullopt;
        }
        if (value > 1e12)
            return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<int64_t> ParseShowTime(std::string_view text) {
    text = TrimBlanks(text);
    if (text.starts_with("PT") || text.starts_with("pt")) {
        double seconds = 0;
        std::string_view rest = text.substr(2);
        if (rest.empty())
            return std::nullopt;
        while (!rest.empty()) {
            size_t n = 0;
            while (n < rest.size() && ((rest[n] >= '0' && rest[n] <= '9') || rest[n] == '.'))
                ++n;
            if (n == 0 || n == rest.size())
                return std::nullopt;
            const std::optional<double> value = ParseDecimal(rest.substr(0, n));
            if (!value)
                return std::nullopt;
            const char unit = static_cast<char>(rest[n] & ~0x20);
            seconds += *value * (unit == 'H' ? 3600 : unit == 'M' ? 60 : unit == 'S' ? 1 : -1e18);
            if (seconds < 0)
                return std::nullopt;
            rest = rest.substr(n + 1);
        }
        return std::llround(seconds * 1000);
    }
    double factor = 1000;
    if (text.ends_with("ms")) {
        factor = 1;
        text.remove_suffix(2);
    } else if (text.ends_with("s")) {
        text.remove_suffix(1);
    }
    const std::optional<double> value = ParseDecimal(text);
    if (!value)
        return std::nullopt;
    return std::llround(*value * factor);
}

std::vector<std::string> PptxSlideParts(std::string_view presentationXml, std::string_view relationshipsXml) {
    std::map<std::string, std::string> targets;
    XmlTagReader rels(relationshipsXml);
    for (XmlTag tag; rels.Next(tag);) {
        if (tag.closing || tag.LocalName() != "Relationship")
            continue;
        const auto id = tag.Attribute("Id");
        const auto target = tag.Attribute("Target");
        if (!id || !target)
            continue;
        // Relative to ppt/, or absolute within the package.
        targets[*id] = target->starts_with("/") ? target->substr(1) : "ppt/" + *target;
    }
    std::vector<std::string> parts;
    XmlTagReader presentation(presentationXml);
    for (XmlTag tag; presentation.Next(tag);) {
        if (tag.closing || tag.LocalName() != "sldId")
            continue;
        for (const auto& [key, value] : tag.attributes) {
            if (key.ends_with(":id") && targets.count(value)) {
                parts.push_back(targets[value]);
                break;
            }
        }
    }
    return parts;
}

PresentationSlide PptxSlideShow(std::string_view slideXml) {
    PresentationSlide slide;
    // A transition may be written twice, for newer readers (mc:Choice) and
    // as a fallback with the older kinds (mc:Fallback): the first kind
    // the table knows counts, and the first time and length given.
    std::optional<int64_t> advance, length;
    std::optional<int> style;
    bool haveKind = false;
    bool inTransition = false;
    bool kindTaken = false;  // of this transition element
    int depth = 0;           // inside the transition element
    XmlTagReader reader(slideXml);
    for (XmlTag tag; reader.Next(tag);) {
        const std::string_view local = tag.LocalName();
        if (!tag.closing && local == "sld") {
            const std::string show = tag.Attribute("show").value_or("1");
            slide.hidden = show == "0" || show == "false";
            continue;
        }
        if (local == "transition" && !inTransition && !tag.closing) {
            if (!advance)
                advance = ParseMs(tag.Attribute("advTm"));
            if (!length) {
                length = ParseMs(tag.Attribute("p14:dur"));
                if (!length)
                    if (auto speed = tag.Attribute("spd"))
                        length = *speed == "slow" ? 1000 : *speed == "med" ? 750 : 500;
            }
            inTransition = !tag.empty;
            kindTaken = false;
            depth = 0;
            continue;
        }
        if (!inTransition)
            continue;
        if (tag.closing) {
            if (depth == 0 && local == "transition")
                inTransition = false;
            else
                --depth;
            continue;
        }
        if (depth == 0 && !kindTaken && local != "sndAc" && local != "extLst") {
            kindTaken = true;
            const std::optional<int> found =
                PptxTransitionStyle(local, tag.Attribute("dir").value_or(""), tag.Attribute("orient").value_or(""));
            if (!haveKind || (!style && found)) {
                style = found;
                haveKind = true;
            }
        }
        if (!tag.empty)
            ++depth;
    }
    if (advance)
        slide.options.durationMs = ClampDuration(*advance);
    if (haveKind) {
        // Without p14:dur or spd, the format's default speed: fast.
        SetTransition(slide.options, style, length.value_or(500));
    }
    return slide;
}

std::vector<PresentationSlide> ReadPptxShow(const ZipReader& zip) {
    const std::string presentation = zip.Read("ppt/presentation.xml", kMaxXmlPart);
    const std::string relationships = zip.Read("ppt/_rels/presentation.xml.rels", kMaxXmlPart);
    std::vector<PresentationSlide> slides;
    for (const std::string& part : PptxSlideParts(presentation, relationships))
        slides.push_back(PptxSlideShow(zip.Read(part, kMaxXmlPart)));
    return slides;
}

std::vector<PresentationSlide> OdpPagesShow(std::string_view contentXml) {
    // Page styles first (automatic styles come before the body), then pages.
    struct PageStyle {
        bool hidden = false;
        std::optional<int64_t> duration, length;
        std::string type, subtype, speed;
        bool reverse = false;
        bool manual = false;
    };
    std::map<std::string, PageStyle> styles;
    std::vector<PresentationSlide> pages;
    std::string currentStyle;
    bool inPage = false;
    PageStyle pageStyle;
    auto takeTransition = [](PageStyle& style, const XmlTag& tag) {
        if (auto type = tag.Attribute("smil:type")) {
            style.type = *type;
            style.subtype = tag.Attribute("smil:subtype").value_or("");
            style.reverse = tag.Attribute("smil:direction").value_or("") == "reverse";
        }
        if (auto dur = tag.Attribute("smil:dur"))
            style.length = ParseShowTime(*dur);
    };
    auto finishPage = [&]() {
        PresentationSlide slide;
        slide.hidden = pageStyle.hidden;
        if (pageStyle.duration && !pageStyle.manual)
            slide.options.durationMs = ClampDuration(*pageStyle.duration);
        if (!pageStyle.type.empty()) {
            const std::string& speed = pageStyle.speed;
            const int64_t bySpeed = speed == "slow" ? 2000 : speed == "fast" ? 500 : 1000;
            SetTransition(slide.options, OdpTransitionStyle(pageStyle.type, pageStyle.subtype, pageStyle.reverse),
                          pageStyle.length.value_or(bySpeed));
        }
        pages.push_back(slide);
    };

    XmlTagReader reader(contentXml);
    for (XmlTag tag; reader.Next(tag);) {
        const std::string& name = tag.name;
        if (name == "style:style" && !tag.closing) {
            currentStyle = tag.Attribute("style:family").value_or("") == "drawing-page"
                               ? tag.Attribute("style:name").value_or("")
                               : std::string();
        } else if (name == "style:drawing-page-properties" && !tag.closing && !currentStyle.empty()) {
            PageStyle& style = styles[currentStyle];
            style.hidden = tag.Attribute("presentation:visibility").value_or("") == "hidden";
            if (auto duration = tag.Attribute("presentation:duration"))
                style.duration = ParseShowTime(*duration);
            style.manual = tag.Attribute("presentation:transition-type").value_or("") == "manual";
            style.speed = tag.Attribute("presentation:transition-speed").value_or("");
            takeTransition(style, tag);
        } else if (name == "draw:page") {
            if (tag.closing) {
                if (inPage)
                    finishPage();
                inPage = false;
                continue;
            }
            const auto found = styles.find(tag.Attribute("draw:style-name").value_or(""));
            pageStyle = found == styles.end() ? PageStyle{} : found->second;
            inPage = true;
            if (tag.empty) {
                finishPage();
                inPage = false;
            }
        } else if (inPage && name == "anim:transitionFilter" && !tag.closing && !tag.Attribute("smil:targetElement")) {
            // The page's own transition, written in its timing tree (a
            // shape's effect names its target).
            takeTransition(pageStyle, tag);
        }
    }
    return pages;
}

std::vector<PresentationSlide> ReadOdpShow(const ZipReader& zip) {
    return OdpPagesShow(zip.Read("content.xml", kMaxXmlPart));
}

bool IsPasswordProtected(const ZipReader& zip) {
    // An OpenDocument file lists the encryption of its parts in its manifest.
    if (!zip.Has("META-INF/manifest.xml"))
        return false;
    return zip.Read("META-INF/manifest.xml", kMaxXmlPart).find("encryption-data") != std::string::npos;
}

}  // namespace orlscr::mkscr
