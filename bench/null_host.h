#pragma once

#include <cstdint>
#include <functional>

#include "transition/transition_engine.h"

namespace orlscr {

// A host for an engine run frame by frame on the calling thread, with nothing
// to show its frames on.
class NullHost : public TransitionHost {
  public:
    void InvalidatePictureRect(const Rect&) override {}
    void UpdateNow() override {}
    void ProcessMessages() override {}
    uint32_t TickCount() override { return 0; }
    void RunOnMainThread(const std::function<void()>& task) override { task(); }
    void WaitWhileHandingOver(const std::function<bool()>&) override {}
};

}  // namespace orlscr
