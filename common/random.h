#pragma once

#include <cstdint>

namespace orlscr {

// The process-wide pseudo-random generator behind Random(n): a 32-bit linear
// congruential generator, state := state * 134775813 + 1 (mod 2^32), whose
// result is the high 32 bits of state * n. It starts at 0 and nothing seeds it,
// so every run draws the same sequence; the music order and the random
// transition styles rely on that.
class RandomGenerator {
public:
    // An integer in 0..n-1; 0 for n of 0 or 1.
    int32_t Next(int32_t n);
    uint32_t State() const { return state_; }
    void Reset(uint32_t state = 0) { state_ = state; }

private:
    uint32_t state_ = 0;
};

// The one generator of the process.
RandomGenerator& SharedRandom();

// Random(n) of the shared generator.
inline int32_t Random(int32_t n) {
    return SharedRandom().Next(n);
}

}  // namespace orlscr
