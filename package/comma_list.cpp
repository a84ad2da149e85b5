#include "package/comma_list.h"

namespace orlscr {

namespace {

bool IsBlank(char c) {
    auto u = static_cast<unsigned char>(c);
    return u >= 1 && u <= 32;
}

bool EndsUnquotedItem(char c) {
    return static_cast<unsigned char>(c) <= 32 || c == ',';
}

bool NeedsQuotes(const std::string& item) {
    for (char c : item)
        if (static_cast<unsigned char>(c) <= 32 || c == '"' || c == ',')
            return true;
    return false;
}

}  // namespace

std::vector<std::string> ParseCommaList(std::string_view text, LeadBytePredicate isLeadByte) {
    size_t nul = text.find('\0');
    if (nul != std::string_view::npos)
        text = text.substr(0, nul);
    // Width of the character at i: a lead byte takes its trail byte along, as
    // far as the text goes.
    auto step = [&](size_t i) -> size_t {
        if (isLeadByte && isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size())
            return 2;
        return 1;
    };
    auto skipBlanks = [&](size_t i) {
        while (i < text.size() && IsBlank(text[i]))
            ++i;
        return i;
    };

    std::vector<std::string> items;
    size_t p = skipBlanks(0);
    while (p < text.size()) {
        std::string item;
        if (text[p] == '"') {
            ++p;
            while (p < text.size()) {
                if (text[p] == '"') {
                    if (p + 1 < text.size() && text[p + 1] == '"') {
                        item += '"';
                        p += 2;
                        continue;
                    }
                    ++p;  // the closing quote
                    break;
                }
                size_t w = step(p);
                item.append(text.substr(p, w));
                p += w;
            }
        } else {
            while (p < text.size() && !EndsUnquotedItem(text[p])) {
                size_t w = step(p);
                item.append(text.substr(p, w));
                p += w;
            }
        }
        items.push_back(std::move(item));
        p = skipBlanks(p);
        if (p < text.size() && text[p] == ',') {
            if (p + 1 == text.size())
                items.emplace_back();
            p = skipBlanks(p + 1);
        }
    }
    return items;
}

std::string JoinCommaList(const std::vector<std::string>& items) {
    if (items.size() == 1 && items[0].empty())
        return "\"\"";
    std::string text;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            text += ',';
        const std::string& item = items[i];
        if (!NeedsQuotes(item)) {
            text += item;
            continue;
        }
        text += '"';
        for (char c : item) {
            if (c == '"')
                text += '"';
            text += c;
        }
        text += '"';
    }
    return text;
}

}  // namespace orlscr
