#pragma once

#include <string_view>

namespace orlscr::mkscr {

// File names in the order a file manager shows them: letters compared without
// regard to case, and a run of digits compared by its value, so "2.jpg" comes
// before "10.jpg" and "img9" before "IMG10". Names that differ only in case or
// in leading zeros are ordered by their bytes, so the order is total.
bool NaturalLess(std::string_view a, std::string_view b);

}  // namespace orlscr::mkscr
