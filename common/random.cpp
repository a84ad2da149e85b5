#include "common/random.h"

namespace orlscr {

int32_t RandomGenerator::Next(int32_t n) {
    state_ = state_ * 134775813u + 1u;
    // A non-positive n takes the generator's step and yields 0, like n of 0 or 1.
    if (n <= 1)
        return 0;
    return static_cast<int32_t>((static_cast<uint64_t>(state_) * static_cast<uint32_t>(n)) >> 32);
}

RandomGenerator& SharedRandom() {
    static RandomGenerator generator;
    return generator;
}

}  // namespace orlscr
