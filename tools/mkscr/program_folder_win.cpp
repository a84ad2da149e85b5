#include <windows.h>

#include <shellapi.h>  // after windows.h, which it needs

#include "tools/mkscr/cli.h"

namespace orlscr::mkscr {

std::string ProgramFolder(const char*) {
    char buffer[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    std::string path(buffer, n);
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool CommandLineArguments(int argc, char** argv, std::vector<std::string>& args, std::string& error) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) {
        args.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
        return true;
    }
    // A UTF-8 system code page holds every character and takes no default character.
    const UINT codePage = GetACP();
    const bool utf8 = codePage == CP_UTF8;
    args.clear();
    bool ok = true;
    for (int i = 1; i < count && ok; ++i) {
        const int length = lstrlenW(wide[i]);
        BOOL lossy = FALSE;
        const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
        BOOL* lossyOut = utf8 ? nullptr : &lossy;
        int n = WideCharToMultiByte(codePage, flags, wide[i], length, nullptr, 0, nullptr, lossyOut);
        std::string arg(static_cast<size_t>(n > 0 ? n : 0), '\0');
        if (n > 0)
            WideCharToMultiByte(codePage, flags, wide[i], length, arg.data(), n, nullptr, lossyOut);
        if (lossy) {
            error = "the argument '" + arg + "' has characters that the system code page cannot hold";
            ok = false;
        }
        args.push_back(std::move(arg));
    }
    LocalFree(wide);
    return ok;
}

}  // namespace orlscr::mkscr
