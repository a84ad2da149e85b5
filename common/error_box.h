#pragma once

#include <string>
#include <string_view>

namespace orlscr {

// The text of the standard error box: the message with a full stop appended
// when its last character sorts after the full stop ("Stream read error" gets
// one, "Done!" and "v1.0" do not). Characters compare as unsigned bytes.
std::string ErrorBoxText(std::string_view message);

}  // namespace orlscr
