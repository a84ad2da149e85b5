#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orlscr::mkscr {

// One tag of an XML text: its qualified name ("p:transition"), whether it
// closes an element (</p:sld>) or opens and closes one (<p:fade/>), and its
// attributes with their values' entities resolved.
struct XmlTag {
    std::string name;
    bool closing = false;
    bool empty = false;
    std::vector<std::pair<std::string, std::string>> attributes;

    std::optional<std::string> Attribute(std::string_view name) const;
    // The name without its prefix ("transition").
    std::string_view LocalName() const;
};

// Walks the tags of an XML text in order, passing over text, comments,
// processing instructions, CDATA and the document type. Enough for reading
// attributes of documents made by office programs; it checks no nesting.
class XmlTagReader {
  public:
    explicit XmlTagReader(std::string_view text) : text_(text) {}

    // The next tag; false at the end. Throws Error for a tag that does not end.
    bool Next(XmlTag& tag);

  private:
    std::string_view text_;
    size_t at_ = 0;
};

// The value with &amp; &lt; &gt; &quot; &apos; and character references
// resolved (as UTF-8); an unknown entity is kept as it is.
std::string XmlUnescape(std::string_view value);

}  // namespace orlscr::mkscr
