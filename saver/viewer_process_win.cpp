#include "saver/viewer_process_win.h"

#include "common/trace.h"
#include "saver/run_end_win.h"

namespace orlscr {

namespace {

// CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS.
constexpr DWORD kViewerCreationFlags = 0x30;

// A job that ends its processes when its last handle closes; none when the
// platform cannot make one.
UniqueHandle CreateKillOnCloseJob() {
    UniqueHandle job(::CreateJobObjectA(nullptr, nullptr));
    if (!job)
        return job;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits))
        job.reset();
    return job;
}

}  // namespace

bool Win32ViewerProcess::StartViewerProcess(const std::string& commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::string buffer = commandLine;  // CreateProcessA may write into it
    const ViewerStartGuard starting;
    if (!starting.Started())
        return false;
    // Suspended until it is in the job, so nothing it starts escapes it.
    if (!::CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, kViewerCreationFlags | CREATE_SUSPENDED,
                          nullptr, nullptr, &startup, &info))
        return false;
    process_.reset(info.hProcess);
    thread_.reset(info.hThread);
    job_ = CreateKillOnCloseJob();
    // Where the saver itself runs in a job that allows no other, the viewer
    // runs without one rather than not at all.
    const bool inJob = job_ && ::AssignProcessToJobObject(job_.get(), process_.get());
    if (!inJob)
        job_.reset();
    RegisterViewerForRunEnd(job_.get(), process_.get());
    ::ResumeThread(thread_.get());
    Trace("viewer process " + std::to_string(info.dwProcessId) + (inJob ? " in job of " : " without job of ") +
          std::to_string(::GetCurrentProcessId()));
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
    RegisterViewerForRunEnd(nullptr, nullptr);
    process_.reset();
    thread_.reset();
    // Ends whatever of the viewer is still running, also processes it started.
    job_.reset();
}

}  // namespace orlscr
