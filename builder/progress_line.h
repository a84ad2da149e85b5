#pragma once

#include <chrono>
#include <ostream>
#include <string>

#include "builder/package_builder.h"

namespace orlscr::mkscr {

// "mkscr: stored 3 of 40 files, 1.2 of 10.0 MB"
std::string ProgressText(const BuildProgress& progress);

// The progress of a build on one line of a terminal, rewritten in place: at
// the start, at most every 100 ms, and when everything is stored; Finish()
// ends the line so that what follows starts on a line of its own.
class ProgressLine {
  public:
    explicit ProgressLine(std::ostream& out) : out_(out) {}
    ~ProgressLine() { Finish(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;
    void Show(const BuildProgress& progress);
    // Any text in the line's place ("mkscr: rendering deck.pptx: slide 3 of
    // 40"), at most every 100 ms unless `now`.
    void ShowText(const std::string& text, bool now = false);
    void Finish();

  private:
    std::ostream& out_;
    std::chrono::steady_clock::time_point last_{};
    size_t shownLength_ = 0;
    bool shown_ = false;
};

}  // namespace orlscr::mkscr
