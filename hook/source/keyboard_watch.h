#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/error.h"
#include "hook/source/event_msg.h"

namespace orlscr {

// Raised when the hook library does not accept the watch's window.
class EOrlNotifyError : public Error {
  public:
    explicit EOrlNotifyError(const std::string& message) : Error(message) {}
};

// A broken internal assumption of the watch, with the place it was checked.
class EAssertionFailed : public Error {
  public:
    EAssertionFailed(const std::string& message, std::string file, int line)
        : Error(message), file_(std::move(file)), line_(line) {}
    const std::string& file() const { return file_; }
    int line() const { return line_; }

  private:
    std::string file_;
    int line_;
};

class TTarvelNotify;

// What the watch needs from the platform: its hidden window and the loaded
// hook library (one per process, shared by all watches). Windows are opaque
// non-zero numbers.
class NotifyPlatform {
  public:
    using WindowHandle = uintptr_t;

    virtual ~NotifyPlatform() = default;
    // Creates the hidden window whose messages go to owner.NotifyWndProc.
    // Throws Error when the window cannot be made.
    virtual WindowHandle CreateNotifyWindow(TTarvelNotify& owner) = 0;
    virtual void DestroyNotifyWindow(WindowHandle window) = 0;
    // Loads the hook library and looks up its entries. A library that cannot
    // be loaded is reported to the user here and false returned; nothing is
    // thrown.
    virtual bool LoadHookLibrary() = 0;
    // The library's "InstallHook"; -1 when it is missing.
    virtual int32_t CallInstallHook(WindowHandle window, uint32_t message) = 0;
    // The library's "UninstallHook"; 0 when it is missing.
    virtual int32_t CallUninstallHook(WindowHandle window) = 0;
};

// The keyboard watch: reports every input event of the desktop, as the hook
// library sends it to the watch's hidden window, through OnMessage.
//
// Invariant: Enabled() is true exactly while the notify window exists, and the
// window is one of the hook library's receivers for all that time (unless a
// Reinstall was refused).
//
// OnMessage and OnChange may be reassigned at any time, also from inside a
// call of either; the handler that is running stays alive until it returns.
class TTarvelNotify {
  public:
    using TOrlMessageEvent = std::function<void(TTarvelNotify& Sender, TMessage M, bool& fDiscard)>;
    using TNotifyEvent = std::function<void(TTarvelNotify& Sender)>;

    explicit TTarvelNotify(NotifyPlatform& platform);
    // Disables the watch (without raising OnChange: the owner is going away).
    virtual ~TTarvelNotify();

    TTarvelNotify(const TTarvelNotify&) = delete;
    TTarvelNotify& operator=(const TTarvelNotify&) = delete;

    // False when the hook library cannot be loaded (the user was told).
    bool LoadHookLibrary();

    bool GetEnabled() const { return NotifyWindow.has_value(); }
    // Throws EOrlNotifyError ("Install Hook Error!") when the library refuses
    // the window; the watch then stays disabled and OnChange is not raised.
    void SetEnabled(bool value);

    // The notify window's message handler. Returns false for messages the
    // watch does not handle, which get the platform's default handling.
    bool NotifyWndProc(TMessage& M);

    // How many notifications the library has delivered so far, handled or
    // not.
    uint64_t Deliveries() const { return deliveries_; }
    // Installs the enabled watch's window with the library once more, which
    // sets the library's hooks afresh, for a library whose hooks the platform
    // dropped; the window stays a receiver meanwhile, so nothing queued for it
    // is lost. False when the library refuses it; the watch stays enabled and
    // can try again.
    bool Reinstall();

    TOrlMessageEvent OnMessage;
    TNotifyEvent OnChange;

  protected:
    virtual void DoMessage(TMessage& M, bool& fDiscard);
    virtual void Change();

  private:
    void InstallNotify();
    void RemoveNotify();

    NotifyPlatform& platform_;
    std::optional<NotifyPlatform::WindowHandle> NotifyWindow;
    uint64_t deliveries_ = 0;
};

}  // namespace orlscr
