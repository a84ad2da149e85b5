#include <windows.h>

#include <shellapi.h>  // after windows.h, which it needs

#include "builder/system_text.h"
#include "common/win/unique.h"
#include "tools/mkscr/cli.h"

namespace orlscr::mkscr {

std::string RunningProgramPath(const char*) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return std::string();
        if (n < buffer.size()) {
            buffer.resize(n);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    return Narrow(buffer);
}

bool CommandLineArguments(int argc, char** argv, std::vector<std::string>& args, std::string&) {
    int count = 0;
    UniqueLocal wide(reinterpret_cast<HLOCAL>(CommandLineToArgvW(GetCommandLineW(), &count)));
    if (!wide) {
        args.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
        return true;
    }
    auto* list = static_cast<LPWSTR*>(wide.get());
    args.clear();
    for (int i = 1; i < count; ++i)
        args.push_back(Narrow(list[i]));
    return true;
}

}  // namespace orlscr::mkscr
