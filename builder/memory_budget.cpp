#include "builder/memory_budget.h"

#include <algorithm>

namespace orlscr::mkscr {

MemoryBudget::Lease& MemoryBudget::Lease::operator=(Lease&& other) noexcept {
    if (this != &other) {
        if (budget_)
            budget_->Release(bytes_);
        budget_ = other.budget_;
        bytes_ = other.bytes_;
        other.budget_ = nullptr;
    }
    return *this;
}

MemoryBudget::Lease::~Lease() {
    if (budget_)
        budget_->Release(bytes_);
}

MemoryBudget::Lease MemoryBudget::Reserve(int64_t bytes) {
    bytes = std::max<int64_t>(bytes, 0);
    std::unique_lock<std::mutex> hold(lock_);
    freed_.wait(hold, [&] { return reserved_ == 0 || reserved_ + bytes <= limit_; });
    reserved_ += bytes;
    return Lease(this, bytes);
}

void MemoryBudget::SetLimit(int64_t bytes) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        limit_ = bytes;
    }
    freed_.notify_all();
}

int64_t MemoryBudget::Limit() const {
    std::lock_guard<std::mutex> hold(lock_);
    return limit_;
}

int64_t MemoryBudget::Reserved() const {
    std::lock_guard<std::mutex> hold(lock_);
    return reserved_;
}

void MemoryBudget::Release(int64_t bytes) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        reserved_ -= bytes;
    }
    freed_.notify_all();
}

MemoryBudget& PictureMemoryBudget() {
    static MemoryBudget budget(kPictureMemoryBudget);
    return budget;
}

}  // namespace orlscr::mkscr
