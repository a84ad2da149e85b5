#include "builder/xml_tags.h"

#include <cstdint>

#include "common/error.h"

namespace orlscr::mkscr {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void AppendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xc0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xe0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3f));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    }
}

}  // namespace

std::optional<std::string> XmlTag::Attribute(std::string_view wanted) const {
    for (const auto& [key, value] : attributes)
        if (key == wanted)
            return value;
    return std::nullopt;
}

std::string_view XmlTag::LocalName() const {
    const std::string_view full = name;
    const size_t colon = full.find(':');
    return colon == std::string_view::npos ? full : full.substr(colon + 1);
}

std::string XmlUnescape(std::string_view value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        const size_t end = value[i] == '&' ? value.find(';', i) : std::string_view::npos;
        if (end == std::string_view::npos || end - i > 10) {
            out += value[i];
            continue;
        }
        const std::string_view entity = value.substr(i + 1, end - i - 1);
        if (entity == "amp")
            out += '&';
        else if (entity == "lt")
            out += '<';
        else if (entity == "gt")
            out += '>';
        else if (entity == "quot")
            out += '"';
        else if (entity == "apos")
            out += '\'';
        else if (entity.size() > 1 && entity[0] == '#') {
            const bool hex = entity[1] == 'x' || entity[1] == 'X';
            uint32_t c = 0;
            bool good = entity.size() > (hex ? 2u : 1u);
            for (char d : entity.substr(hex ? 2 : 1)) {
                const int v = d >= '0' && d <= '9'          ? d - '0'
                              : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10
                              : hex && d >= 'A' && d <= 'F' ? d - 'A' + 10
                                                            : -1;
                if (v < 0 || c > 0x10ffff) {
                    good = false;
                    break;
                }
                c = c * (hex ? 16 : 10) + static_cast<uint32_t>(v);
            }
            if (!good || c > 0x10ffff || c == 0) {
                out += value.substr(i, end - i + 1);
            } else {
                AppendUtf8(out, c);
            }
        } else {
            out += value.substr(i, end - i + 1);
        }
        i = end;
    }
    return out;
}

bool XmlTagReader::Next(XmlTag& tag) {
    for (;;) {
        const size_t open = text_.find('<', at_);
        if (open == std::string_view::npos) {
            at_ = text_.size();
            return false;
        }
        const std::string_view rest = text_.substr(open);
        // Markup that is no element: passed over whole.
        std::string_view ender;
        if (rest.starts_with("<!--"))
            ender = "-->";
        else if (rest.starts_with("<![CDATA["))
            ender = "]]>";
        else if (rest.starts_with("<?"))
            ender = "?>";
        else if (rest.starts_with("<!"))
            ender = ">";
        if (!ender.empty()) {
            const size_t end = text_.find(ender, open + 2);
            if (end == std::string_view::npos)
                throw Error("the XML ends inside a comment or declaration");
            at_ = end + ender.size();
            continue;
        }

        size_t i = open + 1;
        tag = XmlTag{};
        if (i < text_.size() && text_[i] == '/') {
            tag.closing = true;
            ++i;
        }
        const size_t nameStart = i;
        while (i < text_.size() && !IsBlank(text_[i]) && text_[i] != '>' && text_[i] != '/')
            ++i;
        tag.name = text_.substr(nameStart, i - nameStart);
        for (;;) {
            while (i < text_.size() && IsBlank(text_[i]))
                ++i;
            if (i >= text_.size())
                throw Error("the XML ends inside the tag <" + tag.name + ">");
            if (text_[i] == '>') {
                at_ = i + 1;
                return true;
            }
            if (text_[i] == '/') {
                tag.empty = true;
                ++i;
                continue;
            }
            const size_t keyStart = i;
            while (i < text_.size() && !IsBlank(text_[i]) && text_[i] != '=' && text_[i] != '>' && text_[i] != '/')
                ++i;
            std::string key(text_.substr(keyStart, i - keyStart));
            while (i < text_.size() && IsBlank(text_[i]))
                ++i;
            if (i >= text_.size() || text_[i] != '=') {
                tag.attributes.emplace_back(std::move(key), std::string());
                continue;
            }
            ++i;
            while (i < text_.size() && IsBlank(text_[i]))
                ++i;
            if (i >= text_.size() || (text_[i] != '"' && text_[i] != '\''))
                throw Error("the XML has an attribute without quotes in <" + tag.name + ">");
            const size_t close = text_.find(text_[i], i + 1);
            if (close == std::string_view::npos)
                throw Error("the XML ends inside the tag <" + tag.name + ">");
            tag.attributes.emplace_back(std::move(key), XmlUnescape(text_.substr(i + 1, close - i - 1)));
            i = close + 1;
        }
    }
}

}  // namespace orlscr::mkscr
