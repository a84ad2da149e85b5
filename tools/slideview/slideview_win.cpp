// The slide viewer: shows the slides of a slide list full screen, one after
// another, for ever, until it is ended from outside (the saver terminates it)
// or closed (Alt+F4). It takes the command line the saver gives the viewer it
// carries: the program, a blank, the quoted document path, a blank.
//
// Slides come in through the picture show control, each with the transition
// style its line names or one drawn at random. A slide's duration counts from
// the moment it is fully in.
//
// The window is a plain borderless window over the whole primary screen. It is
// deliberately not kept on top: the saver asks for the screen-saver password in
// a dialog of its own, which has to come up above the slides. The viewer leaves
// the cursor alone; whether it shows is the saver's decision.
//
// Lines of the list that name no usable slide, and slides that cannot be
// loaded, do not interrupt the show; they go to the test trace (ORLSCR_TRACE)
// with every slide shown.

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "common/error.h"
#include "common/random.h"
#include "common/trace.h"
#include "common/win/message_pump.h"
#include "common/win/unique.h"
#include "common/win/window.h"
#include "tools/slideview/command_line.h"
#include "tools/slideview/slide_list.h"
#include "tools/slideview/slide_picture.h"
#include "tools/slideview/slide_show.h"
#include "transition/bitmap.h"
#include "transition/transition_view_win.h"

namespace orlscr {
namespace {

constexpr char kWindowClass[] = "OrlSlideViewWindow";
constexpr UINT kStartMessage = WM_APP + 1;
constexpr UINT_PTR kSlideTimer = 1;

// Errors escaping a handler are shown on the slides' screen instead of in an
// error box: the viewer runs unattended under the saver, which ends it on the
// user's first input, so a box would never be read and would only stop the
// show behind a modal window.
class SlideViewer : public Window {
  public:
    explicit SlideViewer(std::string document)
        : Window([this](HWND, const std::string& message) { ShowMessage(CannotShowMessage(document_, message)); }),
          document_(std::move(document)) {}

    void Create() {
        WNDCLASSEXA window_class{};
        window_class.style = CS_HREDRAW | CS_VREDRAW;
        window_class.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
        window_class.hbrBackground = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
        window_class.lpszClassName = kWindowClass;
        RegisterWindowClass(window_class);
        const int width = ::GetSystemMetrics(SM_CXSCREEN);
        const int height = ::GetSystemMetrics(SM_CYSCREEN);
        CreateHandle(0, kWindowClass, "Slide show", WS_POPUP | WS_CLIPCHILDREN, 0, 0, width, height, nullptr, nullptr,
                     "Cannot create the slide window");
        HWND window = window_;
        view_ = std::make_unique<TTransitionView>(window, RECT{0, 0, width, height});
        view_->SetAlignClient(true);
        view_->SetAutoSize(false);
        view_->SetColor(RGB(0, 0, 0));
        view_->SetCenter(true);
        view_->Engine().OnComplete = [this] { SlideIsIn(); };
        ::ShowWindow(window, SW_SHOW);
        ::SetForegroundWindow(window);
        ::UpdateWindow(window);
        // The slides are read once the black window is up.
        ::PostMessageA(window, kStartMessage, 0, 0);
    }

  private:
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override {
        switch (message) {
            case kStartMessage:
                Start();
                return 0;
            case WM_TIMER:
                if (wparam == kSlideTimer)
                    NextSlide();
                return 0;
            case WM_ERASEBKGND:
                return 1;  // WM_PAINT covers every pixel
            case WM_PAINT:
                Paint();
                return 0;
            case WM_DISPLAYCHANGE:
                // Cover the new screen; the slides that follow are scaled to it.
                ::SetWindowPos(window_, nullptr, 0, 0, LOWORD(lparam), HIWORD(lparam), SWP_NOZORDER | SWP_NOACTIVATE);
                ::InvalidateRect(window_, nullptr, FALSE);
                return 0;
            case WM_SIZE:
                if (view_)
                    ::SetWindowPos(view_->Handle(), nullptr, 0, 0, LOWORD(lparam), HIWORD(lparam),
                                   SWP_NOZORDER | SWP_NOACTIVATE);
                return 0;
            case WM_DESTROY:
                ::KillTimer(window_, kSlideTimer);
                view_.reset();  // ends a running transition while the window still exists
                ::PostQuitMessage(0);
                return 0;
            default:
                return DefaultHandling(message, wparam, lparam);
        }
    }

    void Start() {
        if (document_.empty()) {
            ShowMessage("Cannot show the slides: no slide list was named on the command line");
            return;
        }
        Trace("slideview list " + document_);
        try {
            SlideList list = ReadSlideList(document_);
            for (const std::string& problem : list.problems)
                Trace("slideview problem " + problem);
            sequence_.emplace(std::move(list.slides));
        } catch (const Error& error) {
            ShowMessage(CannotShowMessage(document_, error.what()));
            return;
        }
        NextSlide();
    }

    void NextSlide() {
        ::KillTimer(window_, kSlideTimer);
        const std::optional<size_t> shown = sequence_->Current();
        RECT client;
        ::GetClientRect(window_, &client);
        Bitmap picture;
        const std::optional<size_t> next = sequence_->Advance(
            [&](const Slide& slide) {
                try {
                    return LoadSlidePicture(SlidePath(document_, slide.file_name), client.right, client.bottom);
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
        if (next == shown) {  // the only slide left: it stays
            SlideIsIn();
            return;
        }
        const Slide& slide = sequence_->Slides()[*next];
        const int32_t style = ChooseTransitionStyle(slide, kMaxSlideStyle, SharedRandom());
        Trace("slideview slide " + slide.file_name + " style " + std::to_string(style));
        view_->SetPicture(TGraphic::FromBitmap(std::move(picture)));
        view_->Engine().SetStyle(style);
        view_->Execute();  // its OnComplete calls SlideIsIn
    }

    // The slide on show has fully come in: it stays for its duration.
    void SlideIsIn() {
        if (!message_.empty() || !sequence_ || !sequence_->Current())
            return;
        const int32_t duration = sequence_->Slides()[*sequence_->Current()].duration_ms;
        ::SetTimer(window_, kSlideTimer, static_cast<UINT>(duration), nullptr);
    }

    void ShowMessage(std::string text) {
        ::KillTimer(window_, kSlideTimer);
        message_ = std::move(text);
        Trace("slideview message " + message_);
        if (view_) {
            view_->Engine().Stop();
            ::ShowWindow(view_->Handle(), SW_HIDE);
        }
        ::InvalidateRect(window_, nullptr, FALSE);
    }

    // The slides are painted by the picture control over this window; the
    // window itself shows only black, and the message when there is one.
    void Paint() {
        PaintDc paint(window_);
        RECT client;
        ::GetClientRect(window_, &client);
        ::FillRect(paint.get(), &client, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        if (!message_.empty())
            PaintMessage(paint.get(), client);
    }

    void PaintMessage(HDC dc, const RECT& client) {
        const int height = -::MulDiv(14, ::GetDeviceCaps(dc, LOGPIXELSY), 72);
        UniqueFont font(::CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                                      "Arial"));
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
    std::optional<SlideSequence> sequence_;
    std::unique_ptr<TTransitionView> view_;
    std::string message_;
};

}  // namespace
}  // namespace orlscr

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Slides are scaled to the screen's real pixels, not stretched again by
    // the system on a high-DPI screen.
    ::SetProcessDPIAware();
    try {
        orlscr::SlideViewer viewer(orlscr::DocumentFromCommandLine(::GetCommandLineA()));
        viewer.Create();
        return orlscr::RunMessageLoop();
    } catch (...) {
        return 1;
    }
}
