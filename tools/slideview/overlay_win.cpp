#include "tools/slideview/overlay_win.h"

#include <windows.h>

#include <cstring>
#include <map>
#include <vector>

#include "common/win/unique.h"
#include "picture/picture_win.h"

namespace orlscr {

namespace {

// The overlay font of a height, made once (the viewer's thread alone draws
// text; a run needs a height or two, one for each kind of monitor).
HFONT FontOfHeight(int32_t height) {
    static std::map<int32_t, UniqueFont> fonts;
    UniqueFont& font = fonts[height];
    if (!font)
        font.reset(::CreateFontA(-height, 0, 0, 0, FW_SEMIBOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS,
                                 "Arial"));
    return font.get();
}

// Wide text from the system, in the code page the viewer's texts use.
std::string Narrow(const wchar_t* text) {
    const int size = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string out(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.resize(static_cast<size_t>(size) - 1);
    return out;
}

std::string DateText(const SYSTEMTIME& when) {
    wchar_t text[128] = {};
    if (::GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &when, nullptr, text, 128, nullptr) == 0)
        return {};
    return Narrow(text);
}

}  // namespace

int32_t SystemOverlayFont::Width(std::string_view text, int32_t height) const {
    UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    HFONT font = FontOfHeight(height);
    if (!dc || !font)
        return static_cast<int32_t>(text.size()) * height;
    SelectedObject selected(dc.get(), font);
    SIZE size{};
    ::GetTextExtentPoint32A(dc.get(), text.data(), static_cast<int>(text.size()), &size);
    return size.cx;
}

Bitmap SystemOverlayFont::Mask(const std::string& text,
                               int32_t height,
                               int32_t width,
                               int32_t mask_height,
                               int32_t x,
                               int32_t y) const {
    Bitmap mask(width, mask_height);
    if (mask.IsEmpty())
        return mask;
    const BITMAPINFO info = TopDownBitmapInfo(width, mask_height, 24);
    void* bits = nullptr;
    UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    UniqueBitmap section(::CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    HFONT font = FontOfHeight(height);
    if (!dc || !section || !bits || !font)
        return mask;
    {
        SelectedObject selected_bitmap(dc.get(), section.get());
        SelectedObject selected_font(dc.get(), font);
        RECT all{0, 0, width, mask_height};
        ::FillRect(dc.get(), &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        ::SetTextColor(dc.get(), RGB(255, 255, 255));
        ::SetBkMode(dc.get(), TRANSPARENT);
        ::TextOutA(dc.get(), x, y, text.data(), static_cast<int>(text.size()));
        ::GdiFlush();
    }
    // The section's rows have the bitmap's own layout (24 bits, padded to 4 bytes).
    std::memcpy(mask.Bits(), bits, static_cast<size_t>(mask.Stride()) * mask_height);
    return mask;
}

std::string UserDateFormatter::Format(const CalendarDate& date) const {
    SYSTEMTIME when{};
    when.wYear = static_cast<WORD>(date.year);
    when.wMonth = static_cast<WORD>(date.month);
    when.wDay = static_cast<WORD>(date.day);
    std::string text = DateText(when);
    return text.empty() ? FormatDatePattern("yyyy-MM-dd", date) : text;
}

std::optional<CalendarDate> FileDateOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    FILETIME local{};
    SYSTEMTIME when{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        !::FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !::FileTimeToSystemTime(&local, &when))
        return std::nullopt;
    return CalendarDate{when.wYear, when.wMonth, when.wDay};
}

int64_t LocalTimeMs() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    FILETIME time{};
    ::SystemTimeToFileTime(&now, &time);
    return static_cast<int64_t>((uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime) / 10000);
}

std::string ClockText(int64_t local_ms, ClockMode mode) {
    const uint64_t units = static_cast<uint64_t>(local_ms) * 10000;
    FILETIME time{static_cast<DWORD>(units), static_cast<DWORD>(units >> 32)};
    SYSTEMTIME when{};
    if (!::FileTimeToSystemTime(&time, &when))
        return {};
    wchar_t text[128] = {};
    std::string clock;
    if (::GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, TIME_NOSECONDS, &when, nullptr, text, 128) != 0)
        clock = Narrow(text);
    if (mode == ClockMode::kDate)
        clock = DateText(when) + "  " + clock;
    return clock;
}

}  // namespace orlscr
