#pragma once

#include <optional>
#include <string_view>

namespace orlscr::mkscr {

// The nearest of the 128 transition styles to a presentation's slide
// transition (the table is in the README, "Presentations"). Nothing for a
// transition no style comes near; kInstantTransition for one that shows the
// slide at once (a cut).
inline constexpr int kInstantTransition = -1;

// A transition of a .pptx slide: the local name of the element inside
// <p:transition> ("fade", "push", ...) and its dir and orient attributes
// (empty when absent: the format's defaults apply).
std::optional<int> PptxTransitionStyle(std::string_view kind, std::string_view dir, std::string_view orient);

// A transition of an .odp page: smil:type, smil:subtype and whether
// smil:direction is "reverse".
std::optional<int> OdpTransitionStyle(std::string_view type, std::string_view subtype, bool reverse);

}  // namespace orlscr::mkscr
