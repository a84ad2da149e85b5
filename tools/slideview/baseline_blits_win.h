#pragma once

// A benchmark's baseline taken beside the slide viewer's own frames: with
// ORLSCR_BENCH_BASELINE set (bench/slideview_fps.py sets it), every frame the
// viewer draws is followed by one plain full-window copy of a screen-sized
// 24-bit picture, timed. Frames and baseline are then measured under the same
// load, second by second, on a machine whose load changes from one second to
// the next.

#include <windows.h>

#include <optional>
#include <string>

#include "common/win/unique.h"

namespace orlscr {

class BaselineBlits {
  public:
    BaselineBlits();
    bool Enabled() const { return enabled_; }
    // One timed copy to `window` (its whole client area); the window shows
    // it until the viewer's next frame.
    void Blit(HWND window);
    // "slideview baseline N blits M us" for the copies since the last call;
    // empty when disabled.
    std::string TakeTrace();

  private:
    bool enabled_ = false;
    UniqueBitmap bitmap_;
    UniqueMemoryDc dc_;
    std::optional<SelectedObject> selected_;
    int width_ = 0, height_ = 0;
    long long blits_ = 0, ticks_ = 0;
};

}  // namespace orlscr
