#include "tools/studio/studio_window_win.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>

#include "builder/folder.h"
#include "builder/system_text.h"
#include "common/c_file.h"
#include "common/error.h"
#include "common/trace.h"
#include "common/win/win32_error.h"
#include "picture/load.h"
#include "picture/picture_win.h"
#include "raster/bitmap.h"
#include "tools/studio/install_win.h"
#include "tools/studio/project_file.h"
#include "tools/studio/studio_resources.h"
#include "transition/transition_view_win.h"

namespace orlscr::studio {

namespace {

using mkscr::Narrow;
using mkscr::Widen;

constexpr const char* kClassName = "OrlscrStudio";
constexpr const wchar_t* kTitle = L"orlscr Studio";

constexpr UINT kThumbnailMessage = WM_APP + 1;
constexpr UINT kProgressMessage = WM_APP + 2;
constexpr UINT kBuiltMessage = WM_APP + 3;
constexpr UINT_PTR kPreviewTimer = 1;
constexpr UINT_PTR kPreviewProcessTimer = 2;
constexpr UINT_PTR kPreviewResizeTimer = 3;

// Thumbnails and the transition preview, in device-independent pixels.
constexpr int kThumbWidth = 120;
constexpr int kThumbHeight = 90;
constexpr int kWaitingImage = 0;
constexpr int kRefusedImage = 1;

enum ControlId : int {
    kSlidesGroup = 100,
    kSlideList,
    kAddPictures,
    kAddFolder,
    kSubfolders,
    kRemove,
    kMoveUp,
    kMoveDown,
    kSlideLabel,
    kSlideSecondsLabel,
    kSlideSeconds,
    kSlideStyleLabel,
    kSlideStyle,
    kSlideNote,

    kShowGroup = 200,
    kOrderLabel,
    kOrder,
    kFitLabel,
    kFit,
    kSecondsLabel,
    kSeconds,
    kTransitionLabel,
    kTransitionMs,
    kStyleLabel,
    kStyle,
    kTransitionView,

    kMusicGroup = 300,
    kMusicList,
    kAddMusic,
    kRemoveMusic,
    kMusicOrderLabel,
    kMusicOrder,
    kMute,

    kSaverGroup = 400,
    kTitleLabel,
    kTitleEdit,
    kAuthorLabel,
    kAuthor,
    kEmailLabel,
    kEmail,
    kWebLabel,
    kWeb,
    kEndsLabel,
    kExitMove,
    kExitClick,
    kExitKey,
    kShowCursor,
    kPreviewPictureLabel,
    kPreviewPicture,
    kChoosePreview,

    kReport = 500,
    kProgress,
    kCancel,
    kPreview,
    kBuild,
    kInstall,
    kSaveProject,

    // Keyboard shortcuts without a button of their own.
    kAddFolderKey = 600,
    kAddMusicKey,
    kMoveUpKey,
    kMoveDownKey,
    kOpenKey,
};

struct ControlEntry {
    int id;
    const wchar_t* cls;
    const wchar_t* text;
    DWORD style;
    DWORD exStyle = 0;
};

constexpr DWORD kTab = WS_TABSTOP;
constexpr DWORD kButton = kTab | BS_PUSHBUTTON;
constexpr DWORD kCheck = kTab | BS_AUTOCHECKBOX;
constexpr DWORD kCombo = kTab | CBS_DROPDOWNLIST | WS_VSCROLL;
constexpr DWORD kEdit = kTab | ES_AUTOHSCROLL;
constexpr DWORD kNumber = kTab | ES_AUTOHSCROLL | ES_NUMBER;

// In tab order.
const ControlEntry kControls[] = {
    {kSlidesGroup, WC_STATICW, L"&Slides", SS_LEFT},
    {kSlideList, WC_LISTVIEWW, L"", kTab | LVS_ICON | LVS_SHOWSELALWAYS | LVS_AUTOARRANGE, WS_EX_CLIENTEDGE},
    {kAddPictures, WC_BUTTONW, L"&Add pictures...", kButton},
    {kAddFolder, WC_BUTTONW, L"Add &folder...", kButton},
    {kSubfolders, WC_BUTTONW, L"With su&bfolders", kCheck},
    {kRemove, WC_BUTTONW, L"&Remove", kButton},
    {kMoveUp, WC_BUTTONW, L"Move &up", kButton},
    {kMoveDown, WC_BUTTONW, L"Move do&wn", kButton},
    {kSlideLabel, WC_STATICW, L"This slide:", SS_LEFT},
    {kSlideSecondsLabel, WC_STATICW, L"Sta&ys (s):", SS_LEFT},
    {kSlideSeconds, WC_EDITW, L"", kNumber, WS_EX_CLIENTEDGE},
    {kSlideStyleLabel, WC_STATICW, L"Transitio&n:", SS_LEFT},
    {kSlideStyle, WC_COMBOBOXW, L"", kCombo},
    {kSlideNote, WC_STATICW, L"", SS_LEFT | SS_ENDELLIPSIS},

    {kShowGroup, WC_STATICW, L"Show", SS_LEFT},
    {kOrderLabel, WC_STATICW, L"&Order:", SS_LEFT},
    {kOrder, WC_COMBOBOXW, L"", kCombo},
    {kFitLabel, WC_STATICW, L"Fi&t:", SS_LEFT},
    {kFit, WC_COMBOBOXW, L"", kCombo},
    {kSecondsLabel, WC_STATICW, L"Slide stays (s):", SS_LEFT},
    {kSeconds, WC_EDITW, L"", kNumber, WS_EX_CLIENTEDGE},
    {kTransitionLabel, WC_STATICW, L"Transition (ms):", SS_LEFT},
    {kTransitionMs, WC_EDITW, L"", kNumber, WS_EX_CLIENTEDGE},
    {kStyleLabel, WC_STATICW, L"Sty&le:", SS_LEFT},
    {kStyle, WC_COMBOBOXW, L"", kCombo},

    {kMusicGroup, WC_STATICW, L"Music", SS_LEFT},
    {kMusicList, WC_LISTBOXW, L"", kTab | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL, WS_EX_CLIENTEDGE},
    {kAddMusic, WC_BUTTONW, L"Add musi&c...", kButton},
    {kRemoveMusic, WC_BUTTONW, L"Remove trac&k", kButton},
    {kMusicOrderLabel, WC_STATICW, L"Play:", SS_LEFT},
    {kMusicOrder, WC_COMBOBOXW, L"", kCombo},
    {kMute, WC_BUTTONW, L"Mut&e", kCheck},

    {kSaverGroup, WC_STATICW, L"Saver", SS_LEFT},
    {kTitleLabel, WC_STATICW, L"T&itle:", SS_LEFT},
    {kTitleEdit, WC_EDITW, L"", kEdit, WS_EX_CLIENTEDGE},
    {kAuthorLabel, WC_STATICW, L"Aut&hor:", SS_LEFT},
    {kAuthor, WC_EDITW, L"", kEdit, WS_EX_CLIENTEDGE},
    {kEmailLabel, WC_STATICW, L"E-&mail:", SS_LEFT},
    {kEmail, WC_EDITW, L"", kEdit, WS_EX_CLIENTEDGE},
    {kWebLabel, WC_STATICW, L"Web:", SS_LEFT},
    {kWeb, WC_EDITW, L"", kEdit, WS_EX_CLIENTEDGE},
    {kEndsLabel, WC_STATICW, L"Ends on:", SS_LEFT},
    {kExitMove, WC_BUTTONW, L"Mouse mo&ve", kCheck},
    {kExitClick, WC_BUTTONW, L"Click", kCheck},
    {kExitKey, WC_BUTTONW, L"Key", kCheck},
    {kShowCursor, WC_BUTTONW, L"Show the cursor", kCheck},
    {kPreviewPictureLabel, WC_STATICW, L"Preview in the display settings:", SS_LEFT},
    {kPreviewPicture, WC_STATICW, L"", SS_LEFT | SS_ENDELLIPSIS},
    {kChoosePreview, WC_BUTTONW, L"Picture...", kButton},

    {kReport, WC_EDITW, L"", kTab | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL, WS_EX_CLIENTEDGE},
    {kProgress, PROGRESS_CLASSW, L"", 0},
    {kCancel, WC_BUTTONW, L"Cancel", kButton},
    {kSaveProject, WC_BUTTONW, L"Save pro&ject", kButton},
    {kPreview, WC_BUTTONW, L"&Preview", kButton},
    {kBuild, WC_BUTTONW, L"Buil&d...", kButton},
    {kInstall, WC_BUTTONW, L"Install for me", kButton},
};

std::wstring TextOf(HWND control) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

void AddItems(HWND combo, std::initializer_list<const wchar_t*> items) {
    for (const wchar_t* item : items)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
}

int ComboIndex(HWND combo) {
    return static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
}

void SetComboIndex(HWND combo, int index) {
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

bool Checked(HWND button) {
    return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetChecked(HWND button, bool on) {
    SendMessageW(button, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

// A whole number of an edit box, or nothing when it is empty or not one.
std::optional<int64_t> NumberOf(HWND edit) {
    const std::wstring text = TextOf(edit);
    if (text.empty() || text.size() > 12)
        return std::nullopt;
    return std::wcstoll(text.c_str(), nullptr, 10);
}

std::wstring SecondsText(std::optional<int32_t> ms) {
    return ms ? std::to_wstring((*ms + 500) / 1000) : std::wstring();
}

// A 24-bit device-independent bitmap of the picture, for an image list.
UniqueBitmap ToDib(const Bitmap& picture) {
    const BITMAPINFO info = TopDownBitmapInfo(picture.Width(), picture.Height(), 24);
    void* bits = nullptr;
    UniqueBitmap dib(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (dib && bits)
        std::memcpy(bits, picture.Bits(), static_cast<size_t>(picture.Stride()) * picture.Height());
    return dib;
}

Bitmap Filled(int width, int height, uint8_t b, uint8_t g, uint8_t r) {
    Bitmap bitmap(width, height);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = bitmap.Row(y);
        for (int x = 0; x < width; ++x) {
            // A frame of a lighter shade, so the placeholder reads as a picture's place.
            const bool edge = x < 2 || y < 2 || x >= width - 2 || y >= height - 2;
            row[3 * x] = edge ? 200 : b;
            row[3 * x + 1] = edge ? 200 : g;
            row[3 * x + 2] = edge ? 200 : r;
        }
    }
    return bitmap;
}

// The standard file dialogs' list of file names: one path, or a folder then names.
std::vector<std::string> ChosenFiles(const std::vector<wchar_t>& buffer) {
    std::vector<std::wstring> parts;
    for (const wchar_t* p = buffer.data(); *p; p += std::wcslen(p) + 1)
        parts.emplace_back(p);
    std::vector<std::string> paths;
    if (parts.size() == 1) {
        paths.push_back(Narrow(parts[0]));
    } else {
        for (size_t i = 1; i < parts.size(); ++i)
            paths.push_back(Narrow(parts[0] + L"\\" + parts[i]));
    }
    return paths;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    if (text.size() < tail.size())
        return false;
    return std::equal(
        tail.begin(), tail.end(), text.end() - static_cast<std::ptrdiff_t>(tail.size()), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        });
}

std::string ReadWholeFile(const std::string& path) {
    UniqueCFile file(mkscr::OpenForReading(path));
    if (!file)
        throw Error("Cannot read '" + path + "'");
    std::string bytes;
    char buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;)
        bytes.append(buffer, n);
    return bytes;
}

bool IsProjectFile(const std::string& path) {
    if (EndsWith(path, kProjectExtension))
        return true;
    UniqueCFile file(mkscr::OpenForReading(path));
    char head[64] = {};
    return file && std::fread(head, 1, sizeof head - 1, file.get()) > 0 && LooksLikeProject(head);
}

UINT WindowDpi(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpi = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpi && window)
        if (UINT dpi = getDpi(window))
            return dpi;
    const WindowDc screen(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

// The system's message font at `dpi`.
UniqueFont MessageFont(UINT dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    using ForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
    static const auto forDpi = reinterpret_cast<ForDpiFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SystemParametersInfoForDpi")));
    if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) {
        return UniqueFont(CreateFontIndirectW(&metrics.lfMessageFont));
    }
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    // The system's answer is at the system's DPI; bring it to this window's.
    const UINT systemDpi = WindowDpi(nullptr);
    metrics.lfMessageFont.lfHeight =
        MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi), static_cast<int>(systemDpi));
    return UniqueFont(CreateFontIndirectW(&metrics.lfMessageFont));
}

void TraceLine(const std::string& line) {
    Trace("studio " + line);
}

}  // namespace

StudioWindow::StudioWindow(std::string programFolder)
    : Window([](HWND window, const std::string& message) {
          MessageBoxW(window, Widen(message).c_str(), kTitle, MB_OK | MB_ICONERROR);
      }),
      programFolder_(std::move(programFolder)) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /* IDC_ARROW */);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.hIcon = LoadIconW(windowClass.hInstance, MAKEINTRESOURCEW(kAppIconResource));
    windowClass.lpszClassName = kClassName;
    RegisterWindowClass(windowClass);
    CreateHandle(WindowParams{.className = kClassName,
                              .caption = "orlscr Studio",
                              .style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                              .exStyle = WS_EX_CONTROLPARENT | WS_EX_ACCEPTFILES,
                              .x = CW_USEDEFAULT,
                              .y = CW_USEDEFAULT,
                              .width = CW_USEDEFAULT,
                              .height = CW_USEDEFAULT,
                              .failureMessage = "Cannot create the studio's window"});
    SetWindowTextW(window_, kTitle);
    dpi_ = WindowDpi(window_);
    CreateControls();
    ApplyDpi(dpi_);
    // 1040 x 660 at 96 DPI, kept on the work area.
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = std::min(Scale(1040), static_cast<int>(work.right - work.left));
    const int height = std::min(Scale(660), static_cast<int>(work.bottom - work.top));
    SetWindowPos(window_, nullptr, work.left, work.top, width, height, SWP_NOZORDER);

    ACCEL keys[] = {
        {FCONTROL | FVIRTKEY, 'O', kOpenKey},         {FCONTROL | FSHIFT | FVIRTKEY, 'O', kAddFolderKey},
        {FCONTROL | FVIRTKEY, 'M', kAddMusicKey},     {FCONTROL | FVIRTKEY, VK_UP, kMoveUpKey},
        {FCONTROL | FVIRTKEY, VK_DOWN, kMoveDownKey}, {FVIRTKEY, VK_F5, kPreview},
        {FCONTROL | FVIRTKEY, 'B', kBuild},           {FCONTROL | FVIRTKEY, 'I', kInstall},
        {FCONTROL | FVIRTKEY, 'S', kSaveProject},
    };
    accelerators_ = CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys)));
    thumbnailer_ = std::make_unique<Thumbnailer>(window_, kThumbnailMessage);
    FillControls();
    RefreshSlides();
    UpdateButtons();
    SetStatus(
        L"Add pictures (Ctrl+O) or a folder of them (Ctrl+Shift+O), or drop them here. F5 previews the show, "
        L"Ctrl+B builds the screen saver, Ctrl+I installs it for you, Ctrl+S saves the project.");
    ShowWindow(window_, SW_SHOWNORMAL);
    SetFocus(Control(kSlideList));
}

StudioWindow::~StudioWindow() {
    cancel_ = true;
    if (buildThread_.joinable())
        buildThread_.join();
    thumbnailer_.reset();
    transitionView_.reset();
    Destroy();
    if (images_)
        ImageList_Destroy(images_);
    if (accelerators_)
        DestroyAcceleratorTable(accelerators_);
}

void StudioWindow::WindowDestroyed() {
    PostQuitMessage(0);
}

void StudioWindow::CreateControls() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    for (const ControlEntry& entry : kControls) {
        CreateWindowExW(entry.exStyle, entry.cls, entry.text, WS_CHILD | WS_VISIBLE | entry.style, 0, 0, 0, 0, window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)), instance, nullptr);
    }
    AddItems(Control(kOrder), {L"As listed", L"Natural name order", L"Date taken", L"Shuffled on every run"});
    AddItems(Control(kFit), {L"Whole picture", L"Fill the screen"});
    AddItems(Control(kMusicOrder), {L"In list order", L"At random", L"At random, each once"});
    AddItems(Control(kStyle), {L"Random"});
    AddItems(Control(kSlideStyle), {L"As the show"});
    for (int style = 0; style <= kMaxSlideStyle; ++style) {
        const std::wstring name = L"Style " + std::to_wstring(style);
        AddItems(Control(kStyle), {name.c_str()});
        AddItems(Control(kSlideStyle), {name.c_str()});
    }
    for (int id : {kSeconds, kSlideSeconds})
        SendMessageW(Control(id), EM_SETLIMITTEXT, 5, 0);
    SendMessageW(Control(kTransitionMs), EM_SETLIMITTEXT, 6, 0);
    ShowWindow(Control(kProgress), SW_HIDE);
    ShowWindow(Control(kCancel), SW_HIDE);
    ListView_SetExtendedListViewStyle(Control(kSlideList), LVS_EX_DOUBLEBUFFER);

    transitionView_ = std::make_unique<TTransitionView>(window_, RECT{0, 0, 10, 10}, kTransitionView);
    transitionView_->SetAutoSize(false);
    transitionView_->SetStretch(true);
    transitionView_->SetStretchFine(true);
    transitionView_->SetCenter(true);
    transitionView_->SetBgMode(TBackgroundMode::bmNone);
    transitionView_->Engine().OnComplete = [this] { SetTimer(window_, kPreviewTimer, 700, nullptr); };
}

void StudioWindow::ApplyDpi(UINT dpi) {
    dpi_ = dpi;
    font_ = MessageFont(dpi);
    for (const ControlEntry& entry : kControls)
        SendMessageW(Control(entry.id), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    ResetThumbnails();
    Layout();
    RestartTransitionPreview();
}

// The layout: three columns over a report and a row of buttons.
//   Slides (takes what is left) | Show (fixed) | Music over Saver (fixed)
// Every size is in device-independent pixels scaled to the window's DPI, rows
// as high as the message font needs.
void StudioWindow::Layout() {
    RECT client{};
    GetClientRect(window_, &client);
    const int width = client.right;
    const int height = client.bottom;
    if (width <= 0 || height <= 0)
        return;
    const int m = Scale(8);
    const int gap = Scale(6);
    const int row = Scale(23);
    const int line = row + Scale(4);
    const int groupTop = Scale(18);
    const int label = Scale(112);
    const int side = Scale(10);
    auto place = [&](int id, int x, int y, int w, int h) {
        MoveWindow(Control(id), x, y, std::max(w, 0), std::max(h, 0), TRUE);
    };
    // A group: an etched frame (painted by the window) with its title, a
    // label, over the frame's top edge.
    auto group = [&](int id, int x, int y, int w, int h) {
        const SIZE title = TitleSize(id);
        place(id, x + Scale(8), y, title.cx, title.cy);
        groupFrames_[id / 100 - 1] = RECT{x, y + title.cy / 2, x + w, y + h};
    };
    auto labelled = [&](int labelId, int id, int x, int y, int w, int h = 0) {
        place(labelId, x, y + Scale(4), label - gap, row - Scale(4));
        place(id, x + label, y, w - label, h ? h : row);
    };

    // The bottom: report over buttons.
    const int buttonW = Scale(112);
    const int bottomY = height - m - row;
    const int reportH = Scale(58);
    const int reportY = bottomY - gap - reportH;
    place(kReport, m, reportY, width - 2 * m, reportH);
    int x = width - m;
    for (int id : {kInstall, kBuild, kPreview, kSaveProject}) {
        x -= buttonW;
        place(id, x, bottomY, buttonW, row);
        x -= gap;
    }
    place(kProgress, m, bottomY, std::max(x - m - buttonW - gap, Scale(60)), row);
    place(kCancel, x - buttonW, bottomY, buttonW, row);

    const int columnsH = reportY - gap - m;
    const int panelW = Scale(270);
    const int slidesW = std::max(width - 2 * panelW - 4 * m, Scale(240));
    const int showX = m + slidesW + m;
    const int musicX = showX + panelW + m;

    // Slides.
    group(kSlidesGroup, m, m, slidesW, columnsH);
    const int inX = m + side;
    const int inW = slidesW - 2 * side;
    const int bottomRows = 3 * line + Scale(18);
    const int listY = m + groupTop;
    const int listH = columnsH - groupTop - bottomRows - side;
    place(kSlideList, inX, listY, inW, listH);
    int y = listY + listH + gap;
    const int bw = (inW - 2 * gap) / 3;
    place(kAddPictures, inX, y, bw, row);
    place(kAddFolder, inX + bw + gap, y, bw, row);
    place(kSubfolders, inX + 2 * (bw + gap), y, bw, row);
    y += line;
    place(kRemove, inX, y, bw, row);
    place(kMoveUp, inX + bw + gap, y, bw, row);
    place(kMoveDown, inX + 2 * (bw + gap), y, bw, row);
    y += line;
    const int small = Scale(72);
    place(kSlideLabel, inX, y + Scale(4), small, row - Scale(4));
    place(kSlideSecondsLabel, inX + small, y + Scale(4), small, row - Scale(4));
    place(kSlideSeconds, inX + 2 * small, y, Scale(48), row);
    const int styleX = inX + 2 * small + Scale(48) + gap;
    place(kSlideStyleLabel, styleX, y + Scale(4), small, row - Scale(4));
    place(kSlideStyle, styleX + small, y, std::max(inX + inW - styleX - small, Scale(60)), Scale(300));
    y += line;
    place(kSlideNote, inX, y, inW, Scale(18));

    // Show.
    group(kShowGroup, showX, m, panelW, columnsH);
    const int sx = showX + side;
    const int sw = panelW - 2 * side;
    y = m + groupTop;
    labelled(kOrderLabel, kOrder, sx, y, sw, Scale(200));
    y += line;
    labelled(kFitLabel, kFit, sx, y, sw, Scale(200));
    y += line;
    labelled(kSecondsLabel, kSeconds, sx, y, sw);
    y += line;
    labelled(kTransitionLabel, kTransitionMs, sx, y, sw);
    y += line;
    labelled(kStyleLabel, kStyle, sx, y, sw, Scale(300));
    y += line;
    const int viewH = std::max(std::min(m + columnsH - side - y, sw * 3 / 4), 0);
    if (transitionView_) {
        RECT before{};
        GetClientRect(transitionView_->Handle(), &before);
        SetWindowPos(transitionView_->Handle(), HWND_TOP, sx, y, sw, viewH, 0);
        // New preview pictures of the new size, once the size settles.
        if (before.right != sw || before.bottom != viewH)
            SetTimer(window_, kPreviewResizeTimer, 300, nullptr);
    }

    // Music over saver.
    const int musicH = Scale(60) + 2 * line + groupTop + side + row;
    group(kMusicGroup, musicX, m, panelW, musicH);
    const int mx = musicX + side;
    const int mw = panelW - 2 * side;
    y = m + groupTop;
    place(kMusicList, mx, y, mw, Scale(60));
    y += Scale(60) + gap;
    const int half = (mw - gap) / 2;
    place(kAddMusic, mx, y, half, row);
    place(kRemoveMusic, mx + half + gap, y, half, row);
    y += line;
    place(kMusicOrderLabel, mx, y + Scale(4), Scale(40), row - Scale(4));
    place(kMusicOrder, mx + Scale(40), y, mw - Scale(40) - Scale(70), Scale(200));
    place(kMute, mx + mw - Scale(64), y, Scale(64), row);

    const int saverY = m + musicH + m;
    group(kSaverGroup, musicX, saverY, panelW, columnsH - musicH - m);
    y = saverY + groupTop;
    for (auto [labelId, id] :
         {std::pair{kTitleLabel, kTitleEdit}, {kAuthorLabel, kAuthor}, {kEmailLabel, kEmail}, {kWebLabel, kWeb}}) {
        labelled(labelId, id, mx, y, mw);
        y += line;
    }
    place(kEndsLabel, mx, y + Scale(4), mw, row - Scale(4));
    y += line - Scale(4);
    const int third = mw / 3;
    place(kExitMove, mx, y, third + Scale(12), row);
    place(kExitClick, mx + third + Scale(12), y, third - Scale(6), row);
    place(kExitKey, mx + 2 * third + Scale(6), y, third - Scale(6), row);
    y += line;
    place(kShowCursor, mx, y, mw, row);
    y += line;
    place(kPreviewPictureLabel, mx, y + Scale(4), mw, row - Scale(4));
    y += line - Scale(4);
    place(kPreviewPicture, mx, y + Scale(4), mw - Scale(96) - gap, row - Scale(4));
    place(kChoosePreview, mx + mw - Scale(96), y, Scale(96), row);
    if (TraceEnabled())
        TraceClippedControls();
}

// For the tests: the labels, buttons and boxes whose text does not fit them,
// or that lie outside the window.
void StudioWindow::TraceClippedControls() {
    RECT client{};
    GetClientRect(window_, &client);
    const WindowDc dc(window_);
    const SelectedObject font(dc.get(), font_.get());
    std::string clipped;
    for (const ControlEntry& entry : kControls) {
        HWND control = Control(entry.id);
        RECT r{};
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
        bool fits = r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom;
        const bool button = std::wcscmp(entry.cls, WC_BUTTONW) == 0;
        // A path shortened with an ellipsis may be cut.
        const bool textual = button || (std::wcscmp(entry.cls, WC_STATICW) == 0 && !(entry.style & SS_ENDELLIPSIS));
        std::wstring text = TextOf(control);
        text.erase(std::remove(text.begin(), text.end(), L'&'), text.end());
        if (textual && !text.empty() && IsWindowVisible(control)) {
            SIZE size{};
            GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
            const int box = button && (entry.style & 0xF) == BS_AUTOCHECKBOX ? Scale(18) : 0;
            const int padding = button && !box ? Scale(8) : 0;
            fits = fits && size.cx + box + padding <= r.right - r.left && size.cy <= r.bottom - r.top;
        }
        if (!fits)
            clipped += " " + std::to_string(entry.id);
    }
    TraceLine("layout dpi " + std::to_string(dpi_) + " size " + std::to_string(client.right) + "x" +
              std::to_string(client.bottom) + " clipped" + (clipped.empty() ? " none" : clipped));
}

// The size a group's title needs.
SIZE StudioWindow::TitleSize(int id) const {
    const WindowDc dc(window_);
    const SelectedObject font(dc.get(), font_.get());
    std::wstring title = TextOf(Control(id));
    title.erase(std::remove(title.begin(), title.end(), L'&'), title.end());
    SIZE size{};
    GetTextExtentPoint32W(dc.get(), title.c_str(), static_cast<int>(title.size()), &size);
    size.cx += Scale(6);
    return size;
}

// --- Messages -----------------------------------------------------------------

LRESULT StudioWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            Layout();
            InvalidateRect(window_, nullptr, TRUE);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window_, &paint);
            for (RECT frame : groupFrames_)
                DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
            EndPaint(window_, &paint);
            return 0;
        }
        case WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMinTrackSize = POINT{Scale(760), Scale(520)};
            return 0;
        }
        case 0x02E0: {  // WM_DPICHANGED
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            dpi_ = HIWORD(wParam);
            SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                         suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
            ApplyDpi(HIWORD(wParam));
            return 0;
        }
        case WM_ACTIVATE:
            // The control that had the focus gets it back, as in a dialog.
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus && IsChild(window_, focus))
                    lastFocus_ = focus;
            } else if (lastFocus_ && IsWindow(lastFocus_) && IsChild(window_, lastFocus_)) {
                SetFocus(lastFocus_);
                return 0;
            }
            break;
        case WM_NOTIFYFORMAT:
            return NFR_UNICODE;
        case WM_NEXTDLGCTL:
            // The dialog keys (IsDialogMessage) send this for a label's or a
            // group's mnemonic; a plain window must move the focus itself.
            if (LOWORD(lParam))
                SetFocus(reinterpret_cast<HWND>(wParam));
            else
                SetFocus(GetNextDlgTabItem(window_, GetFocus(), wParam != 0));
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_NOTIFY:
            return OnNotify(reinterpret_cast<NMHDR*>(lParam));
        case WM_DROPFILES: {
            HDROP drop = reinterpret_cast<HDROP>(wParam);
            const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
            std::vector<std::string> paths;
            for (UINT i = 0; i < count; ++i) {
                std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
                path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
                paths.push_back(Narrow(path));
            }
            DragFinish(drop);
            OpenArguments(paths);
            return 0;
        }
        case WM_MOUSEMOVE:
            return 0;
        case WM_LBUTTONUP:
            if (dragFrom_ >= 0) {
                ReleaseCapture();
                POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
                MapWindowPoints(window_, Control(kSlideList), &at, 1);
                LVHITTESTINFO hit{};
                hit.pt = at;
                const int target = ListView_HitTest(Control(kSlideList), &hit);
                dragFrom_ = -1;
                MoveSelectedTo(target < 0 ? project_.slides.size() : static_cast<size_t>(target));
            }
            return 0;
        case WM_CAPTURECHANGED:
            dragFrom_ = -1;
            return 0;
        case kThumbnailMessage:
            OnThumbnail(reinterpret_cast<Thumbnail*>(lParam));
            return 0;
        case kProgressMessage:
            OnBuildProgress();
            return 0;
        case kBuiltMessage:
            OnBuilt(reinterpret_cast<BuildOutcome*>(lParam));
            return 0;
        case WM_TIMER:
            if (wParam == kPreviewResizeTimer) {
                KillTimer(window_, kPreviewResizeTimer);
                RestartTransitionPreview();
            } else if (wParam == kPreviewTimer) {
                KillTimer(window_, kPreviewTimer);
                NextPreviewTransition();
            } else if (wParam == kPreviewProcessTimer && previewProcess_ &&
                       WaitForSingleObject(previewProcess_.get(), 0) == WAIT_OBJECT_0) {
                KillTimer(window_, kPreviewProcessTimer);
                previewProcess_.reset();
                DeleteFileW(Widen(buildOutput_).c_str());
                TraceLine("preview ended");
                UpdateButtons();
            }
            return 0;
        case WM_CLOSE:
            if (building_)
                CancelBuild();
            Destroy();
            return 0;
    }
    return DefaultHandling(message, wParam, lParam);
}

void StudioWindow::OnCommand(int id, int code) {
    if (filling_)
        return;
    switch (id) {
        case IDOK: {
            // Enter, through the dialog keys: a plain window has no default
            // button, so Enter presses the button that has the focus.
            HWND focus = GetFocus();
            wchar_t cls[16] = {};
            if (focus && GetParent(focus) == window_ && GetClassNameW(focus, cls, 16) &&
                lstrcmpiW(cls, L"Button") == 0 && (GetWindowLongW(focus, GWL_STYLE) & 0xF) <= BS_DEFPUSHBUTTON)
                SendMessageW(focus, BM_CLICK, 0, 0);
            return;
        }
        case IDCANCEL:  // Esc
            CancelBuild();
            return;
        case kAddPictures:
            AskForPictures();
            return;
        case kOpenKey:
            AskForPictures();
            return;
        case kAddFolder:
        case kAddFolderKey:
            AskForFolder();
            return;
        case kRemove:
            RemoveSelected();
            return;
        case kMoveUp:
            MoveSelected(-1);
            return;
        case kMoveDown:
            MoveSelected(+1);
            return;
        case kMoveUpKey:
        case kMoveDownKey:
            // Ctrl+Up/Down move the tracks while the music list has the focus.
            if (GetFocus() == Control(kMusicList))
                MoveTrack(id == kMoveUpKey ? -1 : +1);
            else
                MoveSelected(id == kMoveUpKey ? -1 : +1);
            return;
        case kChoosePreview:
            AskForPreviewPicture();
            return;
        case kAddMusic:
        case kAddMusicKey:
            AskForMusic();
            return;
        case kRemoveMusic: {
            const LRESULT index = SendMessageW(Control(kMusicList), LB_GETCURSEL, 0, 0);
            if (index >= 0 && static_cast<size_t>(index) < project_.music.size()) {
                project_.music.erase(project_.music.begin() + index);
                RefreshMusic();
            }
            return;
        }
        case kPreview:
            Preview();
            return;
        case kBuild:
            Build();
            return;
        case kInstall:
            Install();
            return;
        case kSaveProject:
            SaveProject();
            return;
        case kCancel:
            CancelBuild();
            return;
        case kSlideSeconds:
        case kSlideStyle:
            if (code == EN_CHANGE || code == CBN_SELCHANGE)
                StoreSelectedSlideOptions();
            return;
        case kOrder:
        case kFit:
        case kSeconds:
        case kTransitionMs:
        case kStyle:
            if (code == EN_CHANGE || code == CBN_SELCHANGE) {
                ReadShowControls();
                if (id == kStyle || id == kFit)
                    RestartTransitionPreview();
            }
            return;
        case kMusicOrder:
        case kMute:
            project_.musicOrder = static_cast<MusicOrder>(std::max(ComboIndex(Control(kMusicOrder)), 0));
            project_.mute = Checked(Control(kMute));
            return;
        case kTitleEdit:
        case kAuthor:
        case kEmail:
        case kWeb:
        case kExitMove:
        case kExitClick:
        case kExitKey:
        case kShowCursor:
            ReadSaverControls();
            return;
    }
}

LRESULT StudioWindow::OnNotify(NMHDR* header) {
    if (header->idFrom != kSlideList)
        return 0;
    switch (header->code) {
        case LVN_ITEMCHANGED:
            if (!filling_)
                ShowSelectedSlide();
            return 0;
        case LVN_KEYDOWN:
            if (reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey == VK_DELETE)
                RemoveSelected();
            return 0;
        case LVN_BEGINDRAG:
            dragFrom_ = reinterpret_cast<NMLISTVIEW*>(header)->iItem;
            SetCapture(window_);
            return 0;
    }
    return 0;
}

// --- Slides -------------------------------------------------------------------

void StudioWindow::OpenArguments(const std::vector<std::string>& arguments) {
    std::vector<std::string> pictures;
    for (const std::string& path : arguments) {
        if (mkscr::IsFolder(path)) {
            AddFolder(path);
        } else if (IsProjectFile(path)) {
            try {
                OpenProject(path);
            } catch (const Error& e) {
                MessageBoxW(window_, Widen(e.what()).c_str(), kTitle, MB_OK | MB_ICONERROR);
            }
        } else {
            pictures.push_back(path);
        }
    }
    if (!pictures.empty())
        AddPictureFiles(pictures);
}

void StudioWindow::AddPictureFiles(const std::vector<std::string>& paths) {
    const size_t first = project_.slides.size();
    // Checked with their thumbnails on the worker thread.
    for (const std::string& path : paths)
        project_.slides.push_back(UncheckedSlide(path));
    RefreshSlides();
    if (first < project_.slides.size())
        ListView_EnsureVisible(Control(kSlideList), static_cast<int>(first), FALSE);
    RestartTransitionPreview();
}

void StudioWindow::AddFolder(const std::string& folder) {
    try {
        AddPictureFiles(FilesOfFolder(folder, Checked(Control(kSubfolders))));
    } catch (const Error& e) {
        MessageBoxW(window_, Widen(e.what()).c_str(), kTitle, MB_OK | MB_ICONERROR);
    }
}

void StudioWindow::AskForPictures() {
    std::vector<wchar_t> buffer(65536, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = window_;
    ofn.lpstrFilter =
        L"Pictures, presentations and projects\0*.jpg;*.jpeg;*.png;*.gif;*.bmp;*.heic;*.heif;*.webp;*.avif;*.tif;"
        L"*.tiff;*.jxl;*.pptx;*.ppsx;*.ppt;*.pps;*.odp;*.key;*.pdf;*.orlproj\0"
        L"Pictures\0*.jpg;*.jpeg;*.png;*.gif;*.bmp;*.heic;*.heif;*.webp;*.avif;*.tif;*.tiff;*.jxl\0"
        L"Presentations\0*.pptx;*.ppsx;*.ppt;*.pps;*.odp;*.key;*.pdf\0"
        L"Projects\0*.orlproj\0All files\0*.*\0";
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrTitle = L"Add pictures or presentations";
    ofn.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (GetOpenFileNameW(&ofn))
        OpenArguments(ChosenFiles(buffer));
}

void StudioWindow::AskForFolder() {
    BROWSEINFOW browse{};
    browse.hwndOwner = window_;
    browse.lpszTitle = L"Add the pictures of a folder";
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
    if (!chosen)
        return;
    wchar_t path[MAX_PATH * 4] = {};
    const bool ok = SHGetPathFromIDListW(chosen, path);
    CoTaskMemFree(chosen);
    if (ok)
        AddFolder(Narrow(path));
}

std::vector<size_t> StudioWindow::Selection() const {
    std::vector<size_t> chosen;
    HWND list = Control(kSlideList);
    for (int i = ListView_GetNextItem(list, -1, LVNI_SELECTED); i >= 0;
         i = ListView_GetNextItem(list, i, LVNI_SELECTED))
        chosen.push_back(static_cast<size_t>(i));
    return chosen;
}

void StudioWindow::RemoveSelected() {
    const std::vector<size_t> chosen = Selection();
    if (chosen.empty())
        return;
    RemoveSlides(project_, chosen);
    RefreshSlides(
        std::vector<size_t>{std::min(chosen.front(), project_.slides.empty() ? 0 : project_.slides.size() - 1)});
    RestartTransitionPreview();
}

void StudioWindow::MoveSelected(int delta) {
    RefreshSlides(MoveSlides(project_, Selection(), delta));
    RestartTransitionPreview();
}

void StudioWindow::MoveSelectedTo(size_t target) {
    RefreshSlides(MoveSlidesTo(project_, Selection(), target));
    RestartTransitionPreview();
}

// The list view shows the project's slides in order: each with its thumbnail
// (asked for once per path), a refused one with its reason as its label.
void StudioWindow::RefreshSlides(const std::vector<size_t>& select) {
    HWND list = Control(kSlideList);
    filling_ = true;
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    size_t refused = 0;
    size_t pending = 0;
    for (size_t i = 0; i < project_.slides.size(); ++i) {
        const StudioSlide& slide = project_.slides[i];
        std::wstring label = Widen(FileNameOf(slide.path));
        int image = kRefusedImage;
        if (!slide.checked || slide.refusal.empty()) {
            auto known = thumbnailOf_.find(slide.path);
            if (known == thumbnailOf_.end()) {
                thumbnailOf_[slide.path] = kWaitingImage;
                thumbnailer_->Request(slide.path, thumbWidth_, thumbHeight_);
                image = kWaitingImage;
            } else {
                image = known->second;
            }
        } else {
            label += L" \u2014 refused: " + Widen(slide.refusal);
            ++refused;
        }
        pending += slide.checked ? 0 : 1;
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = static_cast<int>(i);
        item.pszText = label.data();
        item.iImage = image;
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        TraceLine("slide " + std::to_string(i) + " " + slide.path +
                  (!slide.checked          ? " unchecked"
                   : slide.refusal.empty() ? std::string()
                                           : " refused: " + slide.refusal));
    }
    for (size_t i : select)
        ListView_SetItemState(list, static_cast<int>(i), LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    if (!select.empty())
        ListView_EnsureVisible(list, static_cast<int>(select.back()), FALSE);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    filling_ = false;
    TraceLine("slides " + std::to_string(project_.slides.size()) + " refused " + std::to_string(refused));
    std::wstring summary =
        std::to_wstring(project_.slides.size()) + L" slide" + (project_.slides.size() == 1 ? L"" : L"s");
    if (pending)
        summary += L", " + std::to_wstring(pending) + L" being checked";
    if (refused)
        summary += L", " + std::to_wstring(refused) + L" refused (not stored)";
    SetWindowTextW(Control(kSlidesGroup), (L"&Slides: " + summary).c_str());
    const SIZE title = TitleSize(kSlidesGroup);
    SetWindowPos(Control(kSlidesGroup), nullptr, 0, 0, title.cx, title.cy, SWP_NOMOVE | SWP_NOZORDER);
    ShowSelectedSlide();
    UpdateButtons();
}

void StudioWindow::ShowSelectedSlide() {
    const std::vector<size_t> chosen = Selection();
    const bool one = chosen.size() == 1;
    filling_ = true;
    for (int id : {kSlideSeconds, kSlideStyle, kSlideSecondsLabel, kSlideStyleLabel})
        EnableWindow(Control(id), one);
    if (one) {
        const StudioSlide& slide = project_.slides[chosen[0]];
        SetWindowTextW(Control(kSlideSeconds), SecondsText(slide.options.durationMs).c_str());
        SetComboIndex(Control(kSlideStyle), slide.options.style ? *slide.options.style + 1 : 0);
        const std::wstring note = slide.refusal.empty() ? Widen(slide.path) : L"Refused: " + Widen(slide.refusal);
        SetWindowTextW(Control(kSlideNote), note.c_str());
    } else {
        SetWindowTextW(Control(kSlideSeconds), L"");
        SetComboIndex(Control(kSlideStyle), 0);
        SetWindowTextW(Control(kSlideNote),
                       chosen.empty() ? L"" : (std::to_wstring(chosen.size()) + L" slides selected").c_str());
    }
    filling_ = false;
}

void StudioWindow::StoreSelectedSlideOptions() {
    const std::vector<size_t> chosen = Selection();
    if (chosen.size() != 1)
        return;
    SlideOptions& options = project_.slides[chosen[0]].options;
    const std::optional<int64_t> seconds = NumberOf(Control(kSlideSeconds));
    options.durationMs = seconds && *seconds > 0
                             ? std::optional<int32_t>(static_cast<int32_t>(std::min<int64_t>(*seconds, 86400) * 1000))
                             : std::nullopt;
    const int style = ComboIndex(Control(kSlideStyle));
    options.style = style > 0 ? std::optional<int32_t>(style - 1) : std::nullopt;
}

void StudioWindow::ResetThumbnails() {
    thumbWidth_ = Scale(kThumbWidth);
    thumbHeight_ = Scale(kThumbHeight);
    if (thumbnailer_)
        thumbnailer_->Clear();
    HIMAGELIST old = images_;
    images_ = ImageList_Create(thumbWidth_, thumbHeight_, ILC_COLOR24, 16, 64);
    for (const Bitmap& placeholder :
         {Filled(thumbWidth_, thumbHeight_, 96, 96, 96), Filled(thumbWidth_, thumbHeight_, 40, 40, 120)}) {
        UniqueBitmap dib = ToDib(placeholder);
        ImageList_Add(images_, dib.get(), nullptr);
    }
    ListView_SetImageList(Control(kSlideList), images_, LVSIL_NORMAL);
    ListView_SetIconSpacing(Control(kSlideList), thumbWidth_ + Scale(16), thumbHeight_ + Scale(40));
    if (old)
        ImageList_Destroy(old);
    thumbnailOf_.clear();
    if (thumbnailer_)
        RefreshSlides(Selection());
}

void StudioWindow::OnThumbnail(Thumbnail* raw) {
    std::unique_ptr<Thumbnail> result(raw);
    const std::string& path = result->checked.path;
    // The check counts for every slide of that picture.
    bool checkedNow = false;
    size_t pending = 0;
    for (StudioSlide& slide : project_.slides) {
        if (slide.path == path && !slide.checked) {
            slide.refusal = result->checked.refusal;
            slide.extension = result->checked.extension;
            slide.checked = checkedNow = true;
        }
        pending += slide.checked ? 0 : 1;
    }
    auto known = thumbnailOf_.find(path);
    if (known != thumbnailOf_.end() && known->second == kWaitingImage && result->picture.Width() == thumbWidth_ &&
        result->picture.Height() == thumbHeight_) {
        UniqueBitmap dib = ToDib(result->picture);
        const int image = ImageList_Add(images_, dib.get(), nullptr);
        if (image >= 0) {
            known->second = image;
            HWND list = Control(kSlideList);
            for (size_t i = 0; i < project_.slides.size(); ++i) {
                if (project_.slides[i].path != path)
                    continue;
                LVITEMW item{};
                item.mask = LVIF_IMAGE;
                item.iItem = static_cast<int>(i);
                item.iImage = image;
                SendMessageW(list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
            }
            TraceLine("thumbnail " + path);
        }
    }
    // Once every picture is checked, the list shows the refusals and the
    // buttons what can be built.
    if (checkedNow && pending == 0) {
        RefreshSlides(Selection());
        RestartTransitionPreview();
    }
}

// --- Show, music, saver -------------------------------------------------------

void StudioWindow::FillControls() {
    filling_ = true;
    const StudioProject& p = project_;
    SetComboIndex(Control(kOrder), static_cast<int>(p.order));
    SetComboIndex(Control(kFit), p.show.Fit() == SlideFit::kCover ? 1 : 0);
    SetWindowTextW(Control(kSeconds), SecondsText(p.show.DurationMs()).c_str());
    SetWindowTextW(Control(kTransitionMs), std::to_wstring(p.show.TransitionMs()).c_str());
    SetComboIndex(Control(kStyle), p.show.style ? *p.show.style + 1 : 0);
    SetComboIndex(Control(kMusicOrder), static_cast<int>(p.musicOrder));
    SetChecked(Control(kMute), p.mute);
    SetWindowTextW(Control(kTitleEdit), Widen(p.title).c_str());
    SetWindowTextW(Control(kAuthor), Widen(p.author).c_str());
    SetWindowTextW(Control(kEmail), Widen(p.email).c_str());
    SetWindowTextW(Control(kWeb), Widen(p.web).c_str());
    SetChecked(Control(kExitMove), p.exitOnMove);
    SetChecked(Control(kExitClick), p.exitOnClick);
    SetChecked(Control(kExitKey), p.exitOnKey);
    SetChecked(Control(kShowCursor), p.showCursor);
    SetWindowTextW(Control(kPreviewPicture),
                   p.previewPicture.empty() ? L"(the first slide)" : Widen(FileNameOf(p.previewPicture)).c_str());
    filling_ = false;
    RefreshMusic();
}

void StudioWindow::ReadShowControls() {
    SlideOptions& show = project_.show;
    project_.order = static_cast<ShowOrder>(std::max(ComboIndex(Control(kOrder)), 0));
    const SlideFit fit = ComboIndex(Control(kFit)) == 1 ? SlideFit::kCover : SlideFit::kContain;
    show.fit = fit == SlideFit::kContain && !show.fit ? std::nullopt : std::optional<SlideFit>(fit);
    const std::optional<int64_t> seconds = NumberOf(Control(kSeconds));
    if (seconds && *seconds > 0) {
        const int32_t ms = static_cast<int32_t>(std::min<int64_t>(*seconds, 86400) * 1000);
        show.durationMs = ms == kDefaultSlideDurationMs && !show.durationMs ? std::nullopt : std::optional<int32_t>(ms);
    }
    const std::optional<int64_t> transition = NumberOf(Control(kTransitionMs));
    if (transition) {
        const int32_t ms = static_cast<int32_t>(std::min<int64_t>(*transition, 600000));
        show.transitionMs =
            ms == kDefaultTransitionMs && !show.transitionMs ? std::nullopt : std::optional<int32_t>(ms);
    }
    const int style = ComboIndex(Control(kStyle));
    show.style = style > 0 ? std::optional<int32_t>(style - 1) : std::nullopt;
}

void StudioWindow::ReadSaverControls() {
    project_.title = Narrow(TextOf(Control(kTitleEdit)));
    project_.author = Narrow(TextOf(Control(kAuthor)));
    project_.email = Narrow(TextOf(Control(kEmail)));
    project_.web = Narrow(TextOf(Control(kWeb)));
    project_.exitOnMove = Checked(Control(kExitMove));
    project_.exitOnClick = Checked(Control(kExitClick));
    project_.exitOnKey = Checked(Control(kExitKey));
    project_.showCursor = Checked(Control(kShowCursor));
}

void StudioWindow::AskForMusic() {
    std::vector<wchar_t> buffer(65536, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = window_;
    ofn.lpstrFilter = L"Music\0*.wav;*.mid;*.midi;*.mp3\0All files\0*.*\0";
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrTitle = L"Add music";
    ofn.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (GetOpenFileNameW(&ofn)) {
        AddMusic(project_, ChosenFiles(buffer));
        RefreshMusic();
    }
}

void StudioWindow::MoveTrack(int delta) {
    const LRESULT index = SendMessageW(Control(kMusicList), LB_GETCURSEL, 0, 0);
    const LRESULT other = index + delta;
    if (index < 0 || other < 0 || static_cast<size_t>(other) >= project_.music.size())
        return;
    std::swap(project_.music[static_cast<size_t>(index)], project_.music[static_cast<size_t>(other)]);
    RefreshMusic();
    SendMessageW(Control(kMusicList), LB_SETCURSEL, static_cast<WPARAM>(other), 0);
}

void StudioWindow::AskForPreviewPicture() {
    std::vector<wchar_t> buffer(32768, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = window_;
    ofn.lpstrFilter = L"Pictures\0*.jpg;*.jpeg;*.bmp\0All files\0*.*\0";
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrTitle = L"The preview picture (empty: the first slide)";
    ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    // Cancel goes back to the first slide's thumbnail.
    project_.previewPicture = GetOpenFileNameW(&ofn) ? Narrow(buffer.data()) : std::string();
    FillControls();
}

void StudioWindow::RefreshMusic() {
    HWND list = Control(kMusicList);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const MusicTrack& track : project_.music) {
        std::wstring line = Widen(FileNameOf(track.path));
        if (!track.warning.empty())
            line += L" \u2014 " + Widen(track.warning);
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
}

// The preview loops between the first two slides the show stores (two plain
// pictures while there are fewer), with the chosen style, or every style in
// turn for a random show.
void StudioWindow::RestartTransitionPreview() {
    if (!transitionView_)
        return;
    KillTimer(window_, kPreviewTimer);
    transitionView_->Engine().Stop();
    RECT bounds{};
    GetClientRect(transitionView_->Handle(), &bounds);
    const int w = std::max<int>(bounds.right, 16);
    const int h = std::max<int>(bounds.bottom, 12);
    previewPictures_.clear();
    for (const StudioSlide* slide : ShownSlides(project_)) {
        if (previewPictures_.size() == 2)
            break;
        try {
            const Bitmap picture = DecodeSlidePicture(slide->path, w, h);
            previewPictures_.push_back(ComposeSlide(picture, w, h, project_.show.Fit(), project_.show.Upscale()));
        } catch (const std::exception&) {
        }
    }
    const uint8_t shades[2][3] = {{150, 90, 40}, {40, 140, 200}};
    while (previewPictures_.size() < 2) {
        const uint8_t* s = shades[previewPictures_.size()];
        previewPictures_.push_back(Filled(w, h, s[0], s[1], s[2]));
    }
    previewShown_ = 0;
    transitionView_->SetPicture(TGraphic::FromBitmap(previewPictures_[0]));
    transitionView_->Engine().SetStyle(0);
    transitionView_->Engine().SetStep(100);  // at once: the first picture
    transitionView_->Execute();
}

void StudioWindow::NextPreviewTransition() {
    if (!transitionView_ || previewPictures_.size() < 2)
        return;
    previewShown_ = 1 - previewShown_;
    const int style = project_.show.style ? *project_.show.style : static_cast<int>(GetTickCount() / 997 % 128);
    transitionView_->SetPicture(TGraphic::FromBitmap(previewPictures_[previewShown_]));
    transitionView_->Engine().SetStyle(style);
    // About the show's transition time, at the engine's step of one per frame.
    transitionView_->Engine().SetStep(std::clamp(
        project_.show.TransitionMs() > 0 ? 2000 / std::max(project_.show.TransitionMs() / 10, 1) : 100, 1, 100));
    transitionView_->Execute();
}

// --- Build, preview, install --------------------------------------------------

void StudioWindow::UpdateButtons() {
    const bool some = !ShownSlides(project_).empty();
    EnableWindow(Control(kBuild), some && !building_);
    EnableWindow(Control(kPreview), some && !building_ && !previewProcess_);
    EnableWindow(Control(kInstall), !lastBuilt_.empty() && !building_);
    ShowWindow(Control(kProgress), building_ ? SW_SHOW : SW_HIDE);
    ShowWindow(Control(kCancel), building_ ? SW_SHOW : SW_HIDE);
    EnableWindow(Control(kRemove), !project_.slides.empty());
}

void StudioWindow::SetStatus(const std::wstring& text) {
    SetWindowTextW(Control(kReport), text.c_str());
}

void StudioWindow::ShowReport(const std::vector<std::string>& lines) {
    std::wstring text;
    for (const std::string& line : lines)
        text += Widen(line) + L"\r\n";
    SetStatus(text);
}

void StudioWindow::Build() {
    if (building_ || ShownSlides(project_).empty())
        return;
    std::wstring name = project_.title.empty() ? L"My saver" : Widen(project_.title);
    for (wchar_t& c : name)
        if (std::wcschr(L"\\/:*?\"<>|", c))
            c = L'_';
    name += L".scr";
    std::vector<wchar_t> buffer(32768, L'\0');
    std::copy(name.begin(), name.end(), buffer.begin());
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = window_;
    ofn.lpstrFilter = L"Screen savers (*.scr)\0*.scr\0";
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrTitle = L"Build the screen saver";
    ofn.lpstrDefExt = L"scr";
    ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (GetSaveFileNameW(&ofn))
        StartBuild(Narrow(buffer.data()), false);
}

void StudioWindow::Preview() {
    if (building_ || previewProcess_ || ShownSlides(project_).empty())
        return;
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    if (n == 0 || n > MAX_PATH)
        return;
    StartBuild(
        Narrow(std::wstring(temp) + L"orlscr-studio-preview-" + std::to_wstring(GetCurrentProcessId()) + L".scr"),
        true);
}

void StudioWindow::StartBuild(const std::string& output, bool preview) {
    if (buildThread_.joinable())
        buildThread_.join();
    building_ = true;
    buildIsPreview_ = preview;
    buildOutput_ = output;
    cancel_ = false;
    progressPercent_ = 0;
    SendMessageW(Control(kProgress), PBM_SETRANGE32, 0, 100);
    SendMessageW(Control(kProgress), PBM_SETPOS, 0, 0);
    SetStatus(preview ? L"Making the preview..." : L"Building " + Widen(output) + L"...");
    UpdateButtons();
    SetFocus(Control(kCancel));
    TraceLine("build started " + output);
    const HWND window = window_;
    // Slows every step down by this many milliseconds (for testing Cancel).
    const char* delayText = std::getenv("ORLSCR_STUDIO_BUILD_DELAY_MS");
    const DWORD delay = delayText ? static_cast<DWORD>(std::strtoul(delayText, nullptr, 10)) : 0;
    StudioProject project = project_;
    if (preview) {
        // A preview ends on any input, whatever the saver is set to end on.
        project.exitOnMove = project.exitOnClick = project.exitOnKey = true;
    }
    buildThread_ = std::thread([this, window, project = std::move(project), output, delay] {
        auto progress = [&](const mkscr::BuildProgress& p) {
            if (delay)
                Sleep(delay);
            progressPercent_ = p.bytesTotal > 0 ? static_cast<int>(p.bytesDone * 100 / p.bytesTotal) : 0;
            if (!progressPosted_.exchange(true))
                PostMessageW(window, kProgressMessage, 0, 0);
        };
        auto outcome = std::make_unique<BuildOutcome>(BuildProject(project, output, programFolder_, cancel_, progress));
        if (PostMessageW(window, kBuiltMessage, 0, reinterpret_cast<LPARAM>(outcome.get())))
            outcome.release();
    });
}

void StudioWindow::OnBuildProgress() {
    progressPosted_ = false;
    SendMessageW(Control(kProgress), PBM_SETPOS, static_cast<WPARAM>(progressPercent_.load()), 0);
    TraceLine("build progress " + std::to_string(progressPercent_.load()));
}

void StudioWindow::CancelBuild() {
    if (building_) {
        cancel_ = true;
        SetStatus(L"Cancelling...");
    }
}

void StudioWindow::OnBuilt(BuildOutcome* raw) {
    std::unique_ptr<BuildOutcome> outcome(raw);
    if (buildThread_.joinable())
        buildThread_.join();
    building_ = false;
    if (outcome->ok && buildIsPreview_) {
        std::wstring command = L"\"" + Widen(buildOutput_) + L"\" /s";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
            UniqueHandle thread(info.hThread);
            previewProcess_.reset(info.hProcess);
            SetTimer(window_, kPreviewProcessTimer, 250, nullptr);
            SetStatus(L"Preview running: Esc or a click ends it.");
            TraceLine("preview started " + buildOutput_);
        } else {
            SetStatus(L"Cannot start the preview: " + Widen(Win32Error("", GetLastError()).what()));
            DeleteFileW(Widen(buildOutput_).c_str());
        }
    } else if (outcome->ok) {
        lastBuilt_ = buildOutput_;
        std::vector<std::string> lines = outcome->report;
        lines.push_back("Built. Install for me (Ctrl+I) makes it your screen saver.");
        ShowReport(lines);
        TraceLine("built " + buildOutput_);
    } else if (outcome->cancelled) {
        SetStatus(L"The build was cancelled; no file was written.");
        TraceLine("build cancelled " + buildOutput_);
    } else {
        std::vector<std::string> lines = outcome->report;
        lines.insert(lines.begin(), "The build failed: " + outcome->error);
        ShowReport(lines);
        TraceLine("build failed " + outcome->error);
    }
    UpdateButtons();
    SetFocus(Control(lastBuilt_.empty() ? kBuild : kInstall));
}

void StudioWindow::Install() {
    if (lastBuilt_.empty() || building_)
        return;
    const std::string installed = InstallSaver(window_, lastBuilt_);
    if (installed.empty())
        return;
    SetStatus(L"Installed as your screen saver: " + Widen(installed));
    TraceLine("installed " + installed);
    const char* quiet = std::getenv("ORLSCR_STUDIO_NO_SETTINGS");
    if (!quiet || !*quiet)
        OpenSaverSettings();
}

// --- Projects -----------------------------------------------------------------

void StudioWindow::SaveProject() {
    std::vector<wchar_t> buffer(32768, L'\0');
    const std::wstring name = (project_.title.empty() ? L"My saver" : Widen(project_.title)) + Widen(kProjectExtension);
    std::copy(name.begin(), name.end(), buffer.begin());
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = window_;
    ofn.lpstrFilter = L"Studio projects (*.orlproj)\0*.orlproj\0";
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrTitle = L"Save the project";
    ofn.lpstrDefExt = L"orlproj";
    ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetSaveFileNameW(&ofn))
        return;
    const std::string text = WriteProject(project_);
    UniqueFile file(
        CreateFileW(buffer.data(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size())
        throw Win32Error("Cannot save the project to '" + Narrow(buffer.data()) + "'");
    SetStatus(L"Project saved: " + std::wstring(buffer.data()));
    TraceLine("project saved " + Narrow(buffer.data()));
}

void StudioWindow::OpenProject(const std::string& path) {
    // Only whether each picture is there is looked at now; the worker checks the rest.
    ReadProjectResult read = ParseProject(ReadWholeFile(path), [](const std::string&) { return SlidePictureCheck{}; });
    project_ = std::move(read.project);
    for (StudioSlide& slide : project_.slides)
        slide.checked = slide.refusal == kMissingPicture;
    FillControls();
    RefreshSlides();
    RestartTransitionPreview();
    lastBuilt_.clear();
    std::vector<std::string> lines{"Opened " + path};
    for (const StudioSlide& slide : project_.slides)
        if (slide.refusal == kMissingPicture)
            lines.push_back("missing: " + slide.path);
    for (const std::string& problem : read.problems)
        lines.push_back(problem);
    ShowReport(lines);
    UpdateButtons();
    TraceLine("project opened " + path);
}

}  // namespace orlscr::studio
