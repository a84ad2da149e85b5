#include "tools/studio/carried_programs_win.h"

#include <windows.h>

#include "builder/system_text.h"
#include "common/error.h"
#include "common/win/unique.h"
#include "common/win/win32_error.h"
#include "package/package_contract.h"
#include "tools/studio/studio_resources.h"

namespace orlscr::studio {

namespace {

struct Carried {
    int id;
    const char* name;
};

void WriteResource(int id, const std::wstring& path) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes)
        throw Win32Error("The studio's own programs are missing from it");
    const DWORD size = SizeofResource(nullptr, found);
    UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !WriteFile(file.get(), bytes, size, &written, nullptr) || written != size)
        throw Win32Error("Cannot write out the studio's programs to '" + mkscr::Narrow(path) + "'");
}

}  // namespace

CarriedPrograms::CarriedPrograms() {
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    if (n == 0 || n > MAX_PATH)
        throw Win32Error("Cannot find the temporary folder");
    const std::wstring folder = std::wstring(temp) + L"orlscr-studio-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    folder_ = mkscr::Narrow(folder);
    const Carried carried[] = {
        {kPlayerResource, "player.scr"}, {kViewerResource, "slideview.exe"}, {kHookResource, kHookLibraryFileName}};
    for (const Carried& c : carried)
        WriteResource(c.id, folder + L"\\" + mkscr::Widen(c.name));
}

CarriedPrograms::~CarriedPrograms() {
    const std::wstring folder = mkscr::Widen(folder_);
    for (const char* name : {"player.scr", "slideview.exe", kHookLibraryFileName})
        DeleteFileW((folder + L"\\" + mkscr::Widen(name)).c_str());
    RemoveDirectoryW(folder.c_str());
}

}  // namespace orlscr::studio
