#include "builder/natural_order.h"

namespace orlscr::mkscr {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

unsigned char Folded(char c) {
    return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
}

// The digit run starting at `at`: its significant digits (without leading
// zeros); `at` moves past the run.
std::string_view DigitRun(std::string_view text, size_t& at) {
    while (at < text.size() && text[at] == '0' && at + 1 < text.size() && IsDigit(text[at + 1]))
        ++at;
    const size_t start = at;
    while (at < text.size() && IsDigit(text[at]))
        ++at;
    return text.substr(start, at - start);
}

int Compare(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const std::string_view x = DigitRun(a, i), y = DigitRun(b, j);
            if (x.size() != y.size())
                return x.size() < y.size() ? -1 : 1;
            if (const int c = x.compare(y); c != 0)
                return c < 0 ? -1 : 1;
            continue;
        }
        const unsigned char x = Folded(a[i++]), y = Folded(b[j++]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

}  // namespace

bool NaturalLess(std::string_view a, std::string_view b) {
    if (const int c = Compare(a, b); c != 0)
        return c < 0;
    return a < b;
}

}  // namespace orlscr::mkscr
