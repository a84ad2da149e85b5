// Checks the Win32 helpers of common/win on a real Win32: the handle owners
// close exactly once, moves hand ownership over, release() gives it up,
// Win32Error carries the system's text, the window base finds its object from
// WM_NCCREATE on and hands escaping errors to its policy, the pump keeps a
// quit request for the loop around it, the folder queries grow their buffers,
// and the initialisation file tells a missing key from an empty one.

#include <windows.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "common/win/message_pump.h"
#include "common/win/paths.h"
#include "common/win/profile_file.h"
#include "common/win/unique.h"
#include "common/win/win32_error.h"
#include "common/win/window.h"
#include "tests/wine/helpers/check.h"

namespace {

using orlscr::check::Check;

bool IsOpen(HANDLE h) {
    DWORD flags = 0;
    return ::GetHandleInformation(h, &flags) != 0;
}

HANDLE NewEvent() {
    return ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

void CheckUniqueHandle() {
    HANDLE raw = NewEvent();
    {
        orlscr::UniqueHandle a(raw);
        Check(static_cast<bool>(a) && a.get() == raw, "holder owns the handle");
        orlscr::UniqueHandle b(std::move(a));
        Check(!a && b.get() == raw, "move hands the handle over");
        Check(IsOpen(raw), "move does not close");
        orlscr::UniqueHandle c;
        c = std::move(b);
        Check(!b && c.get() == raw && IsOpen(raw), "move assignment hands the handle over");
    }
    Check(!IsOpen(raw), "destructor closes");

    HANDLE first = NewEvent();
    HANDLE second = NewEvent();
    orlscr::UniqueHandle holder(first);
    holder.reset(second);
    Check(!IsOpen(first) && IsOpen(second), "reset closes the old handle and keeps the new one");
    HANDLE released = holder.release();
    Check(!holder && released == second, "release gives up ownership");
    holder.reset();
    Check(IsOpen(second), "an empty holder closes nothing");
    orlscr::UniqueHandle(released).reset();
    Check(!IsOpen(second), "a released handle can be owned again");
}

void CheckUniqueFileAndModule() {
    orlscr::UniqueFile none;
    Check(!none && none.get() == INVALID_HANDLE_VALUE, "an empty file holder is INVALID_HANDLE_VALUE");
    orlscr::UniqueFile missing(
        ::CreateFileA("Z:\\no\\such\\file.bin", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    Check(!missing, "a failed CreateFile is an empty holder");

    orlscr::UniqueModule module(::LoadLibraryA("version.dll"));
    Check(static_cast<bool>(module), "LoadLibrary gives a module");
    module.reset();
    Check(!module, "reset frees the module");
}

void CheckWin32Error() {
    orlscr::Win32Error error("Cannot open file C:\\x", ERROR_FILE_NOT_FOUND);
    const std::string text = error.what();
    Check(text.rfind("Cannot open file C:\\x: ", 0) == 0, "message starts with the caller's text");
    Check(text.size() > std::string("Cannot open file C:\\x: ").size(), "the system's text follows");
    Check(text.back() != '\n' && text.back() != '\r' && text.back() != ' ', "no trailing line break");
    Check(error.code() == ERROR_FILE_NOT_FOUND, "the code is kept");

    ::SetLastError(ERROR_ACCESS_DENIED);
    orlscr::Win32Error last("x");
    Check(last.code() == ERROR_ACCESS_DENIED, "GetLastError is taken by default");

    Check(orlscr::SystemErrorText(0x2FFFFFFF) == "error 805306367", "unknown codes are given as numbers");
}

// A window that records the messages it gets and throws on WM_USER.
class ProbeWindow : public orlscr::Window {
  public:
    ProbeWindow()
        : Window([this](HWND window, const std::string& message) { errors.push_back(message + (window ? "" : "?")); }) {
        WNDCLASSEXA windowClass = {};
        windowClass.lpszClassName = "CommonWinProbe";
        RegisterWindowClass(windowClass);
        RegisterWindowClass(windowClass);  // a second registration is no error
        CreateHandle({.className = "CommonWinProbe",
                      .caption = "probe",
                      .style = WS_POPUP,
                      .width = 10,
                      .height = 10,
                      .failureMessage = "no probe window"});
    }

    std::vector<UINT> messages;
    std::vector<std::string> errors;
    bool destroyed = false;

  private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        messages.push_back(message);
        if (message == WM_USER)
            throw std::runtime_error("handler failed");
        return DefaultHandling(message, wParam, lParam);
    }
    void WindowDestroyed() override { destroyed = true; }
};

void CheckWindow() {
    ProbeWindow probe;
    Check(probe.Handle() != nullptr, "the window is created");
    Check(!probe.messages.empty() && probe.messages.front() == WM_NCCREATE, "the object gets WM_NCCREATE first");
    const LRESULT result = ::SendMessageA(probe.Handle(), WM_USER, 0, 0);
    Check(result == 0 && probe.errors.size() == 1 && probe.errors[0] == "handler failed",
          "an escaping error goes to the policy and the message is answered 0");
    Check(orlscr::Window::FromHandle(probe.Handle()) == &probe, "the window leads to its object");
    HWND plain = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    orlscr::UniqueWindow plainOwner(plain);
    Check(orlscr::Window::FromHandle(plain) == nullptr, "a window of another procedure has no object");
    probe.Destroy();
    Check(probe.Handle() == nullptr && probe.destroyed, "the object is untied at WM_NCDESTROY");
}

// A window of a class nobody registered.
class UnregisteredWindow : public orlscr::Window {
  public:
    UnregisteredWindow() {
        CreateHandle({.className = "CommonWinNoSuchClass", .failureMessage = "Cannot create the probe"});
    }
};

void CheckWindowNotCreated() {
    std::string text;
    try {
        UnregisteredWindow window;
    } catch (const orlscr::Win32Error& error) {
        text = error.what();
    }
    const std::string start = "Cannot create the probe: ";
    Check(text.rfind(start, 0) == 0 && text.size() > start.size(),
          "a window that is not created is reported with the system's reason");
}

void CheckMessagePump() {
    HWND window = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    orlscr::UniqueWindow owner(window);
    ::PostMessageA(window, WM_NULL, 0, 0);
    Check(!orlscr::ProcessPendingMessages(), "without a quit request the pump says none");
    ::PostQuitMessage(7);
    Check(orlscr::ProcessPendingMessages(), "the pump reports a quit request");
    Check(orlscr::RunMessageLoop() == 7, "and leaves it, with its code, for the loop around it");
}

void CheckFolders() {
    const std::string program = orlscr::ProgramPath();
    const std::string name = "common_win_check.exe";
    Check(program.size() > name.size() && program.compare(program.size() - name.size(), name.size(), name) == 0,
          "ProgramPath names the program");
    Check(orlscr::ProgramFolder() == program.substr(0, program.size() - name.size()),
          "ProgramFolder is the program's folder with its backslash");
    const std::string system = orlscr::SysDir();
    Check(!system.empty() && system.back() != '\\', "SysDir has no trailing backslash");

    // A temporary folder longer than a fixed buffer of 255 is found whole.
    std::string longFolder = "C:\\";
    while (longFolder.size() < 256)
        longFolder += std::string(40, 'l') + "\\";
    longFolder.resize(256);
    ::SetEnvironmentVariableA("TMP", longFolder.c_str());
    try {
        const std::string temp = orlscr::TempDir();
        Check(temp == longFolder + "\\", "TempDir of a 257-character folder comes whole");
    } catch (const std::exception& error) {
        std::printf("%s\n", error.what());
        Check(false, "TempDir of a 257-character folder comes whole");
    }
    // Over the path limit the system has none; that is an error, not "".
    ::SetEnvironmentVariableA("TMP", (longFolder + std::string(100, 'x')).c_str());
    bool thrown = false;
    try {
        const std::string temp = orlscr::TempDir();
        thrown = temp.size() > 300;  // a system without the limit answers whole
    } catch (const orlscr::Win32Error& error) {
        thrown = std::string(error.what()).rfind("Cannot find the temporary folder: ", 0) == 0;
    }
    Check(thrown, "TempDir beyond the path limit throws its message");
}

void CheckProfileFile() {
    const std::string path = orlscr::TempDir() + "common_win_check.ini";
    ::DeleteFileA(path.c_str());
    orlscr::PrivateProfileFile file(path);
    Check(!file.Exists() && !file.ReadString("Setup", "mute"), "a missing file has no keys");
    const std::string longValue(1000, 'v');
    file.WriteString("Setup", "empty", "");
    file.WriteString("Setup", "long", longValue);
    Check(file.Exists(), "writing creates the file");
    Check(file.ReadString("Setup", "empty") == std::string(), "an empty value is empty, not missing");
    Check(!file.ReadString("Setup", "mute"), "a missing key is missing");
    Check(!file.ReadString("Other", "empty"), "a missing section is missing");
    Check(file.ReadString("Setup", "long") == longValue, "a long value is read whole");
    ::DeleteFileA(path.c_str());
}

}  // namespace

int main() {
    CheckUniqueHandle();
    CheckUniqueFileAndModule();
    CheckWin32Error();
    CheckWindow();
    CheckWindowNotCreated();
    CheckMessagePump();
    CheckProfileFile();
    CheckFolders();
    return orlscr::check::CheckSummary();
}
