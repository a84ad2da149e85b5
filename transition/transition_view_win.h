#pragma once

// TTransitionView: the picture show control as a small Win32 child window.
//
// It shows one picture (its frame bitmap, Screen) over a background and brings
// in a new picture through one of 128 animated transition styles.
//
//   TTransitionView view(parentWindow, RECT{0, 0, 640, 480});
//   view.SetPicture(TGraphic::FromFile("slide1.jpg"));   // the next picture
//   view.Engine().SetStyle(51);                          // 0..127
//   view.Engine().OnComplete = [] { ... };               // main thread
//   view.Execute();                                      // runs the transition
//
// Pictures (TGraphic, picture/picture_win.h): 24-bit bitmaps, picture files
// (decoded into bitmaps), icons and enhanced or placeable metafiles. SetPicture holds the
// next picture only; what the control shows changes through Execute. With
// AutoSize (the default) and without AlignClient, a new picture resizes the
// window to the picture.
//
// Painting: every WM_PAINT composes the rectangles it repaints, and only
// those, in a 32-bit frame buffer of client size (a DIB section), and copies
// them to the window: where the frame does not cover them the Color, then
// BgPicture by BgMode (bmNone, bmTiled, bmStretched, bmCentered); then the
// frame: at its natural size at Placement (top-left, or centred with Center),
// stretched over the client area (Stretch), or fitted with its aspect ratio
// (Stretch and StretchFine); then whatever OnPaintFrame draws on top.
// WM_ERASEBKGND draws nothing. A frame at its natural size is widened from
// Screen straight into the buffer; the engine invalidates only what a frame
// changed, so a wipe repaints its strip and not the window.
//
// A caller that composes frames itself (32 bits a pixel) hands them over with
// ShowFrame: shown instead of Screen, placed like it, until ShowFrame gets an
// empty frame.
//
// Transitions (Engine() for Style, Step, Delay, Reverse, Threaded, Priority,
// Manual, Progress, Busy, Stop and the frame events): Execute takes the shown
// frame as the old picture and Picture as the new one. With Threaded (the
// default) a worker thread keeps time and hands every step to this window's
// thread with SendMessage, so all frames and events run on the thread that
// created the control; otherwise Execute returns when the run has ended,
// processing the thread's messages between frames (a message handler may
// destroy the control meanwhile; the run then ends at once). Destroying the
// control (or its window) during a run waits for the worker; OnComplete does
// not fire, and a transition started afterwards runs no worker. An OnComplete
// handler may start the next transition (without Threaded it follows once the
// handler has returned, so a show of any length never nests) or destroy the
// control; the other handlers must not destroy it.
//
// Mouse: OnMouseDown and OnMouseMove (client coordinates and the WM_ key
// flags), OnMouseEnter and OnMouseLeave; OnClick on a left click.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/win/unique.h"
#include "common/win/window.h"
#include "picture/picture_win.h"
#include "raster/bitmap.h"
#include "transition/layout.h"
#include "transition/transition_engine.h"

namespace orlscr {

enum class TBackgroundMode : uint8_t { bmNone = 0, bmTiled = 1, bmStretched = 2, bmCentered = 3 };

class TTransitionView final : public Window, private TransitionHost {
  public:
    TTransitionView(HWND parent, const RECT& bounds, int id = 0);
    ~TTransitionView() override;
    TTransitionView(const TTransitionView&) = delete;
    TTransitionView& operator=(const TTransitionView&) = delete;

    TransitionEngine& Engine() { return *engine_; }

    const TGraphic& Picture() const { return picture_; }
    void SetPicture(const TGraphic& picture);
    const TGraphic& BgPicture() const { return bgPicture_; }
    void SetBgPicture(const TGraphic& picture);
    TBackgroundMode BgMode() const { return bgMode_; }
    void SetBgMode(TBackgroundMode mode);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool Center() const { return center_; }
    void SetCenter(bool value);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool value);
    bool StretchFine() const { return stretchFine_; }
    void SetStretchFine(bool value);
    COLORREF Color() const { return color_; }
    void SetColor(COLORREF color);
    // The host keeps the control filling its client area (Align = alClient):
    // SizeToPicture then leaves the size alone.
    bool AlignClient() const { return alignClient_; }
    void SetAlignClient(bool value) { alignClient_ = value; }

    // Starts a transition from what is shown to Picture (see the top).
    // Throws Error when Picture is empty.
    void Execute();

    void SizeToPicture();
    void UpdatePlacement();
    const Rect& Placement() const { return placement_; }
    // Read only: a mutable Screen would make the engine restore all of it.
    const Bitmap& Screen() const { return std::as_const(*engine_).Screen(); }
    // A rectangle of Screen, as shown, must be repainted (nothing to do
    // while a frame given to ShowFrame shows instead).
    void InvalidatePictureRect(const Rect& rect) override;
    // Where Screen appears in the client area now.
    PictureLayout Layout() const;

    // Shows `frame` instead of Screen (placed as Screen would be, never
    // stretched) and repaints its rectangle `changed` (frame coordinates) at
    // once. The caller keeps the pixels alive and unchanged, apart from what
    // it passes as changed, until the next ShowFrame; an empty frame goes
    // back to Screen and repaints all.
    void ShowFrame(const BgrxPixels& frame, const Rect& changed);
    // The same for a frame in a DIB section: a repaint the frame covers goes
    // from it to the window in one BitBlt, without passing through the
    // control's buffer (unless OnPaintFrame draws on the buffer).
    void ShowFrame(const DibSection32& frame, const Rect& changed);
    // The same with what changed in a few rectangles.
    void ShowFrame(const DibSection32& frame, const std::vector<Rect>& changed);
    // A rectangle of the client area must be repainted (e.g. what
    // OnPaintFrame draws changed).
    void InvalidateClientRect(const Rect& rect);

    // Called while painting, for each rectangle repainted (client
    // coordinates), once the frame is composed there in the client-sized
    // 32-bit buffer and before it goes to the window; a handler draws on top
    // (captions, a clock) within `area` only.
    std::function<void(const BgrxPixels& buffer, const Rect& area)> OnPaintFrame;

    std::function<void()> OnChange;
    std::function<void()> OnMouseEnter;
    std::function<void()> OnMouseLeave;
    std::function<void()> OnClick;
    std::function<void(int x, int y, WPARAM keys)> OnMouseDown;
    std::function<void(int x, int y, WPARAM keys)> OnMouseMove;

  private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint(HDC dc, const std::vector<Rect>& areas);
    // Composes `area` (client coordinates, inside the buffer) in the buffer.
    void Compose(const Rect& area);
    void ComposeBackground(const Rect& area);
    // Where the frame lands in client coordinates, and whether it lands at
    // its natural size; empty when there is no frame.
    Rect FrameRect(bool& natural) const;
    void PictureChanged();
    void BgPictureChanged();
    void InvalidateAll();
    Rect ClientRect() const;
    void Show(const BgrxPixels& frame, const DibSection32* dib, const std::vector<Rect>& changed);
    bool BlitNow(const DibSection32& dib, const Rect& at, const std::vector<Rect>& changed);

    // TransitionHost
    void UpdateNow() override;
    void ProcessMessages() override;
    uint32_t TickCount() override;
    void RunOnMainThread(const std::function<void()>& task) override;
    void WaitWhileHandingOver(const std::function<bool()>& done) override;
    void EnterWorkerThread(ThreadPriority priority) override;
    void ScreenResized() override;

    DWORD mainThread_ = 0;
    std::unique_ptr<TransitionEngine> engine_;
    TGraphic picture_;
    TGraphic bgPicture_;
    TBackgroundMode bgMode_ = TBackgroundMode::bmTiled;
    bool autoSize_ = true;
    bool center_ = false;
    bool stretch_ = false;
    bool stretchFine_ = false;
    bool alignClient_ = false;
    bool destroying_ = false;
    bool mouseInside_ = false;
    COLORREF color_ = 0;
    Rect placement_;
    // The client-sized 32-bit buffer every paint is composed in.
    DibSection32 buffer_;
    // The frame handed over by ShowFrame, or none, and its DIB section when
    // it came in one.
    BgrxPixels shownFrame_;
    const DibSection32* shownDib_ = nullptr;
};

}  // namespace orlscr
