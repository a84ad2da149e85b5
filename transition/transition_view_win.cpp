#include "transition/transition_view_win.h"

#include <windowsx.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "common/error.h"
#include "common/win/message_pump.h"
#include "transition/picture_decode.h"

namespace orlscr {

namespace {

const char kClassName[] = "OrlscrTransitionView";
// A worker's step, handed to the window's thread: lParam points at the task.
const UINT kHandOverMessage = WM_APP + 0x3A1;

BITMAPINFO BitmapInfoFor(const Bitmap& bitmap) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = bitmap.Width();
    info.bmiHeader.biHeight = -bitmap.Height();  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// Draws a Bitmap into `target` of `dc`, stretched with nearest pixels.
void DrawBitmapTo(HDC dc, const RECT& target, const Bitmap& bitmap) {
    if (bitmap.IsEmpty())
        return;
    BITMAPINFO info = BitmapInfoFor(bitmap);
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, target.left, target.top, target.right - target.left, target.bottom - target.top, 0, 0,
                  bitmap.Width(), bitmap.Height(), bitmap.Bits(), &info, DIB_RGB_COLORS, SRCCOPY);
}

RECT ToRECT(const Rect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

uint32_t ReadU32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

}  // namespace

// ---------------------------------------------------------------------------
// TGraphic

struct TGraphic::Content {
    Kind kind = Kind::kNone;
    Bitmap bitmap;
    HICON icon = nullptr;
    HENHMETAFILE metafile = nullptr;
    int32_t width = 0;
    int32_t height = 0;

    ~Content() {
        if (icon)
            DestroyIcon(icon);
        if (metafile)
            DeleteEnhMetaFile(metafile);
    }
};

TGraphic TGraphic::FromBitmap(Bitmap bitmap) {
    auto content = std::make_shared<Content>();
    content->kind = Kind::kBitmap;
    content->width = bitmap.Width();
    content->height = bitmap.Height();
    content->bitmap = std::move(bitmap);
    TGraphic graphic;
    graphic.content_ = std::move(content);
    return graphic;
}

TGraphic TGraphic::FromIcon(HICON icon) {
    auto content = std::make_shared<Content>();
    content->kind = Kind::kIcon;
    content->icon = icon;
    ICONINFO info{};
    if (icon && GetIconInfo(icon, &info)) {
        BITMAP bm{};
        HBITMAP sizeSource = info.hbmColor ? info.hbmColor : info.hbmMask;
        if (GetObject(sizeSource, sizeof bm, &bm)) {
            content->width = bm.bmWidth;
            // A monochrome icon's mask holds the AND and the XOR halves.
            content->height = info.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
        }
        if (info.hbmColor)
            DeleteObject(info.hbmColor);
        if (info.hbmMask)
            DeleteObject(info.hbmMask);
    }
    TGraphic graphic;
    graphic.content_ = std::move(content);
    return graphic;
}

TGraphic TGraphic::FromEnhMetafile(HENHMETAFILE metafile) {
    auto content = std::make_shared<Content>();
    content->kind = Kind::kMetafile;
    content->metafile = metafile;
    ENHMETAHEADER header{};
    if (metafile && GetEnhMetaFileHeader(metafile, sizeof header, &header)) {
        // The picture frame is in 0.01 mm (both edges included); the size in
        // pixels is that of the reference device the metafile was made for.
        const LONG frameWidth = header.rclFrame.right - header.rclFrame.left + 1;
        const LONG frameHeight = header.rclFrame.bottom - header.rclFrame.top + 1;
        const LONG umWidth = header.szlMicrometers.cx > 0 ? header.szlMicrometers.cx : header.szlMillimeters.cx * 1000;
        const LONG umHeight = header.szlMicrometers.cy > 0 ? header.szlMicrometers.cy : header.szlMillimeters.cy * 1000;
        if (umWidth > 0 && umHeight > 0 && frameWidth > 1 && frameHeight > 1) {
            content->width = MulDiv(frameWidth * 10, header.szlDevice.cx, umWidth);
            content->height = MulDiv(frameHeight * 10, header.szlDevice.cy, umHeight);
        } else {
            content->width = header.rclBounds.right - header.rclBounds.left + 1;
            content->height = header.rclBounds.bottom - header.rclBounds.top + 1;
        }
    }
    TGraphic graphic;
    graphic.content_ = std::move(content);
    return graphic;
}

TGraphic TGraphic::FromFileBytes(const std::vector<uint8_t>& bytes) {
    const size_t size = bytes.size();
    if (IsJpeg(bytes.data(), size) || IsBmp(bytes.data(), size))
        return FromBitmap(DecodePicture(bytes));
    // Enhanced metafile: record type 1 with the signature " EMF" at offset 40.
    if (size >= 88 && ReadU32(bytes, 0) == 1 && ReadU32(bytes, 40) == 0x464D4520) {
        HENHMETAFILE metafile = SetEnhMetaFileBits(static_cast<UINT>(size), bytes.data());
        if (!metafile)
            throw Error("The metafile is damaged");
        return FromEnhMetafile(metafile);
    }
    // Placeable metafile: a 22-byte header with the picture's size, then a
    // Windows metafile.
    if (size > 22 + 18 && ReadU32(bytes, 0) == 0x9AC6CDD7u) {
        const int16_t left = static_cast<int16_t>(bytes[6] | bytes[7] << 8);
        const int16_t top = static_cast<int16_t>(bytes[8] | bytes[9] << 8);
        const int16_t right = static_cast<int16_t>(bytes[10] | bytes[11] << 8);
        const int16_t bottom = static_cast<int16_t>(bytes[12] | bytes[13] << 8);
        int inch = bytes[14] | bytes[15] << 8;
        if (inch <= 0)
            inch = 1440;
        METAFILEPICT picture{};
        picture.mm = MM_ANISOTROPIC;
        picture.xExt = MulDiv(right - left, 2540, inch);  // 0.01 mm
        picture.yExt = MulDiv(bottom - top, 2540, inch);
        HENHMETAFILE metafile = SetWinMetaFileBits(static_cast<UINT>(size - 22), bytes.data() + 22, nullptr, &picture);
        if (!metafile)
            throw Error("The metafile is damaged");
        return FromEnhMetafile(metafile);
    }
    // Icon file: reserved 0, type 1, then a directory; the first image is taken.
    if (size >= 6 + 16 && bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 1 && bytes[3] == 0 && (bytes[4] | bytes[5])) {
        const uint32_t imageSize = ReadU32(bytes, 6 + 8);
        const uint32_t imageOffset = ReadU32(bytes, 6 + 12);
        if (imageOffset > size || imageSize > size - imageOffset || imageSize == 0)
            throw Error("The icon is damaged");
        const int width = bytes[6] ? bytes[6] : 256;
        const int height = bytes[7] ? bytes[7] : 256;
        HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(bytes.data() + imageOffset), imageSize, TRUE,
                                              0x00030000, width, height, LR_DEFAULTCOLOR);
        if (!icon)
            throw Error("The icon is damaged");
        return FromIcon(icon);
    }
    throw Error("The file is not a picture (JPEG, BMP, icon or metafile)");
}

TGraphic TGraphic::FromFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw Error("Cannot open file " + path);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return FromFileBytes(bytes);
}

TGraphic::Kind TGraphic::GetKind() const {
    return content_ ? content_->kind : Kind::kNone;
}

int32_t TGraphic::Width() const {
    return content_ ? content_->width : 0;
}

int32_t TGraphic::Height() const {
    return content_ ? content_->height : 0;
}

void TGraphic::Draw(HDC dc, const RECT& rect) const {
    if (!content_)
        return;
    switch (content_->kind) {
        case Kind::kBitmap:
            DrawBitmapTo(dc, rect, content_->bitmap);
            break;
        case Kind::kIcon:
            DrawIconEx(dc, rect.left, rect.top, content_->icon, rect.right - rect.left, rect.bottom - rect.top, 0,
                       nullptr, DI_NORMAL);
            break;
        case Kind::kMetafile:
            PlayEnhMetaFile(dc, content_->metafile, &rect);
            break;
        case Kind::kNone:
            break;
    }
}

Bitmap TGraphic::ToBitmap(COLORREF background) const {
    if (Empty())
        return Bitmap();
    if (content_->kind == Kind::kBitmap)
        return content_->bitmap;
    Bitmap bitmap(Width(), Height());
    BITMAPINFO info = BitmapInfoFor(bitmap);
    void* bits = nullptr;
    HDC screenDc = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screenDc);
    ReleaseDC(nullptr, screenDc);
    HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dc || !section || !bits) {
        if (section)
            DeleteObject(section);
        if (dc)
            DeleteDC(dc);
        throw Error("Not enough memory for the picture");
    }
    HGDIOBJ old = SelectObject(dc, section);
    RECT all{0, 0, Width(), Height()};
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    Draw(dc, all);
    GdiFlush();
    std::memcpy(bitmap.Bits(), bits, static_cast<size_t>(bitmap.Stride()) * bitmap.Height());
    SelectObject(dc, old);
    DeleteObject(section);
    DeleteDC(dc);
    return bitmap;
}

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
    CreateHandle(0, kClassName, "", style, bounds.left, bounds.top, bounds.right - bounds.left,
                 bounds.bottom - bounds.top, parent, parent ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)) : nullptr,
                 "Cannot create the picture window");
}

TTransitionView::~TTransitionView() {
    destroying_ = true;
    // The worker hands its steps to the window: end it while the window exists.
    engine_->Shutdown();
    if (window_)
        DestroyWindow(window_);
    // The memory DC gets its first bitmap back before either is deleted.
    if (paintDc_)
        SelectObject(paintDc_.get(), paintOldBitmap_);
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
        HGDIOBJ previous = SelectObject(paintDc_.get(), bitmap.get());
        if (!paintOldBitmap_)
            paintOldBitmap_ = previous;
        paintBitmap_ = std::move(bitmap);
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
