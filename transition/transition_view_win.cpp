#include "transition/transition_view_win.h"

#include <windowsx.h>

#include "common/error.h"
#include "common/win/message_pump.h"

namespace orlscr {

namespace {

const char kClassName[] = "OrlscrTransitionView";
// A worker's step, handed to the window's thread: lParam points at the task.
const UINT kHandOverMessage = WM_APP + 0x3A1;

RECT ToRECT(const Rect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
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
    // The memory DC gets its first bitmap back before either is deleted.
    paintSelection_.reset();
}

LRESULT TTransitionView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kHandOverMessage:
            (*reinterpret_cast<const std::function<void()>*>(lParam))();
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window_, &ps);
            if (!engine_->Painting() && GetCurrentThreadId() == mainThread_) {
                engine_->SetPainting(true);
                try {
                    Paint(dc);
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

void TTransitionView::Paint(HDC target) {
    const Rect client = ClientRect();
    const int width = client.Width(), height = client.Height();
    if (width <= 0 || height <= 0)
        return;
    if (!paintDc_) {
        paintDc_.reset(CreateCompatibleDC(target));
        if (!paintDc_)
            throw Error("Cannot paint the picture");
    }
    if (paintSize_.cx != width || paintSize_.cy != height || !paintBitmap_) {
        UniqueBitmap bitmap(CreateCompatibleBitmap(target, width, height));
        if (!bitmap)
            throw Error("Not enough memory to paint the picture");
        // The bitmap in use goes out of the DC before it is deleted.
        paintSelection_.reset();
        paintBitmap_ = std::move(bitmap);
        paintSelection_.emplace(paintDc_.get(), paintBitmap_.get());
        paintSize_ = SIZE{width, height};
    }

    HDC dc = paintDc_.get();
    const RECT r = ToRECT(client);
    FillRect(dc, &r, UniqueBrush(CreateSolidBrush(color_)).get());

    if (!bgPicture_.Empty()) {
        const int32_t bw = bgPicture_.Width(), bh = bgPicture_.Height();
        switch (bgMode_) {
            case TBackgroundMode::bmTiled:
                for (const Point& p : TilePositions(client, bw, bh))
                    bgPicture_.Draw(dc, RECT{p.x, p.y, p.x + bw, p.y + bh});
                break;
            case TBackgroundMode::bmStretched:
                bgPicture_.Draw(dc, r);
                break;
            case TBackgroundMode::bmCentered: {
                const Point p = CenteredOrigin(client, bw, bh);
                bgPicture_.Draw(dc, RECT{p.x, p.y, p.x + bw, p.y + bh});
                break;
            }
            case TBackgroundMode::bmNone:
                break;
        }
    }

    const Bitmap& screen = Screen();
    if (!screen.IsEmpty()) {
        const Rect frame = FrameTarget(Layout());
        if (stretch_)
            DrawBitmapTo(dc, ToRECT(frame), screen);
        else
            DrawBitmapTo(dc,
                         RECT{placement_.left, placement_.top, placement_.left + screen.Width(),
                              placement_.top + screen.Height()},
                         screen);
    }

    // The platform limits this copy to the area being repainted.
    BitBlt(target, 0, 0, width, height, dc, 0, 0, SRCCOPY);
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
    if (destroying_ || !window_)
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
