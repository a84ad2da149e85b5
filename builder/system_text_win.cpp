#include <windows.h>

#include "builder/system_text.h"

namespace orlscr::mkscr {

namespace {

std::wstring ToWide(UINT codePage, std::string_view text) {
    if (text.empty())
        return std::wstring();
    int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

bool IsLeadByte(unsigned char c) {
    return IsDBCSLeadByte(c) != FALSE;
}

}  // namespace

std::wstring Widen(std::string_view utf8) {
    return ToWide(CP_UTF8, utf8);
}

std::string Narrow(std::wstring_view wide) {
    if (wide.empty())
        return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n, nullptr, nullptr);
    return text;
}

std::optional<std::string> ToRecordText(std::string_view utf8) {
    if (utf8.empty())
        return std::string();
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0) <= 0)
        return std::nullopt;
    const std::wstring wide = Widen(utf8);
    // A UTF-8 system code page holds every character and takes no default character.
    const UINT codePage = GetACP();
    if (codePage == CP_UTF8)
        return std::string(utf8);
    BOOL lossy = FALSE;
    const int length = static_cast<int>(wide.size());
    int n = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr, 0, nullptr, &lossy);
    std::string text(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), length, text.data(), n, nullptr, &lossy);
    if (lossy || n <= 0)
        return std::nullopt;
    return text;
}

std::string FromRecordText(std::string_view text) {
    return Narrow(ToWide(CP_ACP, text));
}

LeadBytePredicate RecordLeadBytes() {
    return &IsLeadByte;
}

const char* RecordCodePageName() {
    return "the system code page";
}

}  // namespace orlscr::mkscr
