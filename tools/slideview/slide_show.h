#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "builder/slide_list.h"
#include "common/random.h"
#include "raster/bitmap.h"

namespace orlscr {

// The order of a running show: the slides of the list one after another, and
// after the last one the first again, for ever. A slide whose picture cannot be loaded
// is left out from then on; when every slide has been left out, the show has
// nothing to show and says why.
class SlideSequence {
  public:
    using Loader = std::function<Bitmap(const Slide&)>;

    explicit SlideSequence(std::vector<Slide> slides);

    // Moves on to the next slide that loads (the first one at the start) and
    // returns its index, with its picture in `picture`. When the next usable
    // slide is the one on show (a show of one usable slide), returns it without
    // loading it again and leaves `picture` alone. nullopt when no slide is
    // left; Reason() then says why. Errors of the loader (Error) leave the
    // slide out; anything else passes through.
    std::optional<size_t> Advance(const Loader& load, Bitmap& picture);

    const std::vector<Slide>& Slides() const { return slides_; }
    std::optional<size_t> Current() const { return current_; }
    // The slide Advance will try first (it may yet fail to load); nullopt
    // when no slide is left.
    std::optional<size_t> Upcoming() const;

    // Why nothing can be shown (after Advance returned nullopt).
    std::string Reason() const;

  private:
    std::vector<Slide> slides_;
    std::vector<bool> unusable_;
    std::optional<size_t> current_;
    std::string firstFailure_;
};

// The transition style that brings `slide` in: its own when the list sets one
// that exists (0..highest_style), otherwise one drawn with `random` from
// 1..highest_style (style 0 shows the new picture at once, so it is never drawn).
int32_t ChooseTransitionStyle(const Slide& slide, int32_t highest_style, RandomGenerator& random);

// The viewer's own generator for one run (the process-wide one is left to the
// player's parts): started from the list's seed when it fixes one, so the run
// repeats, else from `fresh`, a value that differs from run to run.
RandomGenerator ShowRandom(const ShowOptions& show, uint32_t fresh);

// The slides in the order of a run: as listed, or shuffled (every order
// equally likely) with `random`.
std::vector<Slide> RunningOrder(std::vector<Slide> slides, SlideOrder order, RandomGenerator& random);

}  // namespace orlscr
