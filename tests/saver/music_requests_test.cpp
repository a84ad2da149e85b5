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
        settings_.SndCommaList.SetText("100,200");
        settings_.SndFileNamesCommaList.SetText("one.wav,two.wav");
        settings_.SndSizesCommaList.SetText("10,10");
    }

    TSSFileLocations settings_;
    HoldingDevice device_;
    MusicRequests requests_;
    MusicWorker worker_{device_};
};

}  // namespace

TEST_F(MusicRequestsTest, RequestsAreCarriedOutInOrderOnTheWorkerAndNothingAfterTheFinish) {
    // Notices before the start have no music to go to.
    worker_.Notify(false);
    requests_.Start(settings_, "C:\\T\\", NoLeadBytes);
    // The worker's copy of the record is its own.
    settings_.SndFileNamesCommaList.SetText("changed.wav,changed.wav");
    EXPECT_TRUE(device_.Calls().empty());
    EXPECT_FALSE(worker_.Serve(requests_));
    worker_.Notify(false);
    EXPECT_EQ(device_.Calls(), (Names{"open one.wav", "play", "open two.wav", "play"}));

    // No one serves yet: the finish waits no longer than its bound.
    EXPECT_FALSE(requests_.Finish(10));
    requests_.Start(settings_, "C:\\T\\", NoLeadBytes);
    EXPECT_TRUE(worker_.Serve(requests_));
    EXPECT_TRUE(requests_.Finished());
    EXPECT_EQ(device_.Calls(), (Names{"open one.wav", "play", "open two.wav", "play", "stop", "close"}));

    // The device's late notices and later requests are dropped.
    worker_.Notify(false);
    requests_.Start(settings_, "C:\\T\\", NoLeadBytes);
    EXPECT_TRUE(requests_.Take().empty());
    EXPECT_EQ(device_.Calls().size(), 6u);
}

TEST_F(MusicRequestsTest, AMediaCallThatDoesNotReturnHoldsOnlyTheMediaThread) {
    device_.holdOpen = true;
    std::mutex mutex;
    std::condition_variable wake;
    bool pending = false;
    requests_.SetWake([&] {
        std::lock_guard<std::mutex> lock(mutex);
        pending = true;
        wake.notify_all();
    });
    std::thread media([&] {
        while (!requests_.Finished()) {
            {
                std::unique_lock<std::mutex> lock(mutex);
                wake.wait(lock, [&] { return pending; });
                pending = false;
            }
            worker_.Serve(requests_);
        }
    });

    requests_.Start(settings_, "C:\\T\\", NoLeadBytes);
    device_.WaitOpenEntered();
    EXPECT_FALSE(requests_.Finish(20));
    EXPECT_FALSE(requests_.Finished());

    // Once the open returns, the finish that waited is carried out.
    device_.Release();
    media.join();
    EXPECT_TRUE(requests_.Finished());
    EXPECT_EQ(device_.Calls(), (Names{"open one.wav", "play", "stop", "close"}));
}
