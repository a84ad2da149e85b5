#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "common/path.h"

namespace orlscr {

// Comma-list text into items. Blanks (codes 1..32) around items are skipped; an
// item in double quotes runs to the matching quote, a doubled quote inside
// standing for one; an unquoted item ends at the first code 0..32 or comma; a
// comma that is the very last character adds one empty item. The text ends at
// its first NUL.
std::vector<std::string> ParseCommaList(std::string_view text, LeadBytePredicate isLeadByte = nullptr);

// Items into comma-list text: each item quoted (inner quotes doubled) when it
// holds a code 0..32, a quote or a comma, joined with commas; a list of exactly
// one empty item is "" (two quotes), an empty list is empty text.
std::string JoinCommaList(const std::vector<std::string>& items);

// A list-valued property of the settings record (the properties ending in
// "CommaList"). It holds the items; Text() is what reading the property gives,
// SetText() what writing it does.
class CommaList {
  public:
    CommaList() = default;
    explicit CommaList(std::vector<std::string> items) : items_(std::move(items)) {}

    std::string Text() const { return JoinCommaList(items_); }
    void SetText(std::string_view text, LeadBytePredicate isLeadByte = nullptr) {
        items_ = ParseCommaList(text, isLeadByte);
    }

    const std::vector<std::string>& Items() const { return items_; }
    std::vector<std::string>& Items() { return items_; }
    int Count() const { return static_cast<int>(items_.size()); }
    bool Empty() const { return items_.empty(); }
    void Clear() { items_.clear(); }
    void Add(std::string item) { items_.push_back(std::move(item)); }

    bool operator==(const CommaList&) const = default;

  private:
    std::vector<std::string> items_;
};

}  // namespace orlscr
