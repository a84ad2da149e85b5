#include "transition/transition_view_win.h"

#include <windowsx.h>

#include "common/error.h"
#include "common/win/message_pump.h"
#include "raster/blit.h"

namespace orlscr {

namespace {

const char kClassName[] = "OrlscrTransitionView";
// A worker's step, handed to the window's thread: lParam points at the task.
const UINT kHandOverMessage = WM_APP + 0x3A1;

// Beyond this many rectangles a repaint takes their bounding box.
constexpr DWORD kMaxPaintRects = 16;

RECT ToRECT(const Rect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

Rect FromRECT(const RECT& r) {
    return Rect{r.left, r.top, r.right, r.bottom};
}

// `r` of a frame shown with its top-left corner at `at`'s, in client pixels.
Rect OffsetBy(const Rect& r, const Rect& at) {
    return Rect{r.left + at.left, r.top + at.top, r.right + at.left, r.bottom + at.top};
}

// The rectangles of the window's update region (before BeginPaint empties
// it), or its bounding box when it has many; none when it cannot be read.
std::vector<Rect> UpdateRects(HWND window) {
    std::vector<Rect> rects;
    const UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
    if (!region || ::GetUpdateRgn(window, region.get(), FALSE) <= NULLREGION)
        return rects;
    const DWORD size = ::GetRegionData(region.get(), 0, nullptr);
    if (size < sizeof(RGNDATAHEADER))
        return rects;
    std::vector<uint8_t> bytes(size);
    auto* data = reinterpret_cast<RGNDATA*>(bytes.data());
    if (::GetRegionData(region.get(), size, data) == 0)
        return rects;
    const DWORD count = data->rdh.nCount;
    if (count > kMaxPaintRects || sizeof(RGNDATAHEADER) + count * sizeof(RECT) > size) {
        rects.push_back(FromRECT(data->rdh.rcBound));
        return rects;
    }
    const auto* list = reinterpret_cast<const RECT*>(data->Buffer);
    for (DWORD i = 0; i < count; ++i)
        rects.push_back(FromRECT(list[i]));
    return rects;
}

}  // namespace

// ---------------------------------------------------------------------------
// TTransitionView

TTransitionView::TTransitionView(HWND parent, const RECT& bounds, int id) {
    WNDCLASSEXA wc{};
    wc.style = CS_DBLCLKS;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    RegisterWindowClass(wc);
    mainThread_ = GetCurrentThreadId();
    engine_ = std::make_unique<TransitionEngine>(static_cast<TransitionHost&>(*this));
    // ParentColor: the parent's background brush colour when it has a solid one.
    color_ = GetSysColor(COLOR_BTNFACE);
    if (parent) {
        HBRUSH parentBrush = reinterpret_cast<HBRUSH>(GetClassLongPtrW(parent, GCLP_HBRBACKGROUND));
        LOGBRUSH lb{};
        if (reinterpret_cast<uintptr_t>(parentBrush) > COLOR_MENUHILIGHT + 1 &&
            GetObject(parentBrush, sizeof lb, &lb) && lb.lbStyle == BS_SOLID)
            color_ = lb.lbColor;
        else if (parentBrush && reinterpret_cast<uintptr_t>(parentBrush) <= COLOR_MENUHILIGHT + 1)
            color_ = GetSysColor(static_cast<int>(reinterpret_cast<uintptr_t>(parentBrush)) - 1);
    }
    const DWORD style = (parent ? WS_CHILD : WS_POPUP) | WS_VISIBLE | WS_CLIPSIBLINGS;
    CreateHandle({.className = kClassName,
                  .style = style,
                  .x = bounds.left,
                  .y = bounds.top,
                  .width = bounds.right - bounds.left,
                  .height = bounds.bottom - bounds.top,
                  .parent = parent,
                  .menu = parent ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)) : nullptr,
                  .failureMessage = "Cannot create the picture window"});
}

TTransitionView::~TTransitionView() {
    destroying_ = true;
    // The worker hands its steps to the window: end it while the window exists.
    engine_->Shutdown();
    Destroy();
}

LRESULT TTransitionView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kHandOverMessage:
            (*reinterpret_cast<const std::function<void()>*>(lParam))();
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            std::vector<Rect> areas = UpdateRects(window_);
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window_, &ps);
            if (areas.empty())
                areas.push_back(FromRECT(ps.rcPaint));
            if (!engine_->Painting() && GetCurrentThreadId() == mainThread_) {
                engine_->SetPainting(true);
                try {
                    Paint(dc, areas);
                } catch (...) {
                    engine_->SetPainting(false);
                    EndPaint(window_, &ps);
                    throw;
                }
                engine_->SetPainting(false);
            }
            EndPaint(window_, &ps);
            return 0;
        }
        case WM_SIZE:
            if (!picture_.Empty()) {
                UpdatePlacement();
                if (!Screen().IsEmpty() && !engine_->Painting())
                    InvalidateAll();
            }
            return 0;
        case WM_MOUSEMOVE:
            if (!mouseInside_) {
                mouseInside_ = true;
                TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window_, 0};
                TrackMouseEvent(&track);
                if (OnMouseEnter)
                    OnMouseEnter();
            }
            if (OnMouseMove)
                OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), wParam);
            return 0;
        case WM_MOUSELEAVE:
            mouseInside_ = false;
            if (OnMouseLeave)
                OnMouseLeave();
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            if (OnMouseDown)
                OnMouseDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), wParam);
            return 0;
        case WM_LBUTTONUP:
            if (OnClick)
                OnClick();
            return 0;
        case WM_DESTROY:
            // Destroyed with its parent: the worker must end while the window exists.
            destroying_ = true;
            engine_->Shutdown();
            return 0;
        default:
            return DefaultHandling(message, wParam, lParam);
    }
}

Rect TTransitionView::ClientRect() const {
    RECT r{};
    if (window_)
        GetClientRect(window_, &r);
    return Rect{r.left, r.top, r.right, r.bottom};
}

PictureLayout TTransitionView::Layout() const {
    PictureLayout layout;
    layout.placement = placement_;
    layout.client = ClientRect();
    layout.center = center_;
    layout.stretch = stretch_;
    layout.stretchFine = stretchFine_;
    return layout;
}

void TTransitionView::Paint(HDC target, const std::vector<Rect>& areas) {
    const Rect client = ClientRect();
    if (client.IsEmpty())
        return;
    buffer_.Resize(target, client.Width(), client.Height());
    for (const Rect& requested : areas) {
        const Rect area = IntersectRect(requested, client);
        if (area.IsEmpty())
            continue;
        if (shownDib_ && !OnPaintFrame) {
            bool natural = true;
            const Rect frame = FrameRect(natural);
            if (IntersectRect(area, frame) == area) {
                BitBlt(target, area.left, area.top, area.Width(), area.Height(), shownDib_->Dc(),
                       area.left - frame.left, area.top - frame.top, SRCCOPY);
                continue;
            }
        }
        Compose(area);
        if (OnPaintFrame)
            OnPaintFrame(buffer_.Pixels(), area);
        ::GdiFlush();
        BitBlt(target, area.left, area.top, area.Width(), area.Height(), buffer_.Dc(), area.left, area.top, SRCCOPY);
    }
}

Rect TTransitionView::FrameRect(bool& natural) const {
    natural = true;
    const Rect client = ClientRect();
    if (!shownFrame_.IsEmpty())
        return ComputePlacement(shownFrame_.width, shownFrame_.height, client.Width(), client.Height(), center_);
    const Bitmap& screen = Screen();
    if (screen.IsEmpty())
        return Rect{};
    if (!stretch_)
        return Rect{placement_.left, placement_.top, placement_.left + screen.Width(),
                    placement_.top + screen.Height()};
    const Rect frame = FrameTarget(Layout());
    natural = frame.Width() == screen.Width() && frame.Height() == screen.Height();
    return frame;
}

void TTransitionView::Compose(const Rect& area) {
    bool natural = true;
    const Rect frame = FrameRect(natural);
    const Rect covered = IntersectRect(area, frame);
    if (covered != area || !natural)
        ComposeBackground(area);
    if (covered.IsEmpty())
        return;
    const BgrxPixels& pixels = buffer_.Pixels();
    const Rect source{covered.left - frame.left, covered.top - frame.top, covered.right - frame.left,
                      covered.bottom - frame.top};
    if (!shownFrame_.IsEmpty()) {
        CopyBgrx(pixels, covered.left, covered.top, shownFrame_, source);
    } else if (natural) {
        CopyToBgrx(pixels, covered.left, covered.top, Screen(), source);
    } else {
        // Stretched to another size: the platform's stretch, clipped to the area.
        HDC dc = buffer_.Dc();
        const int saved = ::SaveDC(dc);
        ::IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
        DrawBitmapTo(dc, ToRECT(frame), Screen());
        ::RestoreDC(dc, saved);
        ::GdiFlush();
    }
}

void TTransitionView::ComposeBackground(const Rect& area) {
    FillBgrx(buffer_.Pixels(), area, GetBValue(color_), GetGValue(color_), GetRValue(color_));
    if (bgPicture_.Empty() || bgMode_ == TBackgroundMode::bmNone)
        return;
    HDC dc = buffer_.Dc();
    const int saved = ::SaveDC(dc);
    ::IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    const Rect client = ClientRect();
    const int32_t bw = bgPicture_.Width(), bh = bgPicture_.Height();
    switch (bgMode_) {
        case TBackgroundMode::bmTiled:
            for (const Point& p : TilePositions(client, bw, bh))
                if (!IntersectRect(Rect{p.x, p.y, p.x + bw, p.y + bh}, area).IsEmpty())
                    bgPicture_.Draw(dc, RECT{p.x, p.y, p.x + bw, p.y + bh});
            break;
        case TBackgroundMode::bmStretched:
            bgPicture_.Draw(dc, ToRECT(client));
            break;
        case TBackgroundMode::bmCentered: {
            const Point p = CenteredOrigin(client, bw, bh);
            bgPicture_.Draw(dc, RECT{p.x, p.y, p.x + bw, p.y + bh});
            break;
        }
        case TBackgroundMode::bmNone:
            break;
    }
    ::RestoreDC(dc, saved);
    ::GdiFlush();
}

void TTransitionView::ShowFrame(const BgrxPixels& frame, const Rect& changed) {
    Show(frame, nullptr, {changed});
}

void TTransitionView::ShowFrame(const DibSection32& frame, const Rect& changed) {
    Show(frame.Pixels(), &frame, {changed});
}

void TTransitionView::ShowFrame(const DibSection32& frame, const std::vector<Rect>& changed) {
    Show(frame.Pixels(), &frame, changed);
}

void TTransitionView::Show(const BgrxPixels& frame, const DibSection32* dib, const std::vector<Rect>& changed) {
    shownDib_ = frame.IsEmpty() ? nullptr : dib;
    const bool wasShown = !shownFrame_.IsEmpty();
    const bool sameSize = wasShown && frame.width == shownFrame_.width && frame.height == shownFrame_.height;
    shownFrame_ = frame.IsEmpty() ? BgrxPixels{} : frame;
    if (!sameSize) {
        InvalidateAll();
    } else {
        bool natural = true;
        const Rect at = FrameRect(natural);
        if (dib && !OnPaintFrame && BlitNow(*dib, at, changed))
            return;
        for (const Rect& r : changed)
            InvalidateClientRect(OffsetBy(r, at));
    }
    UpdateNow();
}

// A frame that changes with every refresh goes straight to the window: an
// invalidation, a paint message and the calls around it cost a few tenths of
// a millisecond a frame under Wine. Whatever else needs painting still gets
// its paint message. The copies are flushed before returning, as the caller
// draws its next frame into the same bits.
bool TTransitionView::BlitNow(const DibSection32& dib, const Rect& at, const std::vector<Rect>& changed) {
    if (destroying_ || !window_)
        return false;
    const WindowDc dc(window_);
    if (!dc)
        return false;
    const Rect client = ClientRect();
    for (const Rect& r : changed) {
        const Rect area = IntersectRect(OffsetBy(r, at), IntersectRect(client, at));
        if (!area.IsEmpty())
            BitBlt(dc.get(), area.left, area.top, area.Width(), area.Height(), dib.Dc(), area.left - at.left,
                   area.top - at.top, SRCCOPY);
    }
    ::GdiFlush();
    return true;
}

void TTransitionView::InvalidateClientRect(const Rect& rect) {
    if (destroying_ || !window_ || rect.IsEmpty())
        return;
    const RECT r = ToRECT(rect);
    InvalidateRect(window_, &r, FALSE);
}

void TTransitionView::InvalidateAll() {
    if (window_ && !destroying_)
        InvalidateRect(window_, nullptr, FALSE);
}

void TTransitionView::SetPicture(const TGraphic& picture) {
    picture_ = picture;
    PictureChanged();
}

void TTransitionView::PictureChanged() {
    if (destroying_)
        return;
    if (!picture_.Empty() && autoSize_)
        SizeToPicture();
    if (OnChange)
        OnChange();
}

void TTransitionView::SetBgPicture(const TGraphic& picture) {
    bgPicture_ = picture;
    BgPictureChanged();
}

void TTransitionView::BgPictureChanged() {
    if (bgMode_ != TBackgroundMode::bmNone && !engine_->Painting())
        InvalidateAll();
}

void TTransitionView::SetBgMode(TBackgroundMode mode) {
    if (mode == bgMode_)
        return;
    bgMode_ = mode;
    if (!bgPicture_.Empty() && !engine_->Painting())
        InvalidateAll();
}

void TTransitionView::SetAutoSize(bool value) {
    if (value == autoSize_)
        return;
    autoSize_ = value;
    if (value)
        SizeToPicture();
}

void TTransitionView::SetCenter(bool value) {
    if (value == center_)
        return;
    center_ = value;
    if (!picture_.Empty()) {
        UpdatePlacement();
        if (!Screen().IsEmpty() && !engine_->Painting())
            InvalidateAll();
    }
}

void TTransitionView::SetStretch(bool value) {
    if (value == stretch_)
        return;
    stretch_ = value;
    if (!Screen().IsEmpty() && !engine_->Painting())
        InvalidateAll();
}

void TTransitionView::SetStretchFine(bool value) {
    if (value == stretchFine_)
        return;
    stretchFine_ = value;
    if (!Screen().IsEmpty() && !engine_->Painting())
        InvalidateAll();
}

void TTransitionView::SetColor(COLORREF color) {
    if (color == color_)
        return;
    color_ = color;
    InvalidateAll();
}

void TTransitionView::SizeToPicture() {
    if (picture_.Empty() || alignClient_ || !window_)
        return;
    SetWindowPos(window_, nullptr, 0, 0, picture_.Width(), picture_.Height(),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TTransitionView::UpdatePlacement() {
    const Bitmap& screen = Screen();
    if (screen.IsEmpty())
        return;
    const Rect client = ClientRect();
    placement_ = ComputePlacement(screen.Width(), screen.Height(), client.Width(), client.Height(), center_);
}

void TTransitionView::InvalidatePictureRect(const Rect& rect) {
    // A frame handed over with ShowFrame shows instead of Screen.
    if (destroying_ || !window_ || !shownFrame_.IsEmpty())
        return;
    const RECT r = ToRECT(MapPictureRect(rect, Layout()));
    if (r.right > r.left && r.bottom > r.top)
        InvalidateRect(window_, &r, FALSE);
}

void TTransitionView::Execute() {
    if (picture_.Empty())
        throw Error("There is no picture to show");
    Bitmap next = picture_.ToBitmap(color_);
    const uint8_t red = GetRValue(color_), green = GetGValue(color_), blue = GetBValue(color_);
    Bitmap shown = TransitionEngine::FitPicture(Screen(), next.Width(), next.Height(), center_, blue, green, red);
    engine_->Execute(std::move(shown), std::move(next));
}

// --- TransitionHost ---------------------------------------------------------

void TTransitionView::ScreenResized() {
    UpdatePlacement();
    InvalidateAll();
}

void TTransitionView::UpdateNow() {
    if (window_)
        UpdateWindow(window_);
}

void TTransitionView::ProcessMessages() {
    ProcessPendingMessages();
}

uint32_t TTransitionView::TickCount() {
    return GetTickCount();
}

void TTransitionView::RunOnMainThread(const std::function<void()>& task) {
    if (window_)
        SendMessageW(window_, kHandOverMessage, 0, reinterpret_cast<LPARAM>(&task));
}

void TTransitionView::WaitWhileHandingOver(const std::function<bool()>& done) {
    while (!done()) {
        // Only messages sent by other threads (the worker's hand-overs) are
        // handled here; posted input waits for the application's loop.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

void TTransitionView::EnterWorkerThread(ThreadPriority priority) {
    SetThreadPriority(GetCurrentThread(), ThreadPriorityValue(priority));
}

}  // namespace orlscr
