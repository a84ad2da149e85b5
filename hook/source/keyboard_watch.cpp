#include "hook/source/keyboard_watch.h"

namespace orlscr {

namespace {

// Where the watch's one internal assertion is reported from.
constexpr const char* kAssertionFile = "c:\\screensaver\\hook\\source\\TrvKbdNtfy";
constexpr int kAssertionLine = 75;

}  // namespace

TTarvelNotify::TTarvelNotify(NotifyPlatform& platform) : platform_(platform) {}

TTarvelNotify::~TTarvelNotify() {
    try {
        RemoveNotify();
    } catch (...) {
        // Nothing can be reported from here.
    }
}

bool TTarvelNotify::LoadHookLibrary() {
    return platform_.LoadHookLibrary();
}

void TTarvelNotify::SetEnabled(bool value) {
    if (value == GetEnabled())
        return;
    if (value)
        InstallNotify();
    else
        RemoveNotify();
    Change();
}

void TTarvelNotify::InstallNotify() {
    if (NotifyWindow)
        throw EAssertionFailed("Assertion failure", kAssertionFile, kAssertionLine);
    NotifyWindow = platform_.CreateNotifyWindow(*this);
    try {
        if (platform_.CallInstallHook(*NotifyWindow, kHookNotifyMessage) == -1)
            throw EOrlNotifyError("Install Hook Error!");
    } catch (...) {
        platform_.DestroyNotifyWindow(*NotifyWindow);
        NotifyWindow.reset();
        throw;
    }
}

void TTarvelNotify::RemoveNotify() {
    if (!NotifyWindow)
        return;
    const NotifyPlatform::WindowHandle window = *NotifyWindow;
    NotifyWindow.reset();
    platform_.CallUninstallHook(window);
    platform_.DestroyNotifyWindow(window);
}

bool TTarvelNotify::Reinstall() {
    if (!NotifyWindow)
        return false;
    return platform_.CallInstallHook(*NotifyWindow, kHookNotifyMessage) != -1;
}

bool TTarvelNotify::NotifyWndProc(TMessage& M) {
    if (M.Msg != kHookNotifyMessage)
        return false;
    ++deliveries_;
    M.Result = 0;
    bool fDiscard = false;
    DoMessage(M, fDiscard);
    if (fDiscard)
        M.Result = 1;
    return true;
}

void TTarvelNotify::DoMessage(TMessage& M, bool& fDiscard) {
    // A copy, so that a handler may detach or replace itself while it runs.
    const TOrlMessageEvent handler = OnMessage;
    if (handler)
        handler(*this, M, fDiscard);
}

void TTarvelNotify::Change() {
    const TNotifyEvent handler = OnChange;
    if (handler)
        handler(*this);
}

}  // namespace orlscr
