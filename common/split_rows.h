#pragma once

#include <cstdint>
#include <functional>

namespace orlscr {

// Runs work(begin, end) over the rows [0, count): the first half on a helper
// thread kept for this, the second on the calling thread, and returns when
// both are done, rethrowing what the helper's half threw. Everything runs on
// the calling thread when the machine has one processor, when `pixels` (the
// work's size) is too small to be worth the hand-over, or while another
// caller has the helper. The halves must not write to the same memory.
void SplitRows(int32_t count, int64_t pixels, const std::function<void(int32_t begin, int32_t end)>& work);

}  // namespace orlscr
