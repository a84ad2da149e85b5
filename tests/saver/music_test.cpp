#include "saver/music.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/random.h"
#include "package/settings_record.h"

using namespace orlscr;

namespace {

// Records every call as text ("open C:\T\a.wav", "play", "stop", "close").
class FakeDevice : public SoundDevice {
  public:
    void Open(const std::string& file) override {
        calls.push_back("open " + file);
        open = file;
        if (failOpen || badFiles.count(file.substr(file.rfind('\\') + 1)))
            throw Error("The specified device is not open or is not recognized by MCI.");
    }
    void Play() override {
        calls.push_back("play");
        if (failPlay)
            throw Error("play refused");
    }
    void Stop() override { calls.push_back("stop"); }
    void Close() override { calls.push_back("close"); }
    // Counted apart from `calls`: the owner delivers it as a failure notice.
    void PostFailure() override { ++postedFailures; }

    // The files opened, in order.
    std::vector<std::string> Opened() const {
        std::vector<std::string> files;
        for (const std::string& call : calls)
            if (call.rfind("open ", 0) == 0)
                files.push_back(call.substr(5));
        return files;
    }

    std::vector<std::string> calls;
    std::string open;                // the file of the latest open
    std::set<std::string> badFiles;  // names whose open fails
    bool failOpen = false;
    bool failPlay = false;
    int postedFailures = 0;
};

// Delivers the failure notices the device posted, as the window would; returns
// how many were delivered (bounded, so a loop of notices shows as a count).
int DeliverPostedFailures(Music& music, FakeDevice& device) {
    int delivered = 0;
    while (device.postedFailures > 0 && delivered < 1000) {
        --device.postedFailures;
        ++delivered;
        music.mpSaverNotify(true);
    }
    return delivered;
}

std::vector<std::string> BaseNames(const std::vector<std::string>& files) {
    std::vector<std::string> names;
    for (const std::string& file : files)
        names.push_back(file.substr(file.rfind('\\') + 1));
    return names;
}

class MusicTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // The music is the first to draw from the generator in a run.
        SharedRandom().Reset();
        settings_.SndCommaList.SetText("100,200,300");
        settings_.SndFileNamesCommaList.SetText("one.wav,two.wav,three.wav");
        settings_.SndSizesCommaList.SetText("10,10,10");
    }

    // Start, then `ends` completions; the names of the files opened.
    std::vector<std::string> Run(int ends, const std::string& tempDir = "C:\\T\\") {
        FakeDevice device;
        Music music(settings_, device, tempDir, NoLeadBytes);
        music.Start();
        for (int i = 0; i < ends; ++i)
            music.mpSaverNotify();
        std::vector<std::string> names;
        for (const std::string& file : device.Opened())
            names.push_back(file.substr(file.rfind('\\') + 1));
        return names;
    }

    TSSFileLocations settings_;
};

using Names = std::vector<std::string>;

}  // namespace

TEST_F(MusicTest, ListOrderStartsOverAfterTheLastTrack) {
    const Names expected{"one.wav", "two.wav", "three.wav", "one.wav", "two.wav", "three.wav", "one.wav"};
    for (int32_t order : {0, 1, 4, -1}) {
        settings_.SoundRandom = order;
        EXPECT_EQ(Run(6), expected) << "SoundRandom " << order;
    }
}

TEST_F(MusicTest, EveryCompletionOpensAndPlaysTheNextTrackAndShutdownStopsAndCloses) {
    FakeDevice device;
    Music music(settings_, device, "C:\\Users\\x\\Temp", NoLeadBytes);
    music.Start();
    EXPECT_EQ(music.SoundIndex(), 1);
    // A track that completed is not stopped; a failed one is.
    music.mpSaverNotify();
    EXPECT_EQ(device.calls,
              (Names{"open C:\\Users\\x\\Temp\\one.wav", "play", "open C:\\Users\\x\\Temp\\two.wav", "play"}));
    EXPECT_EQ(music.SoundIndex(), 2);
    music.mpSaverNotify(true);
    EXPECT_EQ(device.calls[4], "stop");

    device.calls.clear();
    music.Shutdown();
    EXPECT_EQ(device.calls, (Names{"stop", "close"}));
}

TEST_F(MusicTest, OneRandomTrackPlaysTheFirstEntryAgainAndAgain) {
    settings_.SoundRandom = 3;
    FakeDevice device;
    Music music(settings_, device, "C:\\T\\", NoLeadBytes);
    music.Start();
    for (int i = 0; i < 4; ++i)
        music.mpSaverNotify();
    EXPECT_EQ(device.Opened(), Names(5, "C:\\T\\one.wav"));
    EXPECT_EQ(music.SoundIndex(), 0);
}

TEST_F(MusicTest, RandomEveryPlayStartsWithTheFirstEntryAndRepeatsRunToRun) {
    settings_.SoundRandom = 2;
    const Names first = Run(29);
    ASSERT_EQ(first.size(), 30u);
    EXPECT_EQ(first[0], "one.wav");

    // Each play is one draw of Random(3) from a generator that starts at 0.
    RandomGenerator generator;
    const Names all{"one.wav", "two.wav", "three.wav"};
    for (size_t i = 0; i < first.size(); ++i)
        EXPECT_EQ(first[i], all[generator.Next(3)]) << "play " << i;
    EXPECT_NE(std::count(first.begin(), first.end(), "one.wav"), 30);

    SharedRandom().Reset();
    EXPECT_EQ(Run(29), first);
}

TEST_F(MusicTest, MutedOrTracklessMusicNeverTouchesTheDevice) {
    settings_.lMute = true;
    settings_.SoundRandom = 3;
    FakeDevice muted;
    Music mutedMusic(settings_, muted, "C:\\T\\", NoLeadBytes);
    mutedMusic.Start();
    mutedMusic.mpSaverNotify();
    mutedMusic.Shutdown();
    EXPECT_TRUE(muted.calls.empty());
    // The one draw still happens, so later users of the generator see the same
    // sequence whatever the music switch says.
    EXPECT_EQ(SharedRandom().State(), 1u);

    settings_ = TSSFileLocations();
    settings_.SoundRandom = 3;
    FakeDevice none;
    Music silent(settings_, none, "C:\\T\\", NoLeadBytes);
    silent.Start();
    silent.PlayNextSound();
    silent.Shutdown();
    EXPECT_TRUE(none.calls.empty());
}

TEST_F(MusicTest, MuteIsTakenFromTheRecordWhenTheMusicStarts) {
    // The start-up stores the "CONTROL.INI" value into the record between the
    // music's creation and its start: a package muted by default plays when the
    // switch is off, and one that is not muted stays silent when it is on.
    settings_.lMute = true;
    FakeDevice device;
    Music music(settings_, device, "C:\\T\\", NoLeadBytes);
    settings_.lMute = false;
    music.Start();
    EXPECT_EQ(device.Opened().size(), 1u);

    settings_.lMute = true;
    FakeDevice silent;
    Music muted(settings_, silent, "C:\\T\\", NoLeadBytes);
    muted.Start();
    EXPECT_TRUE(silent.calls.empty());
}

TEST_F(MusicTest, DeviceErrorsAreSwallowedAndTheIndexStillMovesOn) {
    FakeDevice device;
    device.failOpen = true;
    Music music(settings_, device, "C:\\T\\", NoLeadBytes);
    EXPECT_NO_THROW(music.Start());
    EXPECT_EQ(device.calls, Names{"open C:\\T\\one.wav"});
    EXPECT_EQ(music.SoundIndex(), 1);

    FakeDevice refusing;
    refusing.failPlay = true;
    Music refused(settings_, refusing, "C:\\T\\", NoLeadBytes);
    EXPECT_NO_THROW(refused.Start());
    EXPECT_EQ(refusing.calls, (Names{"open C:\\T\\one.wav", "play"}));
    EXPECT_EQ(refused.SoundIndex(), 1);
}

TEST_F(MusicTest, ATrackThatCannotBeOpenedOrPlayedIsPassedOverForTheNext) {
    FakeDevice device;
    device.badFiles = {"one.wav"};
    Music music(settings_, device, "C:\\T\\", NoLeadBytes);
    music.Start();
    EXPECT_EQ(DeliverPostedFailures(music, device), 1);
    EXPECT_EQ(device.open, "C:\\T\\two.wav");
    EXPECT_EQ(device.calls.back(), "play");
    // two and three play to their end; one fails again and two follows.
    music.mpSaverNotify();
    music.mpSaverNotify();
    EXPECT_EQ(DeliverPostedFailures(music, device), 1);
    EXPECT_EQ(BaseNames(device.Opened()),
              (std::vector<std::string>{"one.wav", "two.wav", "three.wav", "one.wav", "two.wav"}));
    EXPECT_FALSE(music.GaveUp());

    // A play the device refuses at once is passed over the same way.
    FakeDevice refusing;
    refusing.failPlay = true;
    Music refused(settings_, refusing, "C:\\T\\", NoLeadBytes);
    refused.Start();
    EXPECT_EQ(refusing.postedFailures, 1);
    refusing.failPlay = false;
    DeliverPostedFailures(refused, refusing);
    EXPECT_EQ(refusing.open, "C:\\T\\two.wav");
}

TEST_F(MusicTest, WhenEveryTrackHasFailedInARowTheMusicStops) {
    // Refused at once: each track is tried once, then nothing is posted again.
    FakeDevice device;
    device.failOpen = true;
    Music music(settings_, device, "C:\\T\\", NoLeadBytes);
    music.Start();
    EXPECT_EQ(DeliverPostedFailures(music, device), 3);
    EXPECT_EQ(BaseNames(device.Opened()), (std::vector<std::string>{"one.wav", "two.wav", "three.wav"}));
    EXPECT_TRUE(music.GaveUp());
    music.mpSaverNotify();
    music.PlayNextSound();
    EXPECT_EQ(device.Opened().size(), 3u);

    // Failing later, reported by the platform's failure notice (no sound card).
    FakeDevice silent;
    Music later(settings_, silent, "C:\\T\\", NoLeadBytes);
    later.Start();
    for (int i = 0; i < 10; ++i)
        later.mpSaverNotify(true);
    EXPECT_EQ(silent.Opened().size(), 3u);
    EXPECT_TRUE(later.GaveUp());

    // A track that played to its end starts the count again.
    FakeDevice mixed;
    mixed.badFiles = {"one.wav", "three.wav"};
    Music going(settings_, mixed, "C:\\T\\", NoLeadBytes);
    going.Start();
    for (int round = 0; round < 5; ++round) {
        DeliverPostedFailures(going, mixed);
        going.mpSaverNotify();
    }
    EXPECT_FALSE(going.GaveUp());
    EXPECT_EQ(std::count(mixed.calls.begin(), mixed.calls.end(), "play"), 5);
}

TEST_F(MusicTest, RandomOnceReplacesAFailedTrackByTheNextGoodEntryAndRepeatsIt) {
    settings_.SoundRandom = 3;
    FakeDevice device;
    device.badFiles = {"one.wav", "two.wav"};
    Music music(settings_, device, "C:\\T\\", NoLeadBytes);
    music.Start();
    EXPECT_EQ(DeliverPostedFailures(music, device), 2);
    music.mpSaverNotify();
    music.mpSaverNotify();
    EXPECT_EQ(BaseNames(device.Opened()),
              (std::vector<std::string>{"one.wav", "two.wav", "three.wav", "three.wav", "three.wav"}));

    // When the last good one fails too, the other entries are tried once more.
    device.badFiles.insert("three.wav");
    music.mpSaverNotify();
    EXPECT_EQ(DeliverPostedFailures(music, device), 3);
    EXPECT_TRUE(music.GaveUp());
}
