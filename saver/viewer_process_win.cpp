#include "saver/viewer_process_win.h"

namespace orlscr {

bool Win32ViewerProcess::StartViewerProcess(const std::string& commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::string buffer = commandLine;  // CreateProcessA may write into it
    if (!::CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0x30, nullptr, nullptr, &startup, &info))
        return false;
    process_.reset(info.hProcess);
    thread_.reset(info.hThread);
    return true;
}

std::optional<uint32_t> Win32ViewerProcess::ViewerExitCode() {
    DWORD code = 0;
    if (!process_ || !::GetExitCodeProcess(process_.get(), &code))
        return std::nullopt;
    return code;
}

void Win32ViewerProcess::TerminateViewerProcess() {
    ::TerminateProcess(process_.get(), 0);
}

void Win32ViewerProcess::CloseViewerProcess() {
    process_.reset();
    thread_.reset();
}

}  // namespace orlscr
