#include "tools/slideview/slide_show.h"

#include <utility>

#include "common/error.h"

namespace orlscr {

SlideSequence::SlideSequence(std::vector<Slide> slides)
    : slides_(std::move(slides)), unusable_(slides_.size(), false) {}

std::optional<size_t> SlideSequence::Advance(const Loader& load, Bitmap& picture) {
    const size_t count = slides_.size();
    if (count == 0)
        return std::nullopt;
    const size_t start = current_ ? (*current_ + 1) % count : 0;
    for (size_t tried = 0; tried < count; ++tried) {
        const size_t index = (start + tried) % count;
        if (unusable_[index])
            continue;
        if (current_ && index == *current_)
            return current_;
        try {
            picture = load(slides_[index]);
            current_ = index;
            return current_;
        } catch (const Error& error) {
            unusable_[index] = true;
            if (firstFailure_.empty())
                firstFailure_ = error.what();
        }
    }
    current_.reset();
    return std::nullopt;
}

std::optional<size_t> SlideSequence::Upcoming() const {
    const size_t count = slides_.size();
    const size_t start = current_ ? (*current_ + 1) % count : 0;
    for (size_t tried = 0; tried < count; ++tried)
        if (const size_t index = (start + tried) % count; !unusable_[index])
            return index;
    return std::nullopt;
}

std::string SlideSequence::Reason() const {
    if (slides_.empty())
        return "it names no slide";
    std::string reason = slides_.size() == 1 ? std::string("its slide cannot be shown")
                                             : "none of its " + std::to_string(slides_.size()) + " slides can be shown";
    if (!firstFailure_.empty())
        reason += " (" + firstFailure_ + ")";
    return reason;
}

int32_t ChooseTransitionStyle(const Slide& slide, int32_t highest_style, RandomGenerator& random) {
    if (slide.options.style && *slide.options.style <= highest_style)
        return *slide.options.style;
    if (highest_style < 1)
        return 0;
    return 1 + random.Next(highest_style);
}

RandomGenerator ShowRandom(const ShowOptions& show, uint32_t fresh) {
    RandomGenerator random;
    random.Reset(show.seed.value_or(fresh));
    return random;
}

std::vector<Slide> RunningOrder(std::vector<Slide> slides, SlideOrder order, RandomGenerator& random) {
    if (order == SlideOrder::kShuffle) {
        for (size_t i = slides.size(); i > 1; --i) {
            const size_t j = static_cast<size_t>(random.Next(static_cast<int32_t>(i)));
            std::swap(slides[i - 1], slides[j]);
        }
    }
    return slides;
}

}  // namespace orlscr
