#pragma once

#include <windows.h>

#include "common/win/unique.h"
#include "saver/saver_platform.h"

namespace orlscr {

// The viewer process, started inside a job object that ends every process in
// it when the last handle to the job closes: a saver that is killed or crashes
// takes its viewer with it. The normal end still terminates the process.
class Win32ViewerProcess : public ViewerProcess {
  public:
    bool StartViewerProcess(const std::string& commandLine) override;
    bool HasViewerProcess() override { return static_cast<bool>(process_); }
    std::optional<uint32_t> ViewerExitCode() override;
    void TerminateViewerProcess() override;
    void CloseViewerProcess() override;

  private:
    UniqueHandle job_;
    UniqueHandle process_;
    UniqueHandle thread_;
};

}  // namespace orlscr
