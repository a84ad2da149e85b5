#include "hook/source/keyboard_watch.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "support/expect_error.h"

namespace orlscr {
namespace {

// A platform whose windows are numbers and whose hook library keeps a set of
// receivers, as the real one does.
class FakeNotifyPlatform : public NotifyPlatform {
  public:
    WindowHandle CreateNotifyWindow(TTarvelNotify&) override {
        windows.insert(next);
        return next++;
    }
    void DestroyNotifyWindow(WindowHandle window) override { windows.erase(window); }
    bool LoadHookLibrary() override { return true; }
    int32_t CallInstallHook(WindowHandle window, uint32_t message) override {
        lastMessage = message;
        if (refuse)
            return -1;
        receivers.insert(window);
        return 0;
    }
    int32_t CallUninstallHook(WindowHandle window) override {
        receivers.erase(window);
        return 0;
    }

    std::set<WindowHandle> windows;
    std::set<WindowHandle> receivers;
    WindowHandle next = 100;
    bool refuse = false;
    uint32_t lastMessage = 0;
};

TMessage Notification(intptr_t lParam = 1234) {
    TMessage m;
    m.Msg = kHookNotifyMessage;
    m.LParam = lParam;
    return m;
}

TEST(KeyboardWatch, EnableAndDisableRaiseOnChangeAndLeaveNoWindow) {
    FakeNotifyPlatform platform;
    TTarvelNotify watch(platform);
    int changes = 0;
    watch.OnChange = [&](TTarvelNotify&) { ++changes; };

    watch.SetEnabled(false);  // already disabled: nothing happens
    EXPECT_EQ(changes, 0);

    watch.SetEnabled(true);
    EXPECT_TRUE(watch.GetEnabled());
    EXPECT_EQ(platform.windows.size(), 1u);
    EXPECT_EQ(platform.receivers, platform.windows);
    EXPECT_EQ(platform.lastMessage, 1960u);
    watch.SetEnabled(true);  // no second window, no event
    EXPECT_EQ(platform.windows.size(), 1u);
    EXPECT_EQ(changes, 1);

    watch.SetEnabled(false);
    EXPECT_FALSE(watch.GetEnabled());
    EXPECT_TRUE(platform.windows.empty());
    EXPECT_TRUE(platform.receivers.empty());
    EXPECT_EQ(changes, 2);

    // Destroying an enabled watch leaves the library's receivers as well.
    {
        TTarvelNotify other(platform);
        other.SetEnabled(true);
    }
    EXPECT_TRUE(platform.windows.empty());
    EXPECT_TRUE(platform.receivers.empty());
}

TEST(KeyboardWatch, RefusedInstallFailsWithoutChangeOrWindow) {
    FakeNotifyPlatform platform;
    platform.refuse = true;  // as when the library is missing
    TTarvelNotify watch(platform);
    int changes = 0;
    watch.OnChange = [&](TTarvelNotify&) { ++changes; };

    EXPECT_ERROR_MSG(watch.SetEnabled(true), "Install Hook Error!");
    EXPECT_THROW(watch.SetEnabled(true), EOrlNotifyError);
    EXPECT_FALSE(watch.GetEnabled());
    EXPECT_TRUE(platform.windows.empty());
    EXPECT_EQ(changes, 0);

    platform.refuse = false;  // a later attempt may still succeed
    watch.SetEnabled(true);
    EXPECT_TRUE(watch.GetEnabled());
}

TEST(KeyboardWatch, NotificationsReachOnMessageAndAnswerTheDiscardFlag) {
    FakeNotifyPlatform platform;
    TTarvelNotify watch(platform);
    std::vector<intptr_t> seen;
    bool discard = false;
    watch.OnMessage = [&](TTarvelNotify& sender, TMessage m, bool& fDiscard) {
        EXPECT_EQ(&sender, &watch);
        EXPECT_FALSE(fDiscard);
        seen.push_back(m.LParam);
        fDiscard = discard;
    };

    TMessage m = Notification(7);
    m.Result = 99;
    EXPECT_TRUE(watch.NotifyWndProc(m));
    EXPECT_EQ(m.Result, 0);

    discard = true;
    m = Notification(8);
    EXPECT_TRUE(watch.NotifyWndProc(m));
    EXPECT_EQ(m.Result, 1);

    TMessage other;
    other.Msg = 0x400;
    EXPECT_FALSE(watch.NotifyWndProc(other));
    EXPECT_EQ(seen, (std::vector<intptr_t>{7, 8}));

    watch.OnMessage = nullptr;  // without a handler the answer is 0
    m = Notification();
    EXPECT_TRUE(watch.NotifyWndProc(m));
    EXPECT_EQ(m.Result, 0);
}

TEST(KeyboardWatch, ReinstallGivesTheSameWindowToTheLibraryAgain) {
    FakeNotifyPlatform platform;
    TTarvelNotify watch(platform);
    EXPECT_FALSE(watch.Reinstall());  // disabled: nothing to install
    EXPECT_TRUE(platform.receivers.empty());

    watch.SetEnabled(true);
    const auto window = *platform.windows.begin();
    platform.receivers.clear();  // the library lost it
    EXPECT_TRUE(watch.Reinstall());
    EXPECT_EQ(platform.receivers, (std::set<NotifyPlatform::WindowHandle>{window}));
    EXPECT_EQ(platform.windows.size(), 1u);

    platform.refuse = true;  // refused: still enabled, to try again later
    EXPECT_FALSE(watch.Reinstall());
    EXPECT_TRUE(watch.GetEnabled());

    // Every notification counts as delivered, with or without a handler.
    TMessage m = Notification();
    watch.NotifyWndProc(m);
    watch.OnMessage = [](TTarvelNotify&, TMessage, bool&) {};
    watch.NotifyWndProc(m);
    TMessage other;
    other.Msg = 0x400;
    watch.NotifyWndProc(other);
    EXPECT_EQ(watch.Deliveries(), 2u);
}

TEST(KeyboardWatch, HandlerMayDetachAndReplaceItselfWhileRunning) {
    FakeNotifyPlatform platform;
    TTarvelNotify watch(platform);
    std::string log;
    int reentered = 0;
    watch.OnMessage = [&](TTarvelNotify& sender, TMessage, bool&) {
        std::string captured = "first";  // lives in the running handler's closure copy
        sender.OnMessage = nullptr;
        // A notification arriving meanwhile (a modal loop) finds no handler.
        TMessage inner = Notification();
        sender.NotifyWndProc(inner);
        sender.OnMessage = [&](TTarvelNotify&, TMessage, bool&) { ++reentered; };
        log += captured;
    };
    TMessage m = Notification();
    watch.NotifyWndProc(m);
    EXPECT_EQ(log, "first");
    EXPECT_EQ(reentered, 0);
    watch.NotifyWndProc(m);
    EXPECT_EQ(reentered, 1);
}

}  // namespace
}  // namespace orlscr
