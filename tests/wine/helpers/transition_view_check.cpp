// Checks the picture show control's painting on a real Win32: what reaches the
// window after each frame of a wipe (the control repaints only what a frame
// changed), the colour around a centred frame, a 32-bit frame handed over with
// ShowFrame and its changed rectangle, and what OnPaintFrame draws on top.

#include <windows.h>

#include <string>
#include <vector>

#include "common/win/unique.h"
#include "picture/picture_win.h"
#include "raster/blit.h"
#include "tests/wine/helpers/check.h"
#include "transition/transition_view_win.h"

namespace {

using orlscr::BgrxPixels;
using orlscr::Bitmap;
using orlscr::Rect;
using orlscr::check::Check;

constexpr int kWidth = 200, kHeight = 150;  // the control
constexpr int kLeft = 20, kTop = 15;        // the centred 160 x 120 frame
constexpr COLORREF kColor = RGB(10, 20, 30);

Bitmap Pattern(int w, int h, int seed) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b.Row(y) + 3 * x;
            p[0] = static_cast<uint8_t>(x * 3 + seed);
            p[1] = static_cast<uint8_t>(y * 5 + seed);
            p[2] = static_cast<uint8_t>(x + 7 * y + seed);
        }
    return b;
}

// The window's pixels as blue, green, red in one 32-bit value each.
std::vector<uint32_t> Grab(HWND window) {
    const BITMAPINFO info = orlscr::TopDownBitmapInfo(kWidth, kHeight, 32);
    void* bits = nullptr;
    orlscr::WindowDc dc(window);
    orlscr::UniqueMemoryDc memory(::CreateCompatibleDC(dc.get()));
    orlscr::UniqueBitmap section(::CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    {
        orlscr::SelectedObject selected(memory.get(), section.get());
        ::BitBlt(memory.get(), 0, 0, kWidth, kHeight, dc.get(), 0, 0, SRCCOPY);
        ::GdiFlush();
    }
    const auto* p = static_cast<const uint32_t*>(bits);
    std::vector<uint32_t> pixels(p, p + kWidth * kHeight);
    for (uint32_t& v : pixels)
        v &= 0xFFFFFF;
    return pixels;
}

uint32_t Pixel(const Bitmap& b, int x, int y) {
    const uint8_t* p = b.Row(y) + 3 * x;
    return p[0] | p[1] << 8 | p[2] << 16;
}

// Every pixel of the window: the frame where it lies, the colour around it.
void CheckShows(HWND window, const Bitmap& frame, const std::string& what) {
    const std::vector<uint32_t> shown = Grab(window);
    const uint32_t color = GetBValue(kColor) | GetGValue(kColor) << 8 | GetRValue(kColor) << 16;
    int wrong = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const bool inFrame = x >= kLeft && x < kLeft + frame.Width() && y >= kTop && y < kTop + frame.Height();
            wrong += shown[y * kWidth + x] != (inFrame ? Pixel(frame, x - kLeft, y - kTop) : color);
        }
    Check(wrong == 0, what + ": " + std::to_string(wrong) + " pixels differ");
}

void CheckFrames() {
    orlscr::TTransitionView view(nullptr, RECT{0, 0, kWidth, kHeight});
    view.SetAutoSize(false);
    view.SetCenter(true);
    view.SetColor(kColor);
    view.Engine().SetThreaded(false);
    view.Engine().SetManual(true);
    HWND window = view.Handle();

    const Bitmap first = Pattern(160, 120, 1), second = Pattern(160, 120, 90);
    view.SetPicture(orlscr::TGraphic::FromBitmap(first));
    view.Execute();
    view.Engine().SetProgress(100);
    CheckShows(window, view.Screen(), "the first picture, centred on the colour");

    view.SetPicture(orlscr::TGraphic::FromBitmap(second));
    view.Engine().SetStyle(5);  // a wipe from the left
    view.Execute();
    ::UpdateWindow(window);
    for (int progress : {10, 40, 41, 70, 35, 99}) {
        view.Engine().SetProgress(progress);
        CheckShows(window, view.Screen(), "the wipe at " + std::to_string(progress));
    }
    view.Engine().SetManual(false);  // ends the run
    view.Engine().SetStyle(120);     // a swing
    view.SetPicture(orlscr::TGraphic::FromBitmap(first));
    view.Engine().SetManual(true);
    view.Execute();
    for (int progress : {20, 60}) {
        view.Engine().SetProgress(progress);
        CheckShows(window, view.Screen(), "the swing at " + std::to_string(progress));
    }

    // A frame the caller composes: shown as a whole, then a changed corner.
    Bitmap composed = Pattern(160, 120, 33);
    std::vector<uint8_t> bytes(160 * 120 * 4);
    const BgrxPixels frame{bytes.data(), 160, 120, 160 * 4};
    orlscr::CopyToBgrx(frame, 0, 0, composed, composed.Bounds());
    view.ShowFrame(frame, frame.Bounds());
    CheckShows(window, composed, "a frame handed over");
    const Bitmap patch = Pattern(30, 20, 200);
    orlscr::DrawBitmap(composed, 5, 7, patch);
    orlscr::CopyToBgrx(frame, 5, 7, patch, patch.Bounds());
    view.ShowFrame(frame, Rect{5, 7, 35, 27});
    CheckShows(window, composed, "its changed rectangle");

    // Drawn on top of each repainted rectangle.
    view.OnPaintFrame = [](const BgrxPixels& buffer, const Rect& area) {
        orlscr::FillBgrx(buffer, orlscr::IntersectRect(area, Rect{100, 100, 110, 104}), 0, 0, 255);
    };
    view.InvalidateClientRect(Rect{100, 100, 110, 104});
    ::UpdateWindow(window);
    const std::vector<uint32_t> shown = Grab(window);
    Check(shown[102 * kWidth + 105] == 0xFF0000, "what OnPaintFrame drew is shown");
    Check(shown[99 * kWidth + 105] == Pixel(composed, 105 - kLeft, 99 - kTop), "and nothing beyond its rectangle");
}

}  // namespace

int main() {
    CheckFrames();
    return orlscr::check::CheckSummary();
}
