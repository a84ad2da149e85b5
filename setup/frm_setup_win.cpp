#include "setup/frm_setup_win.h"

#include <shellapi.h>

#include <exception>

#include "common/error.h"
#include "common/trace.h"
#include "common/win/paths.h"

namespace orlscr {
namespace {

constexpr char kClassName[] = "TfrmSetup";

constexpr int kClientWidth = 305;
constexpr int kClientHeight = 359;
// Colour values keep red in the low byte, as COLORREF does.
constexpr COLORREF kBackground = 0xE7F7FF;
constexpr COLORREF kLinkColour = 0xFF0000;  // blue

// The bands from top to bottom: the texts (145), the note (the rest), the OK
// button (55). Control positions below are inside their band.
constexpr int kTopBandHeight = 145;
constexpr int kBottomBandHeight = 55;

constexpr int kMuteId = 101;
constexpr int kEmailId = 102;
constexpr int kWebId = 103;
constexpr int kMemoId = 104;

DWORD WindowStyle() {
    // A sizeable border and a caption without system menu: no title-bar buttons.
    return WS_OVERLAPPED | WS_CAPTION | WS_THICKFRAME | WS_CLIPCHILDREN;
}
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT;

UniqueFont MakeFont(int height, int weight, bool underline) {
    return UniqueFont(::CreateFontA(height, 0, 0, 0, weight, FALSE, underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                    DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif"));
}

// 8 points at the screen's resolution, as a negative character height.
int EightPointHeight() {
    WindowDc screen(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
    return -::MulDiv(8, dpi, 72);
}

// The note memo's procedure. The dialog manager lets a multi-line edit have
// every key, and the edit answers Esc by posting WM_CLOSE to the dialog, which
// would close it without OK. The memo leaves Esc to the dialog manager, which
// turns it into IDCANCEL, which the dialog ignores.
constexpr char kEditProcProperty[] = "OrlscrEditProc";

LRESULT CALLBACK NoteProc(HWND memo, UINT message, WPARAM wParam, LPARAM lParam) {
    auto editProc = reinterpret_cast<WNDPROC>(::GetPropA(memo, kEditProcProperty));
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(memo, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editProc));
        ::RemovePropA(memo, kEditProcProperty);
    }
    LRESULT result = ::CallWindowProcA(editProc, memo, message, wParam, lParam);
    if (message == WM_GETDLGCODE && wParam == VK_ESCAPE)
        result &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTMESSAGE);
    return result;
}

}  // namespace

TfrmSetup::TfrmSetup(const std::string& programPath, SetupForm::RecordReader readRecord)
    : readRecord_(std::move(readRecord)),
      language_(ProgramFolder(programPath, IsSystemLeadByte) + kLanguageFileName),
      settings_(ProgramFolder(programPath, IsSystemLeadByte) + kSettingsFileName) {
    background_.reset(::CreateSolidBrush(kBackground));
    const int height = EightPointHeight();
    font_ = MakeFont(height, FW_NORMAL, false);
    titleFont_ = MakeFont(-13, FW_BOLD, false);
    linkFont_ = MakeFont(height, FW_NORMAL, true);
    handCursor_ = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND));

    WNDCLASSEXA windowClass{};
    windowClass.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = background_.get();
    windowClass.lpszClassName = kClassName;
    RegisterWindowClass(windowClass);

    RECT frame{0, 0, kClientWidth, kClientHeight};
    ::AdjustWindowRectEx(&frame, WindowStyle(), FALSE, kWindowExStyle);
    const int width = frame.right - frame.left;
    const int windowHeight = frame.bottom - frame.top;
    const int left = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (::GetSystemMetrics(SM_CYSCREEN) - windowHeight) / 2;
    CreateHandle({.className = kClassName,
                  .caption = form_.Captions().caption.c_str(),
                  .style = WindowStyle(),
                  .exStyle = kWindowExStyle,
                  .x = left,
                  .y = top,
                  .width = width,
                  .height = windowHeight,
                  .failureMessage = "Cannot create the settings window"});

    CreateControls();
    Guarded([&] { FormCreate(); });
    UpdateControls();
}

TfrmSetup::~TfrmSetup() {
    Destroy();
    ::UnregisterClassA(kClassName, ::GetModuleHandleA(nullptr));
}

void TfrmSetup::CreateControls() {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    auto make = [&](const char* className, DWORD style, int x, int y, int width, int height, int id, HFONT font) {
        HWND control = ::CreateWindowExA(0, className, "", WS_CHILD | style, x, y, width, height, window_,
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return control;
    };
    // Labels size themselves to their captions (AutoSizeLabel); '&' in a
    // package's texts is shown as it is.
    const DWORD label = WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
    lblTitle_ = make("STATIC", label, 29, 23, 0, 0, 0, titleFont_.get());
    lblAuthor_ = make("STATIC", label, 29, 44, 0, 0, 0, font_.get());
    // The music switch exists for its state only and is never shown.
    cbMute_ = make("BUTTON", BS_AUTOCHECKBOX, 24, 72, 97, 17, kMuteId, font_.get());
    lblEmail_ = make("STATIC", label | SS_NOTIFY, 29, 106, 0, 0, kEmailId, linkFont_.get());
    lblWeb_ = make("STATIC", label | SS_NOTIFY, 29, 127, 0, 0, kWebId, linkFont_.get());
    memo_ = make("EDIT", WS_VISIBLE | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 10, kTopBandHeight + 8, 287, 102,
                 kMemoId, font_.get());
    ::SetPropA(memo_, kEditProcProperty,
               reinterpret_cast<HANDLE>(::SetWindowLongPtrA(memo_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(NoteProc))));
    OKButton_ = make("BUTTON", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 216, kClientHeight - kBottomBandHeight + 16,
                     75, 25, IDOK, font_.get());
}

void TfrmSetup::LayOut(int clientHeight) {
    // The bottom band stays at the bottom edge when the window is resized.
    if (OKButton_)
        ::SetWindowPos(OKButton_, nullptr, 216, clientHeight - kBottomBandHeight + 16, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfrmSetup::UpdateControls() {
    const SetupCaptions& captions = form_.Captions();
    ::SetWindowTextA(window_, captions.caption.c_str());
    ::SetWindowTextA(lblTitle_, captions.lblTitle.c_str());
    ::SetWindowTextA(lblAuthor_, captions.lblAuthor.c_str());
    ::SetWindowTextA(lblEmail_, captions.lblEmail.c_str());
    ::SetWindowTextA(lblWeb_, captions.lblWeb.c_str());
    ::SetWindowTextA(OKButton_, captions.OKButton.c_str());
    ::SetWindowTextA(cbMute_, captions.cbMute.c_str());
    ::SetWindowTextA(memo_, captions.note.c_str());
    ::SendMessageA(cbMute_, BM_SETCHECK, form_.MuteChecked() ? BST_CHECKED : BST_UNCHECKED, 0);
    for (HWND label : {lblTitle_, lblAuthor_, lblEmail_, lblWeb_})
        AutoSizeLabel(label);
}

void TfrmSetup::AutoSizeLabel(HWND label) {
    const int length = ::GetWindowTextLengthA(label);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    ::GetWindowTextA(label, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));

    WindowDc dc(label);
    SelectedObject font(dc.get(), reinterpret_cast<HGDIOBJ>(::SendMessageA(label, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics{};
    ::GetTextMetricsA(dc.get(), &metrics);
    RECT bounds{0, 0, 0, 0};
    if (!text.empty())
        ::DrawTextA(dc.get(), text.c_str(), length, &bounds, DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
    const int height = bounds.bottom > metrics.tmHeight ? bounds.bottom : metrics.tmHeight;
    ::SetWindowPos(label, nullptr, 0, 0, bounds.right, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(label, nullptr, TRUE);
}

void TfrmSetup::Show() {
    Guarded([&] { FormShow(); });
    UpdateControls();
    ::ShowWindow(window_, SW_SHOWNORMAL);
    ::UpdateWindow(window_);
    ::SetForegroundWindow(window_);
    ::SetFocus(OKButton_);
}

// For the handlers that run outside the window procedure (FormCreate and
// FormShow, called from the constructor and Show): the same standard error
// box as for those inside it.
template <typename Handler>
void TfrmSetup::Guarded(Handler handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ShowStandardErrorBox(window_, error.what());
    } catch (...) {
        ShowStandardErrorBox(window_, "Unknown error");
    }
}

void TfrmSetup::FormCreate() {
    form_.FormCreate(language_);
    ::ShowWindow(cbMute_, SW_HIDE);
}

void TfrmSetup::FormShow() {
    form_.FormShow(readRecord_, settings_);
    Trace("setup shown caption=" + form_.Captions().caption);
}

void TfrmSetup::OKButtonClick() {
    form_.OKButtonClick(settings_);
    ::PostMessageA(window_, WM_CLOSE, 0, 0);
}

void TfrmSetup::cbMuteClick() {
    form_.SetMuteChecked(::SendMessageA(cbMute_, BM_GETCHECK, 0, 0) == BST_CHECKED);
    form_.cbMuteClick();
}

void TfrmSetup::OpenLink(const std::string& target) {
    Trace("setup open " + target);
    ::ShellExecuteA(window_, "open", target.c_str(), nullptr, nullptr, SW_SHOW);
}

void TfrmSetup::lblEmailClick() {
    OpenLink(form_.lblEmailClick());
}

void TfrmSetup::lblWebClick() {
    OpenLink(form_.lblWebClick());
}

void TfrmSetup::lblEmailMouseEnter() {
    overAddress_ = true;
    Trace("setup cursor hand");
}

void TfrmSetup::lblEmailMouseLeave() {
    overAddress_ = false;
    Trace("setup cursor default");
}

LRESULT TfrmSetup::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            const int code = HIWORD(wParam);
            if (id == IDOK) {
                OKButtonClick();
            } else if (id == kMuteId && code == BN_CLICKED) {
                cbMuteClick();
            } else if (id == kEmailId && code == STN_CLICKED) {
                lblEmailClick();
            } else if (id == kWebId && code == STN_CLICKED) {
                lblWebClick();
            }
            // IDCANCEL (Escape) does nothing: only OK closes the dialog.
            if (id == IDCANCEL)
                Trace("setup cancel ignored");
            return 0;
        }
        case DM_GETDEFID:
            return MAKELRESULT(IDOK, DC_HASDEFID);
        case WM_SETCURSOR: {
            // Both address labels share the enter and leave handlers; while the
            // pointer is over one of them the hand cursor shows.
            const bool over = IsAddressLabel(reinterpret_cast<HWND>(wParam));
            if (over != overAddress_) {
                if (over)
                    lblEmailMouseEnter();
                else
                    lblEmailMouseLeave();
            }
            if (overAddress_ && LOWORD(lParam) == HTCLIENT && handCursor_) {
                ::SetCursor(handCursor_);
                return TRUE;
            }
            break;
        }
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            HWND control = reinterpret_cast<HWND>(lParam);
            ::SetTextColor(dc, IsAddressLabel(control) ? kLinkColour : ::GetSysColor(COLOR_WINDOWTEXT));
            ::SetBkColor(dc, kBackground);
            // Labels are transparent; the read-only note paints its own background.
            ::SetBkMode(dc, control == memo_ ? OPAQUE : TRANSPARENT);
            return reinterpret_cast<LRESULT>(background_.get());
        }
        case WM_CTLCOLORBTN:
            return reinterpret_cast<LRESULT>(background_.get());
        case WM_SIZE:
            LayOut(HIWORD(lParam));
            return 0;
        case WM_SETFOCUS:
            if (OKButton_)
                ::SetFocus(OKButton_);
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefaultHandling(message, wParam, lParam);
}

}  // namespace orlscr
