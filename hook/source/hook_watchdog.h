#pragma once

#include <cstdint>

namespace orlscr {

// Notices desktop input that the hook library never delivered, the sign that
// the platform dropped the library's hooks, and says when to install them
// again.
//
// It is given, at every look, the tick count of now, the tick count of the
// desktop's last input event, how many notifications the watch has had so
// far, and the desktop's last input as it stood when the latest of them was
// handled. Input up to that counts as delivered once the count has changed;
// input after it, even between two looks, does not. Input that is not
// delivered within kGraceMs of the first such event asks for one re-install;
// after it, only input later than the re-install counts. Tick counts wrap
// after 2^32 ms; all comparisons are differences, so the wrap does not
// matter.
class HookWatchdog {
  public:
    static constexpr uint32_t kGraceMs = 1000;

    // Starts watching at `now`, with the watch's count at that moment.
    void Start(uint32_t now, uint64_t deliveries);

    // One look. True when the hook should be installed again now.
    bool Check(uint32_t now, uint32_t lastInput, uint64_t deliveries, uint32_t deliveredUpTo);

  private:
    // Input up to this tick has been delivered or answered by a re-install.
    uint32_t coveredUntil_ = 0;
    uint64_t deliveries_ = 0;
    // The first input seen undelivered, while there is one.
    bool missing_ = false;
    uint32_t firstMissing_ = 0;
};

}  // namespace orlscr
