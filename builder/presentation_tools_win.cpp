#include <windows.h>

#include "builder/presentation_tools.h"
#include "builder/system_text.h"

namespace orlscr::mkscr {

namespace {

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The default value of an App Paths entry: the program's full path.
std::optional<std::wstring> AppPath(HKEY root, const wchar_t* program) {
    const std::wstring key = std::wstring(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\") + program;
    wchar_t value[MAX_PATH * 2];
    DWORD size = sizeof value;
    if (RegGetValueW(root, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::wstring path(value);
    // Some installers write the path in quotes.
    if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"')
        path = path.substr(1, path.size() - 2);
    return IsFile(path) ? std::optional<std::wstring>(path) : std::nullopt;
}

std::optional<std::wstring> InFolderOf(const wchar_t* variable, const wchar_t* rest) {
    wchar_t folder[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(variable, folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return std::nullopt;
    const std::wstring path = std::wstring(folder) + rest;
    return IsFile(path) ? std::optional<std::wstring>(path) : std::nullopt;
}

std::optional<std::wstring> OnPath(const wchar_t* name) {
    wchar_t found[MAX_PATH * 2];
    const DWORD n = SearchPathW(nullptr, name, nullptr, MAX_PATH * 2, found, nullptr);
    if (n == 0 || n >= MAX_PATH * 2)
        return std::nullopt;
    return std::wstring(found);
}

std::optional<std::string> Found(std::optional<std::wstring> path) {
    return path ? std::optional<std::string>(Narrow(*path)) : std::nullopt;
}

// Beside mkscr.exe, else on the PATH.
std::optional<std::string> PopplerProgram(const std::string& programFolder, const wchar_t* name) {
    const std::wstring beside = Widen(programFolder) + L"\\" + name;
    if (IsFile(beside))
        return Narrow(beside);
    return Found(OnPath(name));
}

}  // namespace

PresentationTools FindPresentationTools(const std::string& programFolder) {
    PresentationTools tools;
    std::optional<std::wstring> converter = AppPath(HKEY_LOCAL_MACHINE, L"soffice.exe");
    if (!converter)
        converter = AppPath(HKEY_CURRENT_USER, L"soffice.exe");
    if (!converter)
        converter = InFolderOf(L"ProgramFiles", L"\\LibreOffice\\program\\soffice.exe");
    if (!converter)
        converter = InFolderOf(L"ProgramFiles(x86)", L"\\LibreOffice\\program\\soffice.exe");
    if (!converter)
        converter = OnPath(L"soffice.exe");
    tools.converter = Found(converter);
    tools.pageInfo = PopplerProgram(programFolder, L"pdfinfo.exe");
    tools.pageRenderer = PopplerProgram(programFolder, L"pdftoppm.exe");
    return tools;
}

std::string MissingConverterAdvice() {
    return "LibreOffice is not installed (no soffice.exe in the registry's App Paths or in Program Files); "
           "install LibreOffice from libreoffice.org";
}

std::string MissingRendererAdvice() {
    return "pdftoppm.exe and pdfinfo.exe are missing; install poppler for Windows and put its bin folder on the "
           "PATH, or copy its bin folder's files beside mkscr.exe";
}

}  // namespace orlscr::mkscr
