#include "common/win/window.h"

#include <exception>

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

void Window::CreateHandle(DWORD exStyle,
                          const char* className,
                          const char* caption,
                          DWORD style,
                          int x,
                          int y,
                          int width,
                          int height,
                          HWND parent,
                          HMENU menu,
                          const char* failureMessage) {
    ::CreateWindowExA(exStyle, className, caption, style, x, y, width, height, parent, menu,
                      ::GetModuleHandleA(nullptr), this);
    if (!window_)
        throw Error(failureMessage);
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
