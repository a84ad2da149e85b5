#pragma once

#include <cstdint>
#include <functional>

namespace orlscr {

// The pieces SplitRows cuts `count` rows into (at least one when there are rows).
int32_t RowPieces(int32_t count);

// Runs work(piece, begin, end) for each of the RowPieces(count) pieces of the
// rows [0, count), in any order: the calling thread and a helper thread kept
// for this take pieces in turn until none is left, so a helper that is slow
// to start costs the caller at most the piece it took. Returns when every
// piece is done, rethrowing the first failure. Everything runs on the calling
// thread when the machine has one processor, when `pixels` (the work's size)
// is too small to be worth a hand-over, while another caller has the
// helper, or when called from inside a piece. Pieces must not write to the
// same memory.
void SplitRows(int32_t count,
               int64_t pixels,
               const std::function<void(int32_t piece, int32_t begin, int32_t end)>& work);

// The same, and `alongside` on the calling thread while the helper starts on
// the pieces (before the caller takes any): other work of the caller's, done
// meanwhile. Its failure is rethrown like a piece's.
void SplitRows(int32_t count,
               int64_t pixels,
               const std::function<void(int32_t piece, int32_t begin, int32_t end)>& work,
               const std::function<void()>& alongside);

// Wakes the helper thread ahead of a split due within a few milliseconds, so
// that the split does not wait for it to wake.
void ReadyRowHelper();

}  // namespace orlscr
