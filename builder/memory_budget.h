#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace orlscr::mkscr {

// Memory shared by the workers that check, convert and reduce pictures: a
// worker reserves what its picture will need before decoding it, and waits
// while that is more than is left. A picture that needs more than the whole
// budget waits until nothing else is reserved and then runs alone, so every
// picture is taken in the end. Always holds 0 <= reserved.
class MemoryBudget {
  public:
    explicit MemoryBudget(int64_t bytes) : limit_(bytes) {}
    // Another limit, for the reservations from now on.
    void SetLimit(int64_t bytes);

    // Gives its bytes back when it ends.
    class Lease {
      public:
        Lease() = default;
        Lease(Lease&& other) noexcept : budget_(other.budget_), bytes_(other.bytes_) { other.budget_ = nullptr; }
        Lease& operator=(Lease&& other) noexcept;
        ~Lease();

      private:
        friend class MemoryBudget;
        Lease(MemoryBudget* budget, int64_t bytes) : budget_(budget), bytes_(bytes) {}
        MemoryBudget* budget_ = nullptr;
        int64_t bytes_ = 0;
    };

    // Waits until `bytes` fit into what is left (or nothing is reserved).
    Lease Reserve(int64_t bytes);

    int64_t Limit() const;
    int64_t Reserved() const;

  private:
    void Release(int64_t bytes);

    int64_t limit_;
    mutable std::mutex lock_;
    std::condition_variable freed_;
    int64_t reserved_ = 0;
};

// The budget of the pictures the builder reads: kPictureMemoryBudget unless
// mkscr's --memory sets another.
inline constexpr int64_t kPictureMemoryBudget = int64_t{1} << 30;
MemoryBudget& PictureMemoryBudget();

}  // namespace orlscr::mkscr
