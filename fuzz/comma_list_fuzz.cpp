// Comma lists: parsing any text and joining the items gives text that parses
// back to the same items; with double-byte characters parsing stays in bounds.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "common/path.h"
#include "package/comma_list.h"

using namespace orlscr;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> items = ParseCommaList(text);
    std::string joined = JoinCommaList(items);
    if (ParseCommaList(joined) != items)
        std::abort();
    if (JoinCommaList(ParseCommaList(joined)) != joined)
        std::abort();

    auto lead = [](unsigned char b) { return b >= 0x81 && b <= 0xFE; };
    ParseCommaList(text, lead);
    size_t half = size / 2;
    JoinPath(text.substr(0, half), text.substr(half), lead);
    return 0;
}
