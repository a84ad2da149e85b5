#include "common/win/window.h"

#include <exception>
#include <string>

#include "common/error.h"
#include "common/error_box.h"
#include "common/path.h"
#include "common/trace.h"
#include "common/win/paths.h"
#include "common/win/win32_error.h"

namespace orlscr {

void ShowStandardErrorBox(HWND window, const std::string& message) {
    const std::string text = ErrorBoxText(message);
    HWND owner = window ? ::GetAncestor(window, GA_ROOT) : nullptr;
    Trace("error box " + text);
    std::string title;
    try {
        title = ProgramTitle(ProgramPath(), IsSystemLeadByte);
    } catch (const std::exception&) {
        title = "Error";
    }
    ::MessageBoxA(owner, text.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
}

Window::Window(HandlerErrorPolicy onHandlerError) : onHandlerError_(std::move(onHandlerError)) {}

Window::~Window() {
    if (window_) {
        HWND window = window_;
        ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        window_ = nullptr;
        ::DestroyWindow(window);
    }
}

void Window::RegisterWindowClass(WNDCLASSEXA windowClass) {
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Procedure;
    if (!windowClass.hInstance)
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
    if (::RegisterClassExA(&windowClass) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw Win32Error(std::string("Cannot register the window class ") + windowClass.lpszClassName);
}

void Window::CreateHandle(const WindowParams& params) {
    ::SetLastError(0);
    const HWND made = ::CreateWindowExA(params.exStyle, params.className, params.caption, params.style, params.x, params.y,
                                        params.width, params.height, params.parent, params.menu, ::GetModuleHandleA(nullptr),
                                        this);
    if (!made || !window_) {
        // A window refused by its own WM_NCCREATE or WM_CREATE may leave no
        // system error behind, and so no reason to add.
        const DWORD code = ::GetLastError();
        Trace(std::string("window not created: ") + (made ? "it lost its object" : "no window") + ", error " +
              std::to_string(code));
        if (code == 0)
            throw Error(params.failureMessage);
        throw Win32Error(params.failureMessage, code);
    }
}

void Window::Destroy() {
    if (window_)
        ::DestroyWindow(window_);
}

Window* Window::FromHandle(HWND window) {
    // Only a window with this base's procedure carries an object.
    if (!window || ::GetWindowLongPtrA(window, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(Procedure))
        return nullptr;
    return reinterpret_cast<Window*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultHandling(message, wParam, lParam);
}

LRESULT Window::DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcA(window_, message, wParam, lParam);
}

LRESULT CALLBACK Window::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        if (self) {
            self->window_ = window;
            ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    } else {
        self = reinterpret_cast<Window*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    }
    if (!self)
        return ::DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        const LRESULT result = ::DefWindowProcA(window, message, wParam, lParam);
        self->WindowDestroyed();
        return result;
    }
    // Nothing may escape into the system's message dispatch.
    std::string failure;
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (const std::exception& error) {
        failure = error.what();
    } catch (...) {
        failure = "Unknown error";
    }
    try {
        if (self->onHandlerError_)
            self->onHandlerError_(window, failure);
    } catch (...) {
        Trace("error " + failure);
    }
    return 0;
}

}  // namespace orlscr
