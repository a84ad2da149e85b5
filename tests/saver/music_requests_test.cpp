#include "saver/music_requests.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/random.h"

using namespace orlscr;

namespace {

using Names = std::vector<std::string>;

// Records the calls; an open can be held until Release(), as a media call
// that does not return.
class HoldingDevice : public SoundDevice {
  public:
    void Open(const std::string& file) override {
        std::unique_lock<std::mutex> lock(mutex_);
        calls.push_back("open " + file.substr(file.rfind('\\') + 1));
        entered_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return !holdOpen; });
    }
    void Play() override { Add("play"); }
    void Stop() override { Add("stop"); }
    void Close() override { Add("close"); }
    void PostFailure() override { Add("failure posted"); }

    void WaitOpenEntered() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return entered_; });
    }
    void Release() {
        std::lock_guard<std::mutex> lock(mutex_);
        holdOpen = false;
        changed_.notify_all();
    }
    Names Calls() {
        std::lock_guard<std::mutex> lock(mutex_);
        return calls;
    }

    bool holdOpen = false;
    Names calls;

  private:
    void Add(const std::string& call) {
        std::lock_guard<std::mutex> lock(mutex_);
        calls.push_back(call);
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    bool entered_ = false;
};

class MusicRequestsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SharedRandom().Reset();
        settings.SndCommaList.SetText("100,200");
        settings.SndFileNamesCommaList.SetText("one.wav,two.wav");
        settings.SndSizesCommaList.SetText("10,10");
    }

    TSSFileLocations settings;
    HoldingDevice device;
    MusicRequests requests;
    MusicWorker worker{device};
};

}  // namespace

TEST_F(MusicRequestsTest, RequestsAreCarriedOutInOrderOnTheWorkerAndNothingAfterTheFinish) {
    // Notices before the start have no music to go to.
    worker.Notify(false);
    requests.Start(settings, "C:\\T\\", NoLeadBytes);
    // The worker's copy of the record is its own.
    settings.SndFileNamesCommaList.SetText("changed.wav,changed.wav");
    EXPECT_TRUE(device.Calls().empty());
    EXPECT_FALSE(worker.Serve(requests));
    worker.Notify(false);
    EXPECT_EQ(device.Calls(), (Names{"open one.wav", "play", "open two.wav", "play"}));

    // No one serves yet: the finish waits no longer than its bound.
    EXPECT_FALSE(requests.Finish(10));
    requests.Start(settings, "C:\\T\\", NoLeadBytes);
    EXPECT_TRUE(worker.Serve(requests));
    EXPECT_TRUE(requests.Finished());
    EXPECT_EQ(device.Calls(), (Names{"open one.wav", "play", "open two.wav", "play", "stop", "close"}));

    // The device's late notices and later requests are dropped.
    worker.Notify(false);
    requests.Start(settings, "C:\\T\\", NoLeadBytes);
    EXPECT_TRUE(requests.Take().empty());
    EXPECT_EQ(device.Calls().size(), 6u);
}

TEST_F(MusicRequestsTest, AMediaCallThatDoesNotReturnHoldsOnlyTheMediaThread) {
    device.holdOpen = true;
    std::mutex mutex;
    std::condition_variable wake;
    bool pending = false;
    requests.SetWake([&] {
        std::lock_guard<std::mutex> lock(mutex);
        pending = true;
        wake.notify_all();
    });
    std::thread media([&] {
        while (!requests.Finished()) {
            {
                std::unique_lock<std::mutex> lock(mutex);
                wake.wait(lock, [&] { return pending; });
                pending = false;
            }
            worker.Serve(requests);
        }
    });

    requests.Start(settings, "C:\\T\\", NoLeadBytes);
    device.WaitOpenEntered();
    EXPECT_FALSE(requests.Finish(20));
    EXPECT_FALSE(requests.Finished());

    // Once the open returns, the finish that waited is carried out.
    device.Release();
    media.join();
    EXPECT_TRUE(requests.Finished());
    EXPECT_EQ(device.Calls(), (Names{"open one.wav", "play", "stop", "close"}));
}
