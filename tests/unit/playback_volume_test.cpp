// Volume steps and mute: the level applied to the graph and the stored volume.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "fake_graph.h"
#include "host/saver_window.h"

namespace {

class VolumeChange : public PlaybackTest {
protected:
    void SetUp() override {
        PlaybackTest::SetUp();
        fakes->InstallRunning(true);
    }
};

TEST_F(VolumeChange, StepIsAppliedAndStored) {
    gSettings.Volume = -500;

    ChangeVolume(*screen, +100);
    EXPECT_EQ(gSettings.Volume, -400);
    ChangeVolume(*screen, -100);
    ChangeVolume(*screen, -100);

    EXPECT_EQ(FakeLog(), (std::vector<std::string>{"audio.put_Volume(-400)",
                                                   "audio.put_Volume(-500)",
                                                   "audio.put_Volume(-600)"}))
        << LogText();
    EXPECT_EQ(gSettings.Volume, -600);
}

TEST_F(VolumeChange, FullVolumeDoesNotRiseFurther) {
    gSettings.Volume = 0;
    ChangeVolume(*screen, +100);
    EXPECT_EQ(FakeLog(), std::vector<std::string>{"audio.put_Volume(0)"});
    EXPECT_EQ(gSettings.Volume, 0);

    gSettings.Volume = -50;
    ChangeVolume(*screen, +100);
    EXPECT_EQ(gSettings.Volume, 0);
    EXPECT_EQ(FakeLog().back(), "audio.put_Volume(0)");
}

TEST_F(VolumeChange, SilenceDoesNotFallFurther) {
    gSettings.Volume = -10000;
    ChangeVolume(*screen, -100);
    EXPECT_EQ(FakeLog(), std::vector<std::string>{"audio.put_Volume(-10000)"});
    EXPECT_EQ(gSettings.Volume, -10000);

    gSettings.Volume = -9950;
    ChangeVolume(*screen, -100);
    EXPECT_EQ(gSettings.Volume, -10000);

    ChangeVolume(*screen, -10000);
    EXPECT_EQ(gSettings.Volume, -10000);
    EXPECT_EQ(FakeLog().back(), "audio.put_Volume(-10000)");
}

TEST_F(VolumeChange, StoredValuesOutsideTheRangeAreBroughtIntoIt) {
    // The settings file may hold any 32-bit value.
    gSettings.Volume = 2500;
    ChangeVolume(*screen, 0);
    EXPECT_EQ(gSettings.Volume, 0);

    gSettings.Volume = INT_MIN;
    ChangeVolume(*screen, -100);
    EXPECT_EQ(gSettings.Volume, -10000);

    gSettings.Volume = INT_MAX;
    ChangeVolume(*screen, +100);
    EXPECT_EQ(gSettings.Volume, 0);

    EXPECT_EQ(FakeLog(), (std::vector<std::string>{"audio.put_Volume(0)",
                                                   "audio.put_Volume(-10000)",
                                                   "audio.put_Volume(0)"}))
        << LogText();
}

TEST_F(VolumeChange, MuteReappliesSilenceAndKeepsTheStoredVolume) {
    gSettings.Mute = 1;
    gSettings.Volume = -300;

    ChangeVolume(*screen, +100);
    ChangeVolume(*screen, -100);
    ChangeVolume(*screen, 0);

    EXPECT_EQ(FakeLog(), (std::vector<std::string>{"audio.put_Volume(-10000)",
                                                   "audio.put_Volume(-10000)",
                                                   "audio.put_Volume(-10000)"}))
        << LogText();
    EXPECT_EQ(gSettings.Volume, -300);
}

TEST_F(VolumeChange, OnlyTheValueOneMeansMuted) {
    gSettings.Mute = 2;
    gSettings.Volume = -300;

    ChangeVolume(*screen, -100);

    EXPECT_EQ(FakeLog(), std::vector<std::string>{"audio.put_Volume(-400)"});
    EXPECT_EQ(gSettings.Volume, -400);
}

TEST_F(VolumeChange, WithoutTheAudioInterfaceNothingChanges) {
    gGraph.audio = nullptr;
    gSettings.Volume = -300;

    ChangeVolume(*screen, +100);
    EXPECT_EQ(gSettings.Volume, -300);
    ChangeVolume(*screen, -100);

    EXPECT_TRUE(FakeLog().empty()) << LogText();
    EXPECT_EQ(gSettings.Volume, -300);
}

TEST_F(VolumeChange, AfterTheWindowIsDestroyedNothingIsCalledOrChanged) {
    windowDestroyed = true;
    gSettings.Volume = -300;

    ChangeVolume(*screen, +100);
    gSettings.Mute = 1;
    ChangeVolume(*screen, 0);

    EXPECT_TRUE(FakeLog().empty()) << LogText();
    EXPECT_EQ(gSettings.Volume, -300);
}

TEST_F(VolumeChange, FailingVolumeCallIsReported) {
    fakes->audio.putVolumeResult = E_INVALIDARG;
    gSettings.Volume = -300;

    ChangeVolume(*screen, -100);

    ASSERT_EQ(FakeHooks().exitCodes.size(), 1u) << LogText();
    EXPECT_EQ(FakeHooks().exitCodes[0], 1u);
}

TEST_F(VolumeChange, PlusKeyWhileMutedUnmutesToTheStoredVolume) {
    gSettings.Keyboard = 1;
    gSettings.Mute = 1;
    gSettings.Volume = -700;

    EXPECT_EQ(Send(WM_KEYDOWN, VK_ADD), 0);

    EXPECT_EQ(gSettings.Mute, 0);
    EXPECT_EQ(FakeLog(), std::vector<std::string>{"audio.put_Volume(-700)"}) << LogText();
    EXPECT_EQ(gSettings.Volume, -700);

    Send(WM_KEYDOWN, VK_OEM_PLUS);
    EXPECT_EQ(gSettings.Volume, -600);
}

TEST_F(VolumeChange, MinusKeyWhileMutedStaysSilent) {
    gSettings.Keyboard = 1;
    gSettings.Mute = 1;
    gSettings.Volume = -700;

    Send(WM_KEYDOWN, VK_SUBTRACT);
    Send(WM_KEYDOWN, VK_OEM_MINUS);

    EXPECT_EQ(gSettings.Mute, 1);
    EXPECT_EQ(FakeLog(), (std::vector<std::string>{"audio.put_Volume(-10000)",
                                                   "audio.put_Volume(-10000)"}))
        << LogText();
    EXPECT_EQ(gSettings.Volume, -700);
}

TEST_F(VolumeChange, VolumeKeysStepAndNeverEndTheSaver) {
    gSettings.Keyboard = 1;
    gSettings.ESCKey = 0;
    gSettings.Volume = -1000;

    Send(WM_KEYDOWN, VK_OEM_PLUS);
    Send(WM_KEYDOWN, VK_ADD);
    Send(WM_KEYDOWN, VK_OEM_MINUS);

    EXPECT_EQ(gSettings.Volume, -900);
    EXPECT_EQ(CountLogged("audio.put_Volume(-800)"), 1) << LogText();
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(VolumeChange, WithoutKeyboardControlThePlusKeyIsAnExitKey) {
    gSettings.Keyboard = 0;
    gSettings.ESCKey = 0;
    gSettings.Volume = -1000;

    Send(WM_KEYDOWN, VK_ADD);

    EXPECT_TRUE(LoggedWithPrefix("audio.put_Volume").empty()) << LogText();
    EXPECT_EQ(gSettings.Volume, -1000);
    EXPECT_FALSE(IsWindow(window));
}

} // namespace
