#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace orlscr {

// The viewer under a saver ends with it. The saver names its window in the
// environment variable kSaverWindowVariable (the window handle in decimal),
// which the viewer inherits; the viewer looks at that window now and then:
// gone (or now another process's), the saver has ended; not answering, the
// saver is stuck. Either way, after kSilentMs without an answer the viewer
// ends, so no show stays on the screen over a saver that cannot end it.
inline constexpr const char* kSaverWindowVariable = "ORLSCR_SAVER_WINDOW";

// The window handle in the variable's text; nothing for no text, a zero or
// anything but decimal digits.
std::optional<uint64_t> ParseSaverWindow(std::string_view text);

class SaverWatch {
  public:
    static constexpr uint32_t kSilentMs = 5000;

    explicit SaverWatch(uint32_t now) : lastAnswer_(now) {}
    // One look at `now`: whether the saver's window still exists and
    // answered. True when the viewer is to end.
    bool Check(uint32_t now, bool exists, bool answered);

  private:
    uint32_t lastAnswer_;
};

}  // namespace orlscr
