// The slide viewer: shows the slides of a slide list full screen, one after
// another, for ever, until it is ended from outside (the saver terminates it)
// or closed (Alt+F4). It takes the command line the saver gives the viewer it
// carries: the program, a blank, the quoted document path, a blank.
//
// Every monitor gets a borderless window of its own, and all of them show the
// same slide at the same time, each fitted to its monitor in device pixels
// (the process is per-monitor DPI aware). The same slide everywhere keeps a
// slide deck a single sequence in the order and at the pace its list gives,
// decodes every picture once for all monitors, and lets a transition run in
// step on every screen.
//
// Slides come in through the picture show control, each with the transition
// style its line names or one drawn at random from the viewer's own generator
// (seeded per run, or by the list's seed). A transition lasts the time the
// list gives, whatever the machine: the controls run in Manual mode and each
// frame sets their Progress from the time gone by, paced by the display's
// frames (see FramePacer). A slide's duration counts from the moment it is
// fully in. An animated GIF slide (unless still=yes) plays its frames during
// its stay (SlideAnimation), each replacing the last at once; the next
// transition starts from the frame on screen.
//
// The windows are deliberately not kept on top: the saver asks for the
// screen-saver password in a dialog of its own, which has to come up above the
// slides. With cursor=hidden in the list the viewer hides the cursor over its
// windows (the saver's own hiding does not reach another process's windows).
//
// Started by a saver, the viewer ends when that saver has gone or has stopped
// answering for a few seconds (see saver_watch.h): a saver that crashed or
// hangs can no longer end it, and the show would stay over everything.
//
// Captions and the clock are painted into the frames the controls show (see
// slide_decor.h), so a transition blends them like the picture. A still slide
// costs nothing per frame: at a new minute only the clock's old and new boxes
// change and are repainted. A slide with motion draws a frame per display
// frame during its stay, scaled straight into a 32-bit frame that the control
// shows instead of its own (ShowFrame), so a frame costs one scaling and one
// copy to the window. Its motion spans the transition that brings it in, its
// stay and the transition that takes it away (see MotionClock), so nothing
// jumps at either end. A transition whose style shows the coming slide in
// place (wipes, patterns) composes that 32-bit frame of the two slides at
// their moment, each only where it shows; between still slides such a style
// is left to the control's incremental frames. Every other style (moving,
// stretching, blending or turning the coming slide) composes its 32-bit
// frames from both slides whole, moving or still, so no frame is converted
// from 24 bits, and repaints the few rectangles around what changed.
// ORLSCR_TEST_CLOCK_SPEED=N (tests only) makes the clock run N times as fast;
// ORLSCR_BENCH_BASELINE (benchmarks only) times a plain blit after every frame.
//
// Lines of the list that name no usable slide, and slides that cannot be
// loaded, do not interrupt the show; they go to the test trace (ORLSCR_TRACE)
// with every slide shown and every transition's frame count.

#include <windows.h>

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "builder/slide_list.h"
#include "common/error.h"
#include "common/random.h"
#include "common/split_rows.h"
#include "common/trace.h"
#include "common/win/message_pump.h"
#include "common/win/unique.h"
#include "common/win/window.h"
#include "picture/load.h"
#include "raster/bitmap.h"
#include "raster/blit.h"
#include "raster/fit.h"
#include "tools/slideview/baseline_blits_win.h"
#include "tools/slideview/caption_text.h"
#include "tools/slideview/clock_layout.h"
#include "tools/slideview/command_line.h"
#include "tools/slideview/display_win.h"
#include "tools/slideview/monitor_layout.h"
#include "tools/slideview/motion_clock.h"
#include "tools/slideview/overlay_win.h"
#include "tools/slideview/saver_watch.h"
#include "tools/slideview/slide_animation.h"
#include "tools/slideview/slide_decor.h"
#include "tools/slideview/slide_show.h"
#include "tools/slideview/transition_clock.h"
#include "tools/slideview/transition_frame.h"
#include "transition/bgrx_style_frame.h"
#include "transition/pixel_styles.h"
#include "transition/region_change.h"
#include "transition/style_ranges.h"
#include "transition/transition_view_win.h"

namespace orlscr {
namespace {

constexpr char kWindowClass[] = "OrlSlideViewWindow";
constexpr UINT kStartMessage = WM_APP + 1;
constexpr UINT_PTR kSlideTimer = 1;
constexpr UINT_PTR kClockTimer = 2;
constexpr UINT_PTR kFrameTimer = 3;          // the next frame of an animated slide
constexpr UINT kDpiChangedMessage = 0x02E0;  // WM_DPICHANGED, newer than the headers' target
constexpr size_t kRepaintRects = 8;          // of a composed transition frame
// A composed frame is drawn in bands of rows that two threads take in turn:
// enough that the one drawn last keeps the other thread idle only briefly.
constexpr int32_t kBands = 16;

std::string RectText(const Rect& r) {
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.Width()) + "x" +
           std::to_string(r.Height());
}

// A value that differs from run to run, for the generator of a run without a seed.
uint32_t FreshSeed() {
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return static_cast<uint32_t>(counter.QuadPart) ^ static_cast<uint32_t>(counter.QuadPart >> 32) ^
           (::GetCurrentProcessId() * 2654435761u) ^ ::GetTickCount();
}

class SlideViewer {
  public:
    explicit SlideViewer(std::string document) : document_(std::move(document)) {}

    // Throws Error when not even the first monitor's window can be made.
    void Create() {
        ScreenWindow::Register();
        LayOut();
        if (screens_.empty())
            throw Error("Cannot create the slide window");
        // A start that stalls shows in the trace on which side of the windows.
        Trace("slideview windows " + std::to_string(screens_.size()));
        ::SetForegroundWindow(MainWindow());
        // The slides are read once the black windows are up.
        ::PostMessageA(MainWindow(), kStartMessage, 0, 0);
    }

    // True while a transition runs or a slide moves: the message loop then
    // draws frames.
    bool Animating() const { return animating_ || moving_; }
    // The first monitor's picture window (its parent clips it out).
    HWND FrameWindow() const {
        return !screens_.empty() && screens_.front()->view ? screens_.front()->view->Handle() : MainWindow();
    }
    HWND FirstWindow() const { return MainWindow(); }
    FramePacer& Pacer() { return pacer_; }

    void DrawFrame() {
        LARGE_INTEGER before, after;
        ::QueryPerformanceCounter(&before);
        if (!animating_) {
            DrawMotionFrame();
            ::QueryPerformanceCounter(&after);
            motionTicks_ += after.QuadPart - before.QuadPart;
            ++motionFrames_;
            baseline_.Blit(FrameWindow());
            return;
        }
        const uint32_t now = ::GetTickCount();
        const int progress = clock_.Progress(now);
        const double leaving_at = leavingClock_.At(now), entering_at = motionClock_.At(now);
        for (auto& screen : screens_) {
            if (!screen->view)
                continue;
            TransitionEngine& engine = screen->view->Engine();
            const bool moves = screen->leaving.HasMotion() || screen->decor.HasMotion();
            if (TransitionEngine::DrawsInPlace(engine.Style())) {
                if (moves && (screen->showsMotion || StartShowingMotion(*screen)))
                    DrawMovingInPlace(*screen, progress, leaving_at, entering_at);
                else
                    engine.SetProgress(progress);
                continue;
            }
            // Without the memory for a composed frame the control draws its
            // own, of the slides held where they were.
            const bool composing =
                DrawsBgrxStyleFrame(engine.Style()) && (screen->showsMotion || StartShowingMotion(*screen));
            const bool drawn = composing && (moves && engine.Style() == kFadeStyle
                                                 ? DrawMovingFade(*screen, progress, leaving_at, entering_at)
                                                 : DrawComposedFrame(*screen, progress, leaving_at, entering_at));
            if (!drawn)
                engine.SetProgress(progress);
        }
        ::QueryPerformanceCounter(&after);
        drawingTicks_ += after.QuadPart - before.QuadPart;
        slowestTicks_ = std::max<long long>(slowestTicks_, after.QuadPart - before.QuadPart);
        ++frames_;
        baseline_.Blit(FrameWindow());
        if (progress >= 100)
            TransitionIsOver();
    }

  private:
    // One monitor's borderless window; its messages go to the viewer.
    //
    // Errors escaping a handler are shown on the slides' screens instead of in
    // an error box: the viewer runs unattended under the saver, which ends it
    // on the user's first input, so a box would never be read and would only
    // stop the show behind a modal window.
    class ScreenWindow : public Window {
      public:
        explicit ScreenWindow(SlideViewer& viewer)
            : Window([&viewer](HWND, const std::string& message) {
                  viewer.ShowMessage(CannotShowMessage(viewer.document_, message));
              }),
              viewer_(viewer) {}

        static void Register() {
            WNDCLASSEXA window_class{};
            window_class.style = CS_HREDRAW | CS_VREDRAW;
            window_class.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
            window_class.hbrBackground = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
            window_class.lpszClassName = kWindowClass;
            RegisterWindowClass(window_class);
        }

        void Create(const Rect& r) {
            CreateHandle({.className = kWindowClass,
                          .caption = "Slide show",
                          .style = WS_POPUP | WS_CLIPCHILDREN,
                          .x = r.left,
                          .y = r.top,
                          .width = r.Width(),
                          .height = r.Height(),
                          .failureMessage = "Cannot create the slide window"});
        }

      protected:
        LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override {
            return viewer_.Handle(window_, message, wparam, lparam);
        }

      private:
        SlideViewer& viewer_;
    };

    // One monitor's window with its picture show control. The control goes
    // first (members are destroyed in reverse order), while its parent exists.
    struct Screen {
        ScreenWindow window;
        ScreenPlace place;
        // While the slide moves or a transition is composed, the frame the
        // control shows instead of its own (drawn straight in 32 bits, every
        // display frame); it outlives the control.
        DibSection32 motionFrame;
        // A transition between moving slides is composed a frame ahead (see
        // ShowLastAlongside): the frame composed last, shown while the next
        // one is composed into motionFrame, and the parts of it to show.
        DibSection32 lastFrame;
        std::optional<std::vector<Rect>> lastFrameShows;
        bool showsMotion = false;
        BgrxImage aside;  // a transition's coming slide, whole (see DrawComposedFrame and ComposeTransitionFrame)
        BgrxImage leavingImage;  // and its going one, still, for a composed frame
        BgrxImage fadeRows;      // rows of the coming slide of a fade (see ComposeFadeFrame)
        // What the last composed frame drew of the coming slide; none before
        // the first.
        std::optional<Region> composed;
        std::unique_ptr<TTransitionView> view;
        bool hasSlide = false;
        SlideDecor decor;  // caption, clock and motion
        // The slide a transition takes away, while it does, when it moves.
        SlideDecor leaving;

        explicit Screen(SlideViewer& viewer) : window(viewer) {}
        HWND Handle() const { return window.Handle(); }
    };

    LRESULT Handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
        switch (message) {
            case kStartMessage:
                Start();
                return 0;
            case WM_TIMER:
                if (wparam == kSlideTimer)
                    NextSlide();
                else if (wparam == kClockTimer)
                    ClockTick();
                else if (wparam == kFrameTimer)
                    NextFrame();
                return 0;
            case WM_SETCURSOR:
                if (hideCursor_ && LOWORD(lparam) == HTCLIENT) {
                    ::SetCursor(nullptr);
                    return TRUE;
                }
                return ::DefWindowProcA(window, message, wparam, lparam);
            case WM_ERASEBKGND:
                return 1;  // WM_PAINT covers every pixel
            case WM_PAINT:
                Paint(window);
                return 0;
            case WM_DISPLAYCHANGE:
            case kDpiChangedMessage:
                // Monitors came, went or changed: cover them as they are now;
                // the slides that follow are fitted to them.
                if (!closing_)
                    LayOut();
                return 0;
            case WM_SIZE:
                if (Screen* screen = Find(window); screen && screen->view)
                    ::SetWindowPos(screen->view->Handle(), nullptr, 0, 0, LOWORD(lparam), HIWORD(lparam),
                                   SWP_NOZORDER | SWP_NOACTIVATE);
                return 0;
            case WM_CLOSE:
                Close();
                return 0;
            case WM_DESTROY:
                if (Screen* screen = Find(window))
                    screen->view.reset();  // while the window still exists
                return 0;
            default:
                return ::DefWindowProcA(window, message, wparam, lparam);
        }
    }

    Screen* Find(HWND window) {
        for (auto& screen : screens_)
            if (screen->Handle() == window)
                return screen.get();
        return nullptr;
    }

    // Every screen shows the same picture, so it is decoded once at the size
    // the largest of them needs.
    std::pair<int32_t, int32_t> LargestScreen() const {
        int32_t width = 0, height = 0;
        for (const auto& screen : screens_) {
            width = std::max(width, screen->place.Width());
            height = std::max(height, screen->place.Height());
        }
        return {width, height};
    }

    HWND MainWindow() const { return screens_.empty() ? nullptr : screens_.front()->Handle(); }

    // One window per monitor, the primary's first; windows of monitors that
    // are gone are closed, new monitors get a window. A closed screen's object
    // is kept until the viewer ends: the message that led here may be one of
    // its own window's.
    void LayOut() {
        const MonitorLayout layout = LayOutMonitors(DesktopMonitors(), PrimaryScreen());
        while (screens_.size() > layout.screens.size()) {
            screens_.back()->window.Destroy();
            retired_.push_back(std::move(screens_.back()));
            screens_.pop_back();
        }
        for (size_t i = 0; i < layout.screens.size(); ++i) {
            const ScreenPlace& place = layout.screens[i];
            const Rect& r = place.window;
            Trace("slideview screen " + std::to_string(i) + " " + RectText(r) + " dpi " + std::to_string(place.dpi));
            if (i < screens_.size()) {
                screens_[i]->place = place;
                ::SetWindowPos(screens_[i]->Handle(), nullptr, r.left, r.top, r.Width(), r.Height(),
                               SWP_NOZORDER | SWP_NOACTIVATE);
                ::InvalidateRect(screens_[i]->Handle(), nullptr, FALSE);
                continue;
            }
            auto screen = std::make_unique<Screen>(*this);
            screen->place = place;
            try {
                screen->window.Create(r);
            } catch (const Error& error) {
                Trace("slideview screen " + std::to_string(i) + " " + error.what());
                continue;
            }
            screens_.push_back(std::move(screen));
            Screen& added = *screens_.back();
            HWND window = added.Handle();
            added.view = std::make_unique<TTransitionView>(window, RECT{0, 0, r.Width(), r.Height()});
            added.view->SetAlignClient(true);
            added.view->SetAutoSize(false);
            added.view->SetColor(RGB(0, 0, 0));
            added.view->SetCenter(true);
            added.view->Engine().SetThreaded(false);
            added.view->Engine().SetManual(true);
            if (!message_.empty())
                ::ShowWindow(added.view->Handle(), SW_HIDE);
            ::ShowWindow(window, i == 0 ? SW_SHOW : SW_SHOWNOACTIVATE);
            ::UpdateWindow(window);
        }
    }

    void Start() {
        Trace("slideview pacing " + pacer_.Describe());
        if (document_.empty()) {
            ShowMessage("Cannot show the slides: no slide list was named on the command line");
            return;
        }
        Trace("slideview list " + document_);
        try {
            SlideList list = ReadSlideList(document_);
            for (const std::string& problem : list.problems)
                Trace("slideview problem " + problem);
            show_ = list.show;
            random_ = ShowRandom(list.show, FreshSeed());
            Trace("slideview seed " + std::to_string(random_.State()));
            if (list.show.hideCursor)
                HideCursor();
            sequence_.emplace(RunningOrder(ResolvedSlides(list), list.show.order, random_));
        } catch (const Error& error) {
            ShowMessage(CannotShowMessage(document_, error.what()));
            return;
        }
        if (show_.clock != ClockMode::kOff)
            StartClock();
        NextSlide();
    }

    void HideCursor() {
        hideCursor_ = true;
        ::ShowCursor(FALSE);
        ::SetCursor(nullptr);
        Trace("slideview cursor hidden");
    }

    void NextSlide() {
        ::KillTimer(MainWindow(), kSlideTimer);
        StopMotion();
        ::KillTimer(MainWindow(), kFrameTimer);
        const std::optional<size_t> shown = sequence_->Current();
        Bitmap picture;
        std::unique_ptr<SlideAnimation> animation;
        const std::optional<size_t> next = sequence_->Advance(
            [&](const Slide& slide) {
                try {
                    const auto [width, height] = LargestScreen();
                    LoadedSlide loaded =
                        LoadSlide(SlidePath(document_, slide.fileName), width, height, slide.options.Still());
                    animation = std::move(loaded.animation);
                    return animation ? animation->Frame() : std::move(loaded.picture);
                } catch (const Error& error) {
                    Trace("slideview skipped " + std::string(error.what()));
                    throw;
                }
            },
            picture);
        if (!next) {
            ShowMessage(CannotShowMessage(document_, sequence_->Reason()));
            return;
        }
        if (next == shown) {  // the only slide left: it stays (and plays on)
            SlideIsIn();
            return;
        }
        // The transition starts from the frame on screen, and the new slide
        // comes in with its first frame.
        animation_ = std::move(animation);
        const Slide& slide = sequence_->Slides()[*next];
        const int32_t style = ChooseTransitionStyle(slide, kMaxSlideStyle, random_);
        Trace("slideview slide " + slide.fileName + " style " + std::to_string(style));
        const std::string caption = CaptionOf(slide);
        caption_ = caption;
        if (!caption.empty())
            Trace("slideview caption " + caption);
        for (auto& screen : screens_) {
            if (!screen->view)
                continue;
            screen->leaving = SlideDecor();
            if (screen->decor.HasMotion())
                std::swap(screen->leaving, screen->decor);
            Bitmap frame = screen->decor.FirstFrame(picture, slide.options, caption, shown_, screen->place.Width(),
                                                    screen->place.Height(), screen->place.dpi, clockFace_, font_);
            if (!screen->decor.Caption().shown.empty())
                Trace("slideview caption band " + RectText(screen->decor.Caption().band));
            if (clockTime_)
                Trace("slideview clock box " + RectText(screen->decor.ClockBox()));
            screen->view->SetPicture(TGraphic::FromBitmap(std::move(frame)));
            screen->view->Engine().SetStyle(style);
            screen->view->Execute();  // Manual: sets the transition up at Progress 0
            screen->hasSlide = true;
        }
        ++shown_;
        transitionMs_ = slide.options.TransitionMs();
        const uint32_t now = ::GetTickCount();
        clock_.Start(now, transitionMs_);
        // The slide that goes moves on through the transition; the one that
        // comes moves from its start until the end of the next transition,
        // which is planned as long as the slide after it asks for.
        leavingClock_ = motionClock_;
        leavingClock_.Start(MotionPhase::kOut, now, transitionMs_);
        const std::optional<size_t> after = sequence_->Upcoming();
        const int32_t out_ms = after && after != next ? sequence_->Slides()[*after].options.TransitionMs() : 0;
        motionClock_.Plan(transitionMs_, slide.options.DurationMs(), out_ms);
        motionClock_.Start(MotionPhase::kIn, now, transitionMs_);
        frames_ = 0;
        drawingTicks_ = 0;
        slowestTicks_ = 0;
        baseline_.TakeTrace();
        animating_ = true;
        pacer_.Start();
    }

    void TransitionIsOver() {
        animating_ = false;
        // Out of Manual and back: the controls finish the transition (their
        // bitmaps go), ready for the next one.
        for (auto& screen : screens_) {
            if (!screen->view)
                continue;
            screen->view->Engine().SetManual(false);
            screen->view->Engine().SetManual(true);
            screen->leaving = SlideDecor();
            // A still slide that came in is the control's own frame again;
            // a moving one moves on in the composed frame.
            if (screen->showsMotion && !screen->decor.HasMotion()) {
                screen->showsMotion = false;
                screen->view->ShowFrame(BgrxPixels{}, Rect{});
            }
            screen->aside = BgrxImage();
            screen->leavingImage = BgrxImage();
            screen->composed.reset();
            screen->lastFrameShows.reset();
        }
        LARGE_INTEGER frequency;
        ::QueryPerformanceFrequency(&frequency);
        const long long drawing_us = drawingTicks_ * 1000000 / frequency.QuadPart;
        if (const std::string baseline = baseline_.TakeTrace(); !baseline.empty())
            Trace(baseline);
        Trace("slideview transition " + std::to_string(transitionMs_) + " ms frames " + std::to_string(frames_) +
              " drawing " + std::to_string(drawing_us) + " us");
        Trace("slideview slowest frame " + std::to_string(slowestTicks_ * 1000000 / frequency.QuadPart) + " us");
        if (clockPending_) {
            clockPending_ = false;
            for (auto& screen : screens_)
                MoveClock(*screen);
        }
        SlideIsIn();
        StartMotion();
    }

    // The slide on show has fully come in: it stays for its duration.
    void SlideIsIn() {
        if (!message_.empty() || !sequence_ || !sequence_->Current())
            return;
        const int32_t duration = sequence_->Slides()[*sequence_->Current()].options.DurationMs();
        ::SetTimer(MainWindow(), kSlideTimer, static_cast<UINT>(duration), nullptr);
        if (animation_) {
            animation_->Start(::GetTickCount());
            ScheduleFrame();
        }
    }

    void ScheduleFrame() {
        if (const std::optional<uint32_t> wait = animation_->WaitMs(::GetTickCount()))
            ::SetTimer(MainWindow(), kFrameTimer, std::max<UINT>(*wait, USER_TIMER_MINIMUM), nullptr);
    }

    // An animated slide's next frame replaces the one on every screen at once.
    void NextFrame() {
        ::KillTimer(MainWindow(), kFrameTimer);
        if (!animation_ || animating_ || !message_.empty() || !sequence_ || !sequence_->Current())
            return;
        if (animation_->Update(::GetTickCount())) {
            const SlideOptions& options = sequence_->Slides()[*sequence_->Current()].options;
            for (auto& screen : screens_) {
                if (!screen->view)
                    continue;
                // A moving slide moves on with the new frame: its next motion
                // frame shows it, or, at rest, it is drawn where it rests.
                if (screen->decor.ReplaceMotionPicture(animation_->Frame())) {
                    if (!moving_) {
                        Bitmap& shown = screen->view->Engine().Screen();
                        screen->decor.RedrawHeld(shown);
                        Repaint(*screen, {shown.Bounds()});
                    }
                    continue;
                }
                // Caption and clock stay over every frame, where the slide put them.
                Bitmap frame =
                    screen->decor.FirstFrame(animation_->Frame(), options, caption_, shown_ - 1, screen->place.Width(),
                                             screen->place.Height(), screen->place.dpi, clockFace_, font_);
                screen->view->SetPicture(TGraphic::FromBitmap(std::move(frame)));
                screen->view->Engine().SetStyle(0);
                screen->view->Execute();
                screen->view->Engine().SetProgress(100);
                screen->view->Engine().SetManual(false);
                screen->view->Engine().SetManual(true);
            }
            Trace("slideview frame " + std::to_string(animation_->FrameIndex()));
        }
        ScheduleFrame();
    }

    void ShowMessage(std::string text) {
        ::KillTimer(MainWindow(), kSlideTimer);
        ::KillTimer(MainWindow(), kClockTimer);
        ::KillTimer(MainWindow(), kFrameTimer);
        animating_ = false;
        moving_ = false;
        message_ = std::move(text);
        Trace("slideview message " + message_);
        for (auto& screen : screens_) {
            if (screen->view) {
                screen->view->Engine().Stop();
                ::ShowWindow(screen->view->Handle(), SW_HIDE);
            }
            ::InvalidateRect(screen->Handle(), nullptr, FALSE);
        }
    }

    void Close() {
        if (closing_)
            return;
        closing_ = true;
        animating_ = false;
        moving_ = false;
        ::KillTimer(MainWindow(), kSlideTimer);
        ::KillTimer(MainWindow(), kClockTimer);
        ::KillTimer(MainWindow(), kFrameTimer);
        // The windows go now; their objects stay until the viewer ends, since
        // this runs inside one of their handlers.
        for (auto& screen : screens_)
            screen->window.Destroy();
        if (hideCursor_)
            ::ShowCursor(TRUE);
        ::PostQuitMessage(0);
    }

    // What the slide's caption says ("" for none).
    std::string CaptionOf(const Slide& slide) {
        if (slide.caption || show_.caption != CaptionMode::kDate)
            return SlideCaption(slide, show_.caption, std::nullopt, std::nullopt, dates_);
        const std::string path = SlidePath(document_, slide.fileName);
        const std::optional<std::string> taken = PhotoDateOf(path);
        return SlideCaption(slide, show_.caption, taken, FileDateOf(path), dates_);
    }

    // The clock, at the environment's speed in tests (else 1).
    void StartClock() {
        char text[16] = {};
        const DWORD length = ::GetEnvironmentVariableA("ORLSCR_TEST_CLOCK_SPEED", text, sizeof text);
        const int32_t speed = length > 0 && length < sizeof text ? std::max(1, std::atoi(text)) : 1;
        clockTime_.emplace(LocalTimeMs(), ::GetTickCount(), speed);
        ClockTick();
    }

    void ClockTick() {
        const uint32_t tick = ::GetTickCount();
        const int64_t now = clockTime_->Now(tick);
        // A little past the minute, so the text has changed when it comes.
        ::SetTimer(MainWindow(), kClockTimer, clockTime_->MsToNextMinute(tick) + 20, nullptr);
        ClockFace face{ClockText(now, show_.clock), now / 60000};
        if (face.text == clockFace_.text && face.minute == clockFace_.minute)
            return;
        clockFace_ = std::move(face);
        Trace("slideview clock " + clockFace_.text);
        if (animating_) {
            clockPending_ = true;  // drawn when the transition is over
            return;
        }
        LARGE_INTEGER before, after, frequency;
        ::QueryPerformanceCounter(&before);
        for (auto& screen : screens_)
            MoveClock(*screen);
        ::QueryPerformanceCounter(&after);
        ::QueryPerformanceFrequency(&frequency);
        Trace("slideview clock drawn " +
              std::to_string((after.QuadPart - before.QuadPart) * 1000000 / frequency.QuadPart) + " us");
    }

    void MoveClock(Screen& screen) {
        if (!screen.view || !screen.hasSlide)
            return;
        // A slide whose frames are composed (moving, or just in through a
        // transition) has its clock drawn there with the next frame.
        Repaint(screen, screen.decor.MoveClock(screen.view->Engine().Screen(), clockFace_, font_,
                                               moving_ || screen.showsMotion));
        Trace("slideview clock box " + RectText(screen.decor.ClockBox()));
    }

    // The frame on show changed in `changed`.
    void Repaint(Screen& screen, const std::vector<Rect>& changed) {
        for (const Rect& r : changed)
            screen.view->InvalidatePictureRect(r);
        if (!changed.empty())
            ::UpdateWindow(screen.view->Handle());
    }

    // A frame of a transition that shows the coming slide in place while a
    // slide moves: the control goes on with its own frame of the pictures as
    // they came (a strip a frame) and tells where the coming slide shows; the
    // frame on show is composed of the two slides at their moment, in 32 bits.
    void DrawMovingInPlace(Screen& screen, int progress, double leaving_at, double entering_at) {
        TransitionEngine& engine = screen.view->Engine();
        StepUnpainted(engine, progress);
        const Bitmap* old = engine.OldBitmap();
        const Bitmap* coming = engine.NewBitmap();
        if (!old || !coming)
            return;
        const BgrxPixels frame = screen.motionFrame.Pixels();
        const Region* in_place = engine.InPlaceShown();
        const Region all = in_place || progress < 100 ? Region() : Region(frame.Bounds());
        const BgrxScalePlan leaving = screen.leaving.MotionPlan(leaving_at);
        const BgrxScalePlan entering = screen.decor.MotionPlan(entering_at);
        ComposeTransitionFrame(frame, in_place ? *in_place : all, PartOf(screen.leaving, leaving, *old),
                               PartOf(screen.decor, entering, *coming), screen.aside);
        screen.view->ShowFrame(screen.motionFrame, frame.Bounds());
    }

    // The control's run moves on to `progress` without painting: what the
    // window shows is the composed frame.
    static void StepUnpainted(TransitionEngine& engine, int progress) {
        engine.SetPainting(true);
        engine.SetProgress(progress);
        engine.SetPainting(false);
    }

    // The control's pictures of its run (none: null). A composed frame at
    // the end steps the run there too, unpainted, so that the control's own
    // frame is right again once the composed one goes.
    static std::pair<const Bitmap*, const Bitmap*> PicturesOfRun(TransitionEngine& engine, int progress) {
        if (progress >= 100)
            StepUnpainted(engine, progress);
        return {engine.OldBitmap(), engine.NewBitmap()};
    }

    // Draws parts of a slide of a transition at its moment: a moving one
    // scaled as `plan` says, a still one widened from the control's picture.
    static DrawSlidePart PartOf(const SlideDecor& decor, const BgrxScalePlan& plan, const Bitmap& still) {
        if (decor.HasMotion())
            return [&decor, &plan](const BgrxPixels& f, const Rect& part) { decor.DrawMotionPart(f, plan, part); };
        return [&still](const BgrxPixels& f, const Rect& part) { CopyToBgrx(f, part.left, part.top, still, part); };
    }

    // A frame of the fade while a slide moves: both slides drawn and blended
    // a few rows at a time. False when there is no memory for it.
    bool DrawMovingFade(Screen& screen, int progress, double leaving_at, double entering_at) {
        const auto [old, coming] = PicturesOfRun(screen.view->Engine(), progress);
        const BgrxPixels frame = screen.motionFrame.Pixels();
        if (!old || !coming)
            return false;
        const BgrxScalePlan leaving = screen.leaving.MotionPlan(leaving_at);
        const BgrxScalePlan entering = screen.decor.MotionPlan(entering_at);
        const std::function<void()> show_last = ShowLastAlongside(screen, progress);
        try {
            ComposeFadeFrame(screen.motionFrame.Pixels(), progress, PartOf(screen.leaving, leaving, *old),
                             PartOf(screen.decor, entering, *coming), screen.fadeRows, show_last);
        } catch (const std::bad_alloc&) {
            Trace("slideview no memory for a composed transition");
            return false;
        }
        ShowComposed(screen, {frame.Bounds()}, progress);
        return true;
    }

    // A frame of a transition that moves, stretches, blends or turns the
    // coming slide: composed in 32 bits from both slides whole, a moving one
    // drawn at its moment, a still one once; the control's own frames wait
    // for the end. False when there is no memory for the slides.
    bool DrawComposedFrame(Screen& screen, int progress, double leaving_at, double entering_at) {
        TransitionEngine& engine = screen.view->Engine();
        const auto [old, coming] = PicturesOfRun(engine, progress);
        BgrxPixels frame = screen.motionFrame.Pixels();
        const int style = engine.Style();
        const FrameQuantities f = ComputeFrame(frame.width, frame.height, progress, engine.Step());
        // A moving coming slide is spread straight from its picture over the
        // places a style moves or stretches it to, instead of drawn whole
        // beside the frame and copied from there.
        const bool spreads = screen.decor.HasMotion() && DrawsOnlyUnmirroredCopies(style, f);
        // A swing turns a moving coming slide straight from its picture; only
        // what lies over or beside the picture there is drawn beside the frame.
        std::optional<TurnSource> turn;
        if (screen.decor.HasMotion() && IsPixelStyle(style) && style != kFadeStyle)
            turn = screen.decor.TurnSourceAt(entering_at);
        // A moving leaving slide is drawn straight into the frame, where the
        // frame reads it; a still one is kept whole beside it.
        const bool leaving_moves = screen.leaving.HasMotion();
        if (!old || !coming || coming->Width() != frame.width || coming->Height() != frame.height ||
            (!leaving_moves && !PrepareSlideImage(screen.leavingImage, frame)) ||
            (!spreads && !PrepareSlideImage(screen.aside, frame)))
            return false;
        // Only a moving leaving slide, drawn wherever the frame reads it,
        // lets the frame be composed ahead: it holds nothing of the last one.
        const std::function<void()> show_last = leaving_moves ? ShowLastAlongside(screen, progress) : nullptr;
        frame = screen.motionFrame.Pixels();
        const Region all(frame.Bounds());
        // A still leaving slide stays in the frame where the last one left it.
        const Region stale = leaving_moves || !screen.composed ? all : *screen.composed;
        Region drawn;
        if (turn && leaving_moves) {
            drawn = DrawTurnFrame(screen, style, f, *turn, *old, *coming, leaving_at, entering_at, show_last);
        } else {
            BgrxStyleFrameReads reads = ReadsOfBgrxStyleFrame(style, f, stale, spreads);
            if (turn)
                reads.newPicture.Intersect(Region::FromRects(turn->patches));
            const DrawStyleCopy spread = [&](const BgrxPixels& into, const RectStyleCopy& copy) {
                screen.decor.DrawMotionStretched(into, entering_at, copy.source, copy.dest);
            };
            const std::optional<std::vector<RectStyleCopy>> copies =
                spreads && leaving_moves ? CopiesOfBgrxStyleFrame(style, f) : std::nullopt;
            if (copies && Apart(*copies)) {
                drawn = DrawSpreadFrame(screen, *copies, *old, reads, leaving_at, entering_at, show_last);
            } else {
                DrawSlideImages(screen, *old, *coming, reads, leaving_at, entering_at, show_last);
                // Then the frame holds the leaving slide wherever it is read.
                const DrawStyleCopy* draw_copy = spreads ? &spread : nullptr;
                drawn = leaving_moves
                            ? DrawBgrxStyleFrame(style, f, frame, frame, screen.aside.Pixels(), Region(), draw_copy)
                            : DrawBgrxStyleFrame(style, f, frame, screen.leavingImage.Pixels(), screen.aside.Pixels(),
                                                 stale, draw_copy, turn ? &*turn : nullptr);
            }
        }
        // A turned picture changes a slanted shape: only a few rectangles
        // around it go to the window.
        Region changed = stale;
        changed.Unite(drawn);
        screen.composed = std::move(drawn);
        std::vector<Rect> shows = CoverRegion(changed, frame.width, frame.height, kRepaintRects);
        if (leaving_moves)
            ShowComposed(screen, std::move(shows), progress);
        else
            screen.view->ShowFrame(screen.motionFrame, shows);
        return true;
    }

    // Between moving slides each frame is shown while the next one is
    // composed: the calling thread shows it as the helper thread starts on the
    // next (see SplitRows), instead of the helper waiting out the show.
    // Returns that show of the frame composed last, now in lastFrame, leaving
    // motionFrame to compose into; none for the first frame of a transition
    // (the one before stays a frame longer) or the last (ShowComposed shows
    // that at once).
    std::function<void()> ShowLastAlongside(Screen& screen, int progress) {
        if (!screen.lastFrameShows || progress >= 100)
            return nullptr;
        screen.motionFrame.Swap(screen.lastFrame);
        std::vector<Rect> shows = std::move(*screen.lastFrameShows);
        screen.lastFrameShows.reset();
        return [&screen, shows = std::move(shows)] { screen.view->ShowFrame(screen.lastFrame, shows); };
    }

    // A frame composed into motionFrame, to show alongside the next one (or
    // at once: the last of a transition, or without the memory for two).
    void ShowComposed(Screen& screen, std::vector<Rect> shows, int progress) {
        screen.lastFrameShows.reset();
        if (progress < 100) {
            try {
                screen.lastFrame.Resize(nullptr, screen.motionFrame.Width(), screen.motionFrame.Height());
                screen.lastFrameShows = std::move(shows);
                return;
            } catch (const Error& error) {
                Trace("slideview no frame to compose ahead: " + std::string(error.what()));
            }
        }
        screen.view->ShowFrame(screen.motionFrame, shows);
    }

    // A frame of a swing between moving slides in one pass: what lies over or
    // beside the coming slide's picture, where the swing reads it, drawn
    // beside the frame first (a few rows), then band by band the leaving
    // slide wherever the turned picture leaves the frame and the turned
    // picture itself, the show of the last frame alongside. Returns what the
    // turned picture covers, as DrawBgrxStyleFrame does.
    Region DrawTurnFrame(Screen& screen,
                         int style,
                         const FrameQuantities& f,
                         TurnSource& turn,
                         const Bitmap& old,
                         const Bitmap& coming,
                         double leaving_at,
                         double entering_at,
                         std::function<void()> alongside) {
        const BgrxPixels frame = screen.motionFrame.Pixels();
        const BgrxScalePlan entering = screen.decor.MotionPlan(entering_at);
        const DrawSlidePart coming_part = PartOf(screen.decor, entering, coming);
        Region patches = PixelStyleSource(style, f);
        patches.Intersect(Region::FromRects(turn.patches));
        for (const Rect& part : patches.Rects())
            coming_part(screen.aside.Pixels(), part);
        const BgrxScalePlan leaving = screen.leaving.MotionPlan(leaving_at);
        const DrawSlidePart leaving_part = PartOf(screen.leaving, leaving, old);
        turn.drawOld = [&](const Rect& part) { leaving_part(frame, part); };
        turn.alongside = std::move(alongside);
        return DrawBgrxStyleFrame(style, f, frame, frame, screen.aside.Pixels(), Region(), nullptr, &turn);
    }

    // Whether no two copies overlap.
    static bool Apart(const std::vector<RectStyleCopy>& copies) {
        for (size_t i = 0; i < copies.size(); ++i)
            for (size_t j = i + 1; j < copies.size(); ++j)
                if (!IntersectRect(copies[i].dest, copies[j].dest).IsEmpty())
                    return false;
        return true;
    }

    // A frame of a rect style between moving slides, its `copies` apart: the
    // leaving slide where the frame reads it and the coming one spread into
    // each copy, all in one pass over bands of rows (the show of the last
    // frame alongside), then the copies' overlays. Returns what the copies
    // cover, as DrawBgrxStyleFrame does.
    Region DrawSpreadFrame(Screen& screen,
                           const std::vector<RectStyleCopy>& copies,
                           const Bitmap& old,
                           const BgrxStyleFrameReads& reads,
                           double leaving_at,
                           double entering_at,
                           const std::function<void()>& alongside) {
        const BgrxPixels frame = screen.motionFrame.Pixels();
        std::vector<SlideDecor::Stretched> spread;
        std::vector<Rect> drawn;
        for (const RectStyleCopy& copy : copies) {
            spread.push_back(screen.decor.StretchedAt(frame, entering_at, copy.source, copy.dest));
            drawn.push_back(IntersectRect(copy.dest, frame.Bounds()));
        }
        const BgrxScalePlan leaving = screen.leaving.MotionPlan(leaving_at);
        const DrawSlidePart leaving_part = PartOf(screen.leaving, leaving, old);
        InBands(
            frame,
            [&](const Rect& rows) {
                DrawWhereRead(leaving_part, reads.oldPicture, frame, rows);
                for (const SlideDecor::Stretched& copy : spread)
                    copy.DrawRows(frame, rows);
            },
            alongside);
        for (const SlideDecor::Stretched& copy : spread)
            copy.PaintOverlays(frame);
        return Region::FromRects(std::move(drawn));
    }

    // `image` the frame's size; false when there is no memory for it.
    static bool PrepareSlideImage(BgrxImage& image, const BgrxPixels& frame) {
        if (image.Width() == frame.width && image.Height() == frame.height)
            return true;
        try {
            image = BgrxImage(frame.width, frame.height);
        } catch (const std::bad_alloc&) {
            image = BgrxImage();
            Trace("slideview no memory for a composed transition");
            return false;
        }
        return true;
    }

    // Both slides of a transition in 32 bits at their moment: a moving one
    // afresh every frame where the frame reads it (the leaving one straight
    // into the frame), a still one whole at the first (with two processors,
    // one band of rows each in turn).
    void DrawSlideImages(Screen& screen,
                         const Bitmap& old,
                         const Bitmap& coming,
                         const BgrxStyleFrameReads& reads,
                         double leaving_at,
                         double entering_at,
                         const std::function<void()>& alongside) {
        const bool first = !screen.composed;
        const BgrxScalePlan leaving = screen.leaving.MotionPlan(leaving_at);
        const BgrxScalePlan entering = screen.decor.MotionPlan(entering_at);
        const BgrxPixels leaving_image =
            screen.leaving.HasMotion() ? screen.motionFrame.Pixels() : screen.leavingImage.Pixels();
        const BgrxPixels coming_image = screen.aside.Pixels();
        // A moving slide where it is read, a still one whole at the first frame.
        auto draw = [first](const SlideDecor& decor, const DrawSlidePart& slide, const Region& read,
                            const BgrxPixels& image, const Rect& rows) {
            if (decor.HasMotion())
                DrawWhereRead(slide, read, image, rows);
            else if (first)
                slide(image, rows);
        };
        const DrawSlidePart leaving_part = PartOf(screen.leaving, leaving, old);
        const DrawSlidePart coming_part = PartOf(screen.decor, entering, coming);
        // (The coming slide's picture is not there when it is spread
        // straight into the frame instead.)
        InBands(
            screen.motionFrame.Pixels(),
            [&](const Rect& rows) {
                draw(screen.leaving, leaving_part, reads.oldPicture, leaving_image, rows);
                draw(screen.decor, coming_part, reads.newPicture, coming_image, rows);
            },
            alongside);
    }

    // `draw` for each of kBands bands of the frame's rows, the bands shared
    // by two threads, `alongside` on the calling one (see SplitRows).
    static void InBands(const BgrxPixels& frame,
                        const std::function<void(const Rect&)>& draw,
                        const std::function<void()>& alongside) {
        SplitRows(
            kBands, int64_t{frame.width} * frame.height,
            [&](int32_t, int32_t begin, int32_t end) {
                draw(Rect{0, frame.height * begin / kBands, frame.width, frame.height * end / kBands});
            },
            alongside);
    }

    // `slide` into `image` wherever `read` reaches into `rows`.
    static void DrawWhereRead(const DrawSlidePart& slide,
                              const Region& read,
                              const BgrxPixels& image,
                              const Rect& rows) {
        for (const Rect& part : read.RectsInRows(rows.top, rows.bottom))
            slide(image, IntersectRect(part, rows));
    }

    // A slide with motion moves from the moment it is fully in until its
    // stay is over.
    void StartMotion() {
        const bool any =
            std::any_of(screens_.begin(), screens_.end(), [](const auto& screen) { return screen->decor.HasMotion(); });
        if (!any || !message_.empty() || !sequence_ || !sequence_->Current())
            return;
        moving_ = true;
        stayStart_ = ::GetTickCount();
        stayMs_ = sequence_->Slides()[*sequence_->Current()].options.DurationMs();
        motionClock_.Start(MotionPhase::kStay, stayStart_, stayMs_);
        motionFrames_ = 0;
        motionTicks_ = 0;
        baseline_.TakeTrace();
        pacer_.Start();
    }

    void StopMotion() {
        // The stay is over: the next transition moves on from its end.
        motionAt_ = motionClock_.PhaseEnd(MotionPhase::kStay);
        HoldMotion();
        if (motionFrames_ > 0) {
            LARGE_INTEGER frequency;
            ::QueryPerformanceFrequency(&frequency);
            if (const std::string baseline = baseline_.TakeTrace(); !baseline.empty())
                Trace(baseline);
            Trace("slideview motion " + std::to_string(static_cast<uint32_t>(::GetTickCount() - stayStart_)) +
                  " ms frames " + std::to_string(motionFrames_) + " drawing " +
                  std::to_string(motionTicks_ * 1000000 / frequency.QuadPart) + " us");
        }
        moving_ = false;
        motionFrames_ = 0;
    }

    // A frame of the moving slides, scaled straight into the frame each
    // control shows; only what it changed goes to the window.
    void DrawMotionFrame() {
        const uint32_t now = ::GetTickCount();
        const double t = motionClock_.At(now);
        for (auto& screen : screens_) {
            if (!screen->view || !screen->decor.HasMotion())
                continue;
            if (!screen->showsMotion && !StartShowingMotion(*screen))
                continue;
            screen->view->ShowFrame(screen->motionFrame, screen->decor.DrawMotion(screen->motionFrame.Pixels(), t));
        }
        motionAt_ = t;
        if (motionClock_.Over(now)) {
            moving_ = false;  // at rest until the next slide
            HoldMotion();
        }
    }

    // The screen's frame for a moving slide or a composed transition, black;
    // false (the control's own frame then shows) when there is no memory for it.
    bool StartShowingMotion(Screen& screen) {
        const Bitmap& shown = screen.view->Screen();
        if (shown.IsEmpty())
            return false;
        try {
            screen.motionFrame.Resize(nullptr, shown.Width(), shown.Height());
        } catch (const Error& error) {
            Trace("slideview no motion frame: " + std::string(error.what()));
            return false;
        }
        FillBgrx(screen.motionFrame.Pixels(), screen.motionFrame.Pixels().Bounds(), 0, 0, 0);
        screen.showsMotion = true;
        return true;
    }

    // The moving slides stop where they are: the controls show their own
    // frames again, holding that moment, from which the next transition starts.
    void HoldMotion() {
        for (auto& screen : screens_) {
            if (!screen->showsMotion)
                continue;
            screen->showsMotion = false;
            if (!screen->view)
                continue;
            screen->decor.DrawHeld(screen->view->Engine().Screen(), std::min(motionAt_, 1.0));
            screen->view->ShowFrame(BgrxPixels{}, Rect{});
        }
    }

    // The slides are painted by the picture controls over the windows; a
    // window itself shows only black, and the message when there is one.
    void Paint(HWND window) {
        PaintDc paint(window);
        RECT client;
        ::GetClientRect(window, &client);
        ::FillRect(paint.get(), &client, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        const Screen* screen = Find(window);
        if (!message_.empty() && screen)
            PaintMessage(paint.get(), client, screen->place.dpi);
    }

    void PaintMessage(HDC dc, const RECT& client, int32_t dpi) {
        UniqueFont font(::CreateFontA(-TextPixels(14, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                      DEFAULT_PITCH | FF_SWISS, "Arial"));
        SelectedObject selected(dc, font ? font.get() : ::GetStockObject(DEFAULT_GUI_FONT));
        ::SetTextColor(dc, RGB(224, 224, 224));
        ::SetBkMode(dc, TRANSPARENT);
        const UINT format = DT_CENTER | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX;
        const int margin = (client.right - client.left) / 10;
        RECT box{client.left + margin, 0, client.right - margin, 0};
        ::DrawTextA(dc, message_.c_str(), static_cast<int>(message_.size()), &box, format | DT_CALCRECT);
        const int text_height = box.bottom - box.top;
        box.left = client.left + margin;
        box.right = client.right - margin;
        box.top = client.top + (client.bottom - client.top - text_height) / 2;
        box.bottom = box.top + text_height;
        ::DrawTextA(dc, message_.c_str(), static_cast<int>(message_.size()), &box, format);
    }

    std::string document_;
    std::vector<std::unique_ptr<Screen>> screens_;
    std::vector<std::unique_ptr<Screen>> retired_;  // windows of monitors that are gone
    std::optional<SlideSequence> sequence_;
    std::unique_ptr<SlideAnimation> animation_;  // of the slide on show, when it is animated
    RandomGenerator random_;
    FramePacer pacer_;
    BaselineBlits baseline_;
    TransitionClock clock_;
    bool animating_ = false;
    int32_t transitionMs_ = 0;
    int frames_ = 0;
    long long drawingTicks_ = 0;
    long long slowestTicks_ = 0;
    bool hideCursor_ = false;
    bool closing_ = false;
    ShowOptions show_;
    UserDateFormatter dates_;
    uint64_t shown_ = 0;  // slides brought in so far
    SystemOverlayFont font_;
    std::optional<ClockTime> clockTime_;
    ClockFace clockFace_;  // no text: no clock
    bool clockPending_ = false;
    bool moving_ = false;
    std::string caption_;  // of the slide on show
    uint32_t stayStart_ = 0;
    int32_t stayMs_ = 0;
    int motionFrames_ = 0;
    double motionAt_ = 0;       // the path time of the last motion frame
    MotionClock motionClock_;   // of the slide on show (or coming in)
    MotionClock leavingClock_;  // of the slide a transition takes away
    long long motionTicks_ = 0;
    std::string message_;
};

constexpr DWORD kSaverLookMs = 500;
constexpr UINT kSaverAnswerMs = 1000;
// After asking the show to close, how long it is given before the process ends.
constexpr DWORD kCloseGraceMs = 2000;

struct SaverWatchStart {
    HWND saver;
    DWORD saverProcess;
    HWND show;
};

bool SaverWindowExists(const SaverWatchStart& start) {
    DWORD process = 0;
    return ::IsWindow(start.saver) && ::GetWindowThreadProcessId(start.saver, &process) != 0 &&
           process == start.saverProcess;
}

DWORD WINAPI SaverWatchThread(void* parameter) {
    const SaverWatchStart start = *static_cast<SaverWatchStart*>(parameter);
    delete static_cast<SaverWatchStart*>(parameter);
    SaverWatch watch(::GetTickCount());
    for (;;) {
        ::Sleep(kSaverLookMs);
        const bool exists = SaverWindowExists(start);
        DWORD_PTR result = 0;
        const bool answered =
            exists && ::SendMessageTimeoutA(start.saver, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kSaverAnswerMs, &result) != 0;
        if (watch.Check(::GetTickCount(), exists, answered))
            break;
    }
    Trace("slideview saver gone");
    ::PostMessageA(start.show, WM_CLOSE, 0, 0);
    ::Sleep(kCloseGraceMs);
    ::TerminateProcess(::GetCurrentProcess(), 0);
    return 0;
}

// Watches the saver named in the environment, if any.
void WatchSaver(HWND show) {
    char text[32] = {};
    const DWORD length = ::GetEnvironmentVariableA(kSaverWindowVariable, text, sizeof text);
    if (length == 0 || length >= sizeof text)
        return;
    const std::optional<uint64_t> value = ParseSaverWindow(text);
    if (!value)
        return;
    HWND saver = reinterpret_cast<HWND>(static_cast<uintptr_t>(*value));
    DWORD saverProcess = 0;
    if (!::IsWindow(saver) || ::GetWindowThreadProcessId(saver, &saverProcess) == 0) {
        Trace("slideview saver window missing");
        return;
    }
    auto* start = new SaverWatchStart{saver, saverProcess, show};
    DWORD id = 0;
    UniqueHandle thread(::CreateThread(nullptr, 0, SaverWatchThread, start, 0, &id));
    if (!thread) {
        delete start;
        return;
    }
    Trace("slideview watches saver " + std::string(text));
}

// The show's message loop: the program's pump, and while a transition runs
// one frame per display frame, drawn after the messages that came meanwhile.
// A quit request ends it (the pump posts it again, so the application loop
// below meets it at once and returns its exit code).
int RunShowLoop(SlideViewer& viewer) {
    for (;;) {
        if (!viewer.Animating())
            ::WaitMessage();
        if (ProcessPendingMessages())
            return RunMessageLoop();
        if (!viewer.Animating())
            continue;
        if (viewer.Pacer().FrameDue())
            viewer.DrawFrame();
        // The helper thread that draws half of a frame wakes up ahead of it.
        if (viewer.Animating())
            viewer.Pacer().Wait(ReadyRowHelper);
    }
}

}  // namespace
}  // namespace orlscr

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Slides are fitted to every monitor's real pixels, not stretched again by
    // the system on a high-DPI screen.
    const std::string awareness = orlscr::BecomeDpiAware();
    orlscr::Trace("slideview dpi-awareness " + awareness);
    try {
        orlscr::SlideViewer viewer(orlscr::DocumentFromCommandLine(::GetCommandLineA()));
        viewer.Create();
        orlscr::WatchSaver(viewer.FirstWindow());
        return orlscr::RunShowLoop(viewer);
    } catch (...) {
        return 1;
    }
}
