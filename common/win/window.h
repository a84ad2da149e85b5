#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace orlscr {

// What becomes of an error that escapes a window's message handler. The
// handler's remaining steps are skipped, the message is answered 0 and the
// program goes on.
using HandlerErrorPolicy = std::function<void(HWND window, const std::string& message)>;

// The standard error box: ErrorBoxText of the message and an OK button, with
// the error icon, titled with the program's name (ProgramTitle), owned by the
// top-level window of `window`. Every window uses it for errors escaping its
// handlers unless it must not show one.
void ShowStandardErrorBox(HWND window, const std::string& message);

// What Window::CreateHandle makes: the arguments of CreateWindowExA, named.
// Unset fields are zero: no style, at 0,0 with no size, no parent, no menu.
struct WindowParams {
    const char* className = "";
    const char* caption = "";
    DWORD style = 0;
    DWORD exStyle = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    HWND parent = nullptr;
    // A child window's identifier, or a top-level window's menu.
    HMENU menu = nullptr;
    // The start of the error when the window is not made; the system's reason follows.
    const char* failureMessage = "Cannot create a window";
};

// The base of the program's windows: the window procedure that finds the
// object of a window and hands it the window's messages.
//
// The object is tied to its window at WM_NCCREATE, so it receives every
// message from then on, WM_NCCREATE and WM_CREATE included, and is untied at
// WM_NCDESTROY, after which window_ is null. Messages before WM_NCCREATE (a
// top-level window's WM_GETMINMAXINFO) get the default handling.
//
// A derived class registers its window class with RegisterWindowClass (which
// sets the procedure) and creates its window with CreateHandle, from its own
// constructor or later. Destroying the object destroys a window that still
// exists, untied first, so the derived handlers are no longer called; a class
// whose WM_DESTROY handling matters calls Destroy() in its own destructor, or
// earlier. This base is the owner of the window: nothing else destroys it.
class Window {
  public:
    explicit Window(HandlerErrorPolicy onHandlerError = ShowStandardErrorBox);
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Handle() const { return window_; }

    // Destroys the window now, if there is one: the handlers see WM_DESTROY
    // and WM_NCDESTROY, and Handle() is null afterwards. Must be called on the
    // window's own thread. An object that deletes itself in WindowDestroyed()
    // is gone when this returns.
    void Destroy();

    // The object of one of this base's windows; null for any other window.
    static Window* FromHandle(HWND window);

  protected:
    // RegisterClassExA with this base's window procedure. A class of that name
    // registered before is kept; any other failure throws Win32Error.
    static void RegisterWindowClass(WNDCLASSEXA windowClass);

    // CreateWindowExA with this object as the creation parameter. Throws
    // Win32Error("<failureMessage>: <system's reason>") when the window is not
    // created (Error(failureMessage) when the system gives no reason).
    void CreateHandle(const WindowParams& params);

    // One message of the window; the default handling is DefWindowProcA.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam);

    // Called after WM_NCDESTROY, once the object is untied from its window.
    virtual void WindowDestroyed() {}

    // The window, from WM_NCCREATE until WM_NCDESTROY; null otherwise.
    HWND window_ = nullptr;

  private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HandlerErrorPolicy onHandlerError_;
};

}  // namespace orlscr
