// Captions, the clock and pan-and-zoom of the slide viewer: layout and path
// maths with fixed text widths and made-up times.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "raster/bgrx_image.h"
#include "raster/blit.h"
#include "tools/slideview/caption_layout.h"
#include "tools/slideview/caption_text.h"
#include "tools/slideview/clock_layout.h"
#include "tools/slideview/motion_clock.h"
#include "tools/slideview/motion_path.h"
#include "tools/slideview/overlay_paint.h"
#include "tools/slideview/slide_decor.h"
#include "tools/slideview/transition_frame.h"

namespace orlscr {
namespace {

// Every character 10 pixels wide.
int32_t TenEach(std::string_view text) {
    return static_cast<int32_t>(text.size()) * 10;
}

bool Inside(const Rect& inner, const Rect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

TEST(CaptionLayout, SitsInsideThePictureNearItsCornerWhichTurnsFromSlideToSlide) {
    const Rect picture{240, 0, 1680, 1080};  // a contain fit with bands left and right
    const int32_t height = OverlayTextHeight(1080, 96);
    std::set<std::pair<bool, bool>> sides;
    for (uint64_t shown = 0; shown < 4; ++shown) {
        const CaptionLayout c = LayOutCaption("Beach 2019", picture, height, CaptionCorner(shown), TenEach);
        EXPECT_EQ(c.shown, "Beach 2019");
        EXPECT_TRUE(Inside(c.band, picture));
        EXPECT_TRUE(Inside(c.text, c.band));
        EXPECT_EQ(c.text.Width(), 100);
        sides.insert({c.band.left - picture.left < picture.right - c.band.right,
                      c.band.top - picture.top < picture.bottom - c.band.bottom});
    }
    EXPECT_EQ(sides.size(), 4u);  // every corner once in four slides
    EXPECT_NE(CaptionCorner(4), CaptionCorner(5));
}

TEST(CaptionLayout, SizeFollowsTheMonitorAndItsDpi) {
    EXPECT_EQ(OverlayTextHeight(1080, 96), 36);
    EXPECT_EQ(OverlayTextHeight(2160, 96), 72);
    EXPECT_GT(OverlayTextHeight(300, 192), OverlayTextHeight(300, 96));  // a small screen: the DPI's least size
    EXPECT_EQ(OverlayTextHeight(300, 96), 15);
}

TEST(CaptionLayout, LongCaptionIsCutWithAnEllipsisAndNeverOverflows) {
    const Rect picture{0, 0, 400, 300};
    const std::string text(200, 'x');
    const CaptionLayout c = LayOutCaption(text, picture, 20, Corner::kBottomRight, TenEach);
    ASSERT_GE(c.shown.size(), 4u);
    EXPECT_EQ(c.shown.substr(c.shown.size() - 3), "...");
    EXPECT_TRUE(Inside(c.band, picture));
    EXPECT_LE(TenEach(c.shown), c.text.Width());
    // The longest start that fits: one character more would not.
    EXPECT_GT(TenEach(c.shown) + 10, c.text.Width());

    EXPECT_EQ(FitWithEllipsis("abc", 30, TenEach), "abc");
    EXPECT_EQ(FitWithEllipsis("abcd", 30, TenEach), "...");
    EXPECT_EQ(FitWithEllipsis("abcd", 29, TenEach), "");
    EXPECT_EQ(FitWithEllipsis("ab cdefgh", 60, TenEach), "ab...");  // no blank before the dots
    // A picture too small for any caption gets none.
    EXPECT_TRUE(LayOutCaption("x", Rect{0, 0, 30, 30}, 20, Corner::kTopLeft, TenEach).shown.empty());
}

TEST(ClockLayout, StaysOnScreenAndMovesEveryMinute) {
    const Rect screen{1920, 0, 3840, 1080};  // a second monitor
    Rect previous = ClockPlace(screen, 200, 40, 0);
    std::set<std::pair<int32_t, int32_t>> places;
    for (int64_t minute = 0; minute < 120; ++minute) {
        const Rect r = ClockPlace(screen, 200, 40, minute);
        EXPECT_TRUE(Inside(r, screen)) << minute;
        EXPECT_EQ(r.Width(), 200);
        if (minute > 0) {
            EXPECT_GE(std::abs(r.left - previous.left) + std::abs(r.top - previous.top), 40) << minute;
        }
        places.insert({r.left, r.top});
        previous = r;
    }
    EXPECT_GT(places.size(), 20u);
    EXPECT_EQ(ClockPlace(screen, 200, 40, 7), ClockPlace(screen, 200, 40, 7));
    // A box larger than the screen still starts on it.
    EXPECT_TRUE(Inside(Rect{ClockPlace(Rect{0, 0, 100, 50}, 300, 80, 3).left, 0, 1, 1}, Rect{0, 0, 100, 50}));

    EXPECT_EQ(MsToNextMinute(0), 60000u);
    EXPECT_EQ(MsToNextMinute(59999), 1u);
    EXPECT_EQ(MsToNextMinute(61000), 59000u);
}

TEST(ClockLayout, FastClockOfTestsReachesItsMinutesSooner) {
    const int64_t start = 10 * 60000 + 30000;  // half past a minute
    const ClockTime real(start, 4000000000u, 1);
    EXPECT_EQ(real.MsToNextMinute(4000000000u), 30000u);
    EXPECT_EQ(real.Now(4000000000u + 400000000u), start + 400000000);  // across the tick counter's wrap
    const ClockTime fast(start, 0, 60);
    EXPECT_EQ(fast.MsToNextMinute(0), 500u);
    EXPECT_EQ(fast.Now(1000) / 60000, 11);
}

TEST(OverlayPaint, ShadesTheBandAndLightensItsTextOnly) {
    Bitmap frame(8, 4);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t i = 0; i < 24; ++i)
            frame.Row(y)[i] = 255;  // white sky
    Bitmap mask(3, 2);
    mask.Row(0)[0] = 255;                                      // full text at the band's first pixel
    PaintOverlay(frame, Rect{6, 3, 9, 5}, mask);               // partly off the frame
    EXPECT_EQ(frame.Row(3)[6 * 3], 255);                       // text: white
    EXPECT_EQ(frame.Row(3)[7 * 3], 255 * kOverlayShade >> 8);  // band: shaded
    EXPECT_EQ(frame.Row(2)[7 * 3], 255);                       // outside: untouched
    EXPECT_EQ(frame.Row(3)[5 * 3], 255);
}

TEST(CaptionText, DateFromExifInTheUserFormatElseTheFileTime) {
    const PatternDateFormatter german("dd.MM.yyyy");
    const PatternDateFormatter american("M/d/yyyy");
    Slide slide;
    slide.fileName = "IMG 0042.JPG";
    const std::optional<std::string> exif = "2019:07:04 18:30:00";
    EXPECT_EQ(SlideCaption(slide, CaptionMode::kDate, exif, std::nullopt, german), "04.07.2019");
    EXPECT_EQ(SlideCaption(slide, CaptionMode::kDate, exif, std::nullopt, american), "7/4/2019");
    const CalendarDate file_date{2021, 12, 31};
    EXPECT_EQ(SlideCaption(slide, CaptionMode::kDate, std::nullopt, file_date, german), "31.12.2021");
    EXPECT_EQ(SlideCaption(slide, CaptionMode::kDate, "0000:00:00 00:00:00", file_date, american), "12/31/2021");
    EXPECT_EQ(SlideCaption(slide, CaptionMode::kDate, std::nullopt, std::nullopt, german), "");

    EXPECT_EQ(FormatDatePattern("yy-M-d 'de' ''", {2005, 3, 9}), "05-3-9 de '");
    EXPECT_EQ(FormatDatePattern("d' de 'MMMM", {2005, 3, 9}), "9 de 03");

    EXPECT_EQ(SlideCaption(slide, CaptionMode::kName, exif, std::nullopt, german), "IMG 0042");
    EXPECT_EQ(SlideCaption(slide, CaptionMode::kText, exif, std::nullopt, german), "");
    EXPECT_EQ(SlideCaption(slide, CaptionMode::kNone, exif, std::nullopt, german), "");
    slide.caption = "Grandma's garden";
    EXPECT_EQ(SlideCaption(slide, CaptionMode::kNone, exif, std::nullopt, german), "Grandma's garden");
    EXPECT_EQ(NameWithoutExtension(".hidden"), ".hidden");
    EXPECT_EQ(NameWithoutExtension("a.b.png"), "a.b");
}

WindowRect Bounds(const MotionPath& path, double t) {
    return MotionAt(path, t);
}

bool Within(const WindowRect& r, int32_t width, int32_t height) {
    return r.left >= -1e-9 && r.top >= -1e-9 && r.left + r.width <= width + 1e-9 && r.top + r.height <= height + 1e-9;
}

TEST(MotionPath, ContainZoomsByAtMostTenPercentWithinItsBandsAlternatingInAndOut) {
    const MotionPath in = PlanMotion(1600, 1200, 1920, 1080, SlideFit::kContain, 2, 0);
    EXPECT_EQ(in.dest, (Rect{240, 0, 1680, 1080}));
    EXPECT_EQ(in.from, (WindowRect{0, 0, 1600, 1200}));
    EXPECT_NEAR(in.from.width / in.to.width, kMotionZoom, 1e-9);
    EXPECT_LE(kMotionZoom, 1.1);
    EXPECT_NEAR(in.to.left + in.to.width / 2, 800, 1e-9);  // about the middle
    const MotionPath out = PlanMotion(1600, 1200, 1920, 1080, SlideFit::kContain, 2, 1);
    EXPECT_EQ(out.from, in.to);
    EXPECT_EQ(out.to, in.from);
    for (double t = 0; t <= 1; t += 0.125)
        EXPECT_TRUE(Within(Bounds(in, t), 1600, 1200));
}

TEST(MotionPath, CoverPansAlongTheCutSideOfPortraitAndLandscapePictures) {
    // Portrait on a landscape screen: cut at top and bottom, so it pans down.
    const MotionPath portrait = PlanMotion(1000, 2000, 1920, 1080, SlideFit::kCover, 2, 0);
    EXPECT_EQ(portrait.dest, (Rect{0, 0, 1920, 1080}));
    EXPECT_EQ(portrait.from.left, portrait.to.left);
    EXPECT_EQ(portrait.from.width, portrait.to.width);
    EXPECT_GT(portrait.to.top, portrait.from.top);
    EXPECT_NEAR(portrait.to.top - portrait.from.top, kMotionPan * portrait.from.height, 1e-6);
    // A panorama: cut left and right, it pans across; the next slide goes back.
    const MotionPath wide = PlanMotion(4000, 1000, 1920, 1080, SlideFit::kCover, 2, 1);
    EXPECT_EQ(wide.from.top, wide.to.top);
    EXPECT_LT(wide.to.left, wide.from.left);
    for (const MotionPath* path : {&portrait, &wide})
        for (double t = 0; t <= 1; t += 0.125)
            EXPECT_TRUE(Within(Bounds(*path, t), path == &portrait ? 1000 : 4000, path == &portrait ? 2000 : 1000));
    // A picture of the screen's shape has nothing cut: it zooms.
    const MotionPath same = PlanMotion(1920, 1080, 1920, 1080, SlideFit::kCover, 2, 0);
    EXPECT_NEAR(same.from.width / same.to.width, kMotionZoom, 1e-9);
    // A tiny cut pans only as far as there is picture.
    const MotionPath slight = PlanMotion(1930, 1080, 1920, 1080, SlideFit::kCover, 1, 0);
    EXPECT_NEAR(slight.to.left - slight.from.left, 10, 1e-6);
}

TEST(MotionPath, EasedAtBothEndsWithoutAJump) {
    EXPECT_EQ(EaseMotion(0), 0);
    EXPECT_EQ(EaseMotion(1), 1);
    EXPECT_EQ(EaseMotion(-3), 0);
    EXPECT_EQ(EaseMotion(7), 1);
    EXPECT_NEAR(EaseMotion(0.5), 0.5, 1e-12);
    // Slow near the ends, fastest in the middle.
    EXPECT_LT(EaseMotion(0.01), 0.001);
    EXPECT_LT(EaseMotion(0.55) - EaseMotion(0.5), 0.08);
    EXPECT_GT(EaseMotion(0.55) - EaseMotion(0.5), 0.05 * 1.4);
    const MotionPath path = PlanMotion(1600, 1200, 1920, 1080, SlideFit::kContain, 2, 0);
    EXPECT_EQ(MotionAt(path, 0), path.from);
    EXPECT_EQ(MotionAt(path, 1), path.to);
}

TEST(MotionPath, SourceIsReducedOnlyAsFarAsTheClosestViewNeeds) {
    const MotionPath big = PlanMotion(6000, 4000, 1920, 1080, SlideFit::kCover, 2, 0);
    const double factor = MotionSourceScale(big);
    EXPECT_LT(factor, 1);
    const MotionPath reduced = ScaledMotion(big, factor);
    EXPECT_NEAR(std::min(reduced.from.width, reduced.to.width), 1920, 1e-6);
    EXPECT_EQ(MotionSourceScale(PlanMotion(800, 600, 1920, 1080, SlideFit::kContain, 2, 0)), 1.0);
}

// A moving slide's path spans its transition in, its stay and its transition
// out: each phase starts where the last one ended, also when a phase lasts
// other than planned, and the tick counter may wrap meanwhile.
TEST(MotionClock, PathRunsThroughTheTransitionsWithoutAJump) {
    MotionClock clock;
    clock.Plan(1000, 6000, 1000);
    EXPECT_EQ(clock.PhaseEnd(MotionPhase::kIn), 0.125);
    EXPECT_EQ(clock.PhaseEnd(MotionPhase::kStay), 0.875);
    uint32_t now = UINT32_MAX - 500;  // wraps during the transition in
    clock.Start(MotionPhase::kIn, now, 1000);
    EXPECT_EQ(clock.At(now), 0);
    EXPECT_NEAR(clock.At(now + 500), 0.0625, 1e-12);
    const double in_end = clock.At(now + 1000);
    EXPECT_TRUE(clock.Over(now + 1000));
    EXPECT_EQ(clock.At(now + 1200), in_end);  // a late frame does not overshoot its phase
    now += 1016;
    clock.Start(MotionPhase::kStay, now, 6000);
    EXPECT_EQ(clock.At(now), in_end);
    EXPECT_FALSE(clock.Over(now + 5999));
    const double stay_end = clock.At(now + 6100);  // its timer came late
    EXPECT_EQ(stay_end, clock.PhaseEnd(MotionPhase::kStay));
    now += 6100;
    clock.Start(MotionPhase::kOut, now, 3000);  // the next transition is longer than planned
    EXPECT_EQ(clock.At(now), stay_end);
    EXPECT_NEAR(clock.At(now + 1500), (stay_end + 1) / 2, 1e-12);
    EXPECT_EQ(clock.At(now + 3000), 1);
    // No transition in or out: the stay is the whole path.
    clock.Plan(0, 5000, 0);
    EXPECT_EQ(clock.PhaseEnd(MotionPhase::kIn), 0);
    EXPECT_EQ(clock.PhaseEnd(MotionPhase::kStay), 1);
    clock.Start(MotionPhase::kIn, 0, 0);
    EXPECT_EQ(clock.At(0), 0);
}

// Text as solid blocks, 10 pixels a character, covered `coverage` / 255.
class BlockFont : public OverlayFont {
  public:
    explicit BlockFont(uint8_t coverage = 255) : coverage_(coverage) {}
    int32_t Width(std::string_view text, int32_t) const override { return TenEach(text); }
    Bitmap Mask(const std::string& text, int32_t height, int32_t width, int32_t mask_height, int32_t x, int32_t y)
        const override {
        Bitmap mask(width, mask_height);
        for (int32_t row = y; row < std::min(y + height, mask_height); ++row)
            for (int32_t col = x; col < std::min(x + TenEach(text), width); ++col)
                mask.Row(row)[col * 3] = coverage_;
        return mask;
    }

  private:
    uint8_t coverage_;
};

Bitmap Gradient(int32_t width, int32_t height) {
    Bitmap b(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                b.Row(y)[x * 3 + c] = static_cast<uint8_t>((x * 255 / width + y * (c + 1)) & 255);
    return b;
}

// The pixels where two frames differ, as one rectangle around them (empty: none).
Rect Difference(const Bitmap& a, const Bitmap& b) {
    Rect r{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (int32_t y = 0; y < a.Height(); ++y)
        for (int32_t x = 0; x < a.Width(); ++x)
            if (std::memcmp(a.Row(y) + x * 3, b.Row(y) + x * 3, 3) != 0)
                r = {std::min(r.left, x), std::min(r.top, y), std::max(r.right, x + 1), std::max(r.bottom, y + 1)};
    return r.left == INT32_MAX ? Rect{} : r;
}

bool Covers(const std::vector<Rect>& rects, const Rect& r) {
    for (const Rect& c : rects)
        if (Inside(r, c))
            return true;
    return false;
}

TEST(SlideDecor, ClockMovesOnAStillSlideChangingOnlyItsTwoBoxes) {
    const BlockFont font;
    const Bitmap picture = Gradient(400, 300);
    SlideOptions options;
    SlideDecor plain, decor;
    const Bitmap without = plain.FirstFrame(picture, options, "Lake", 0, 400, 300, 96, {}, font);
    Bitmap frame = decor.FirstFrame(picture, options, "Lake", 0, 400, 300, 96, {"10:41", 641}, font);
    const Rect band = plain.Caption().band;
    EXPECT_TRUE(Inside(Difference(without, plain.FirstFrame(picture, options, "", 0, 400, 300, 96, {}, font)), band));
    // The clock is all that differs from the slide without it.
    const Rect old_box = decor.ClockBox();
    EXPECT_TRUE(Inside(Difference(without, frame), old_box));
    const Bitmap before = frame;
    const std::vector<Rect> changed = decor.MoveClock(frame, {"10:42", 642}, font, false);
    ASSERT_EQ(changed, (std::vector<Rect>{old_box, decor.ClockBox()}));
    EXPECT_NE(decor.ClockBox(), old_box);
    for (int32_t y = 0; y < frame.Height(); ++y)
        for (int32_t x = 0; x < frame.Width(); ++x)
            if (std::memcmp(frame.Row(y) + x * 3, before.Row(y) + x * 3, 3) != 0) {
                ASSERT_TRUE(Covers(changed, Rect{x, y, x + 1, y + 1})) << x << "," << y;
            }
    // Where the clock stood, the slide shows again.
    for (int32_t y = old_box.top; y < old_box.bottom; ++y)
        for (int32_t x = old_box.left; x < old_box.right; ++x)
            if (!Inside(Rect{x, y, x + 1, y + 1}, decor.ClockBox())) {
                ASSERT_EQ(std::memcmp(frame.Row(y) + x * 3, without.Row(y) + x * 3, 3), 0) << x << "," << y;
            }
}

TEST(SlideDecor, MovingSlideStartsWhereItsFirstFrameIsAndKeepsItsOverlays) {
    const BlockFont font;
    const Bitmap picture = Gradient(600, 300);
    SlideOptions options;
    options.motion = true;
    options.fit = SlideFit::kCover;
    SlideDecor decor;
    const Bitmap first = decor.FirstFrame(picture, options, "Pan", 2, 400, 300, 96, {"9:00", 540}, font);
    ASSERT_TRUE(decor.HasMotion());
    Bitmap frame = first;
    EXPECT_EQ(decor.DrawMotion(frame, 0), (std::vector<Rect>{Rect{0, 0, 400, 300}, decor.ClockBox()}));
    EXPECT_EQ(frame, first);
    decor.DrawMotion(frame, 0.5);
    EXPECT_NE(frame, first);
    // The caption's band stays put while the picture moves under it.
    const Rect band = decor.Caption().band;
    const int32_t x = decor.Caption().text.left, y = decor.Caption().text.top;
    EXPECT_EQ(frame.Row(y)[x * 3], 255);
    EXPECT_EQ(first.Row(y)[x * 3], 255);
    EXPECT_TRUE(Inside(band, Rect{0, 0, 400, 300}));
    // A still option: no motion.
    SlideDecor still;
    options.motion = false;
    still.FirstFrame(picture, options, "", 0, 400, 300, 96, {}, font);
    EXPECT_FALSE(still.HasMotion());
    Bitmap untouched = first;
    EXPECT_TRUE(still.DrawMotion(untouched, 0.5).empty());
}

// An animated slide that moves takes its next frame where it is on its path:
// what it draws then is what a slide of that frame draws at that time.
TEST(SlideDecor, MovingSlideTakesANewFrameOnItsPath) {
    const BlockFont font;
    SlideOptions options;
    options.motion = true;
    const Bitmap second = Gradient(1200, 600);
    Bitmap firstPicture = second;
    FillRect(firstPicture, firstPicture.Bounds(), 10, 20, 30);
    SlideDecor decor, reference;
    Bitmap frame = decor.FirstFrame(firstPicture, options, "", 3, 400, 300, 96, {}, font);
    Bitmap expected = reference.FirstFrame(second, options, "", 3, 400, 300, 96, {}, font);
    ASSERT_TRUE(decor.ReplaceMotionPicture(second));
    decor.DrawMotion(frame, 0.6);
    reference.DrawMotion(expected, 0.6);
    EXPECT_EQ(frame, expected);
    SlideDecor still;
    options.motion = false;
    still.FirstFrame(second, options, "", 0, 400, 300, 96, {}, font);
    EXPECT_FALSE(still.ReplaceMotionPicture(second));
}

// A moving slide redrawn in parts (where a transition shows it), and again
// and again, has the pixels of its whole frame of that time there, text edges
// included (half-covered here, so painting over itself would show).
TEST(SlideDecor, MovingFrameRedrawnInPartsMatchesTheWholeFrame) {
    const BlockFont font(128);
    SlideOptions options;
    options.motion = true;
    SlideDecor decor;
    decor.FirstFrame(Gradient(600, 200), options, "Band", 1, 400, 300, 96, {"9:00", 540}, font);
    Bitmap whole(400, 300);
    decor.DrawHeld(whole, 0.5);
    Bitmap frame(400, 300);
    decor.DrawHeld(frame, 0.2);
    for (const Rect& clip : {Rect{0, 0, 200, 300}, Rect{0, 0, 400, 300}, Rect{150, 100, 400, 180}}) {
        decor.DrawMotion(frame, 0.5, clip);
        for (int32_t y = clip.top; y < clip.bottom; ++y)
            for (int32_t x = clip.left; x < clip.right; ++x)
                ASSERT_EQ(std::memcmp(frame.Row(y) + x * 3, whole.Row(y) + x * 3, 3), 0) << x << "," << y;
    }
    BgrxImage shown(400, 300);
    decor.DrawMotion(shown.Pixels(), 0.5);
    decor.DrawMotion(shown.Pixels(), 0.5);
    // A frame of a transition is composed of parts drawn afresh over
    // whatever was there: the black bands, the picture and the text edges.
    BgrxImage composed(400, 300);
    FillBgrx(composed.Pixels(), composed.Pixels().Bounds(), 200, 100, 50);
    for (const Rect& part :
         {Rect{0, 0, 400, 90}, Rect{0, 90, 170, 300}, Rect{170, 90, 400, 260}, Rect{170, 260, 400, 300}})
        decor.DrawMotionPart(composed.Pixels(), decor.MotionPlan(0.5), part);
    for (int32_t y = 0; y < 300; ++y)
        for (int32_t x = 0; x < 400; ++x) {
            ASSERT_EQ(std::memcmp(shown.Pixels().Row(y) + x * 4, whole.Row(y) + x * 3, 3), 0) << x << "," << y;
            ASSERT_EQ(std::memcmp(composed.Pixels().Row(y) + x * 4, whole.Row(y) + x * 3, 3), 0) << x << "," << y;
        }
}

// A moving slide spread straight over a transition's copy shows what drawing
// it whole and stretching that shows, up to a pixel's shift (bilinear from
// the picture against the nearest pixel of the drawn slide): picture, black
// bands and overlays, and nothing outside the copy or beyond the slide.
TEST(SlideDecor, SpreadSlideShowsTheSlideDrawnWholeAndStretched) {
    const BlockFont font(128);
    SlideOptions options;
    options.motion = true;
    // Without Gradient's wrap: an edge that sharp differs by more than a
    // pixel's shift between the two ways of sampling.
    Bitmap smooth(600, 200);
    for (int32_t y = 0; y < 200; ++y)
        for (int32_t x = 0; x < 600; ++x)
            for (int c = 0; c < 3; ++c)
                smooth.Row(y)[x * 3 + c] = static_cast<uint8_t>(x * 150 / 600 + y * (c + 1) / 3);
    SlideDecor decor;
    decor.FirstFrame(smooth, options, "Band", 1, 400, 300, 96, {"9:00", 540}, font);
    BgrxImage whole(400, 300);
    decor.DrawMotionPart(whole.Pixels(), decor.MotionPlan(0.5), whole.Pixels().Bounds());
    struct Copy {
        Rect dest, source;
    };
    for (const Copy& copy :
         {Copy{{150, 0, 550, 300}, {0, 0, 400, 300}}, Copy{{0, 0, 200, 300}, {0, 0, 400, 300}},
          Copy{{-200, -150, 600, 450}, {100, 75, 300, 225}}, Copy{{0, 0, 100, 100}, {-50, -50, 50, 50}}}) {
        BgrxImage expected(400, 300), got(400, 300);
        FillBgrx(expected.Pixels(), expected.Pixels().Bounds(), 1, 2, 3);
        FillBgrx(got.Pixels(), got.Pixels().Bounds(), 1, 2, 3);
        StretchCopy(expected.Pixels(), copy.dest, whole.Pixels(), copy.source);
        decor.DrawMotionStretched(got.Pixels(), 0.5, copy.source, copy.dest);
        // Worked out first and drawn in bands of rows in any order, then its
        // overlays, it draws the very same pixels.
        BgrxImage banded(400, 300);
        FillBgrx(banded.Pixels(), banded.Pixels().Bounds(), 1, 2, 3);
        const SlideDecor::Stretched stretched = decor.StretchedAt(banded.Pixels(), 0.5, copy.source, copy.dest);
        for (int32_t top : {225, 0, 75, 150})
            stretched.DrawRows(banded.Pixels(), Rect{0, top, 400, top + 75});
        stretched.PaintOverlays(banded.Pixels());
        for (int32_t y = 0; y < 300; ++y)
            ASSERT_EQ(std::memcmp(banded.Pixels().Row(y), got.Pixels().Row(y), 400 * 4), 0) << y;
        for (int32_t y = 0; y < 300; ++y)
            for (int32_t x = 0; x < 400; ++x)
                for (int c = 0; c < 3; ++c) {
                    int low = 255, high = 0;
                    for (int32_t ny = std::max(y - 1, 0); ny <= std::min(y + 1, 299); ++ny)
                        for (int32_t nx = std::max(x - 1, 0); nx <= std::min(x + 1, 399); ++nx) {
                            low = std::min<int>(low, expected.Pixels().Row(ny)[nx * 4 + c]);
                            high = std::max<int>(high, expected.Pixels().Row(ny)[nx * 4 + c]);
                        }
                    const int value = got.Pixels().Row(y)[x * 4 + c];
                    ASSERT_TRUE(value >= low - 3 && value <= high + 3)
                        << x << "," << y << " channel " << c << ": " << value << " not in " << low << ".." << high
                        << " (copy to " << copy.dest.left << "," << copy.dest.top << ")";
                }
    }
}

// A transition's frame shows the coming slide exactly within the region and
// the going one elsewhere, for a wipe's few rectangles and for a random
// pattern's many (drawn aside once around them).
TEST(TransitionFrame, ComingSlideShowsExactlyWithinTheRegion) {
    BgrxImage frame(64, 48), aside;
    auto solid = [](uint8_t blue) {
        return [blue](const BgrxPixels& f, const Rect& part) { FillBgrx(f, part, blue, 0, 0); };
    };
    std::vector<Rect> dots;
    for (int32_t y = 0; y < 48; ++y)
        for (int32_t x = y % 2; x < 64; x += 2)
            dots.push_back(Rect{x, y, x + 1, y + 1});
    for (const Region& shown : {Region(), Region(Rect{10, 0, 30, 48}), Region::FromRects(dots)}) {
        ComposeTransitionFrame(frame.Pixels(), shown, solid(1), solid(2), aside);
        for (int32_t y = 0; y < 48; ++y)
            for (int32_t x = 0; x < 64; ++x)
                ASSERT_EQ(frame.Pixels().Row(y)[x * 4], shown.Contains(x, y) ? 2 : 1) << x << "," << y;
    }
    EXPECT_EQ(aside.Width(), 64);
}

// The fade blends every pixel of the frame, its strips and bands included.
TEST(TransitionFrame, FadeBlendsEveryPixel) {
    BgrxImage frame(37, 150), aside;
    auto solid = [](uint8_t blue) {
        return [blue](const BgrxPixels& f, const Rect& part) { FillBgrx(f, part, blue, 0, 0); };
    };
    ComposeFadeFrame(frame.Pixels(), 25, solid(100), solid(200), aside);
    for (int32_t y = 0; y < 150; ++y)
        for (int32_t x = 0; x < 37; ++x)
            ASSERT_EQ(frame.Pixels().Row(y)[x * 4], 125) << x << "," << y;  // 75 % of 100, 25 % of 200
}

// The frames drawn in 32 bits while a slide moves are the 24-bit frames of the
// same moments, also after the clock moved (its old box, here in a black
// band, is cleared by the next frame).
TEST(SlideDecor, MovingFramesIn32BitsMatchTheHeldFrameAsTheClockMoves) {
    const BlockFont font;
    const Bitmap picture = Gradient(600, 200);  // contain: bands above and below
    SlideOptions options;
    options.motion = true;
    SlideDecor decor;
    decor.FirstFrame(picture, options, "Band", 1, 400, 300, 96, {"9:00", 540}, font);
    ASSERT_TRUE(decor.HasMotion());
    BgrxImage shown(400, 300);
    auto same = [&](double t) {
        Bitmap held(400, 300);
        decor.DrawHeld(held, t);
        for (int32_t y = 0; y < 300; ++y)
            for (int32_t x = 0; x < 400; ++x)
                ASSERT_EQ(std::memcmp(shown.Pixels().Row(y) + x * 4, held.Row(y) + x * 3, 3), 0) << x << "," << y;
    };
    // The picture's place (a 400 x 133 strip in the middle) and the clock.
    const Rect first = decor.DrawMotion(shown.Pixels(), 0.25);
    EXPECT_TRUE(Inside(Rect{0, 84, 400, 216}, first) && Inside(decor.ClockBox(), first));
    EXPECT_TRUE(first.top > 0 || first.bottom < 300);
    same(0.25);
    const Rect old_box = decor.ClockBox();
    Bitmap unused(400, 300);
    EXPECT_TRUE(decor.MoveClock(unused, {"9:01", 541}, font, true).empty());
    const Rect changed = decor.DrawMotion(shown.Pixels(), 0.5);
    EXPECT_TRUE(Inside(old_box, changed) && Inside(decor.ClockBox(), changed));
    same(0.5);
    // Held, it rests where it stopped while the clock moves on.
    Bitmap held(400, 300);
    decor.DrawHeld(held, 0.5);
    decor.MoveClock(held, {"9:02", 542}, font, false);
    Bitmap whole(400, 300);
    decor.DrawHeld(whole, 0.5);
    EXPECT_EQ(held, whole);
}

}  // namespace
}  // namespace orlscr
