// Keyboard seeking through the saver window's keys: targets, limits, the growing step, the
// tolerated failure, the pauses, and keys that cannot seek.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_graph.h"
#include "host/saver_window.h"

namespace {

constexpr LONGLONG kSecond = 10000000;

class KeyboardSeeking : public PlaybackTest {
protected:
    void Start(bool vmr9) {
        fakes->InstallRunning(vmr9);
        fakes->seeking.duration = 3600 * kSecond;
        gSettings.Keyboard = 1;
        gSettings.ESCKey = 0;
    }
    void KeyDown(WPARAM key) { EXPECT_EQ(Send(WM_KEYDOWN, key), 0); }
    void KeyUp(WPARAM key) { EXPECT_EQ(Send(WM_KEYUP, key), 0); }

    // Positions reached by a run of key-downs of one key, as moves in whole seconds.
    std::vector<LONGLONG> Moves(WPARAM key, int count) {
        std::vector<LONGLONG> moves;
        for (int i = 0; i < count; ++i) {
            LONGLONG before = fakes->seeking.position;
            KeyDown(key);
            moves.push_back((fakes->seeking.position - before) / kSecond);
        }
        return moves;
    }
};

std::vector<LONGLONG> Repeated(LONGLONG value, int count) {
    return std::vector<LONGLONG>(count, value);
}

TEST_F(KeyboardSeeking, BackwardsNearTheStartLandsOnZero) {
    Start(false);
    fakes->seeking.position = 3 * kSecond;

    KeyDown(VK_LEFT);

    EXPECT_EQ(FakeLog(), (std::vector<std::string>{"control.Pause",
                                                   "seeking.GetCurrentPosition",
                                                   "seeking.SetPositions(0,1,null,0)",
                                                   "sleep(1000)"}))
        << LogText();
    EXPECT_EQ(fakes->control.state, State_Paused);
    EXPECT_EQ(seekRepeatCount, 1);
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(KeyboardSeeking, ForwardsFromThreeSecondsGoesToEight) {
    Start(false);
    fakes->seeking.position = 3 * kSecond;

    KeyDown(VK_RIGHT);

    EXPECT_EQ(FakeLog(), (std::vector<std::string>{"control.Pause", "seeking.GetPositions(null)",
                                                   "seeking.GetDuration",
                                                   "seeking.SetPositions(80000000,1,null,0)",
                                                   "sleep(1000)"}))
        << LogText();
    EXPECT_EQ(fakes->seeking.position, 8 * kSecond);
}

TEST_F(KeyboardSeeking, ForwardsPastTheEndLandsExactlyOnTheDuration) {
    Start(false);
    fakes->seeking.position = 3 * kSecond;
    fakes->seeking.duration = 6 * kSecond + 1234;

    KeyDown(VK_RIGHT);
    EXPECT_EQ(fakes->seeking.position, 6 * kSecond + 1234);

    // Landing on the end itself, and seeking on from it, both give the duration.
    fakes->seeking.position = fakes->seeking.duration - 5 * kSecond;
    KeyDown(VK_RIGHT);
    EXPECT_EQ(fakes->seeking.position, fakes->seeking.duration);
    KeyDown(VK_RIGHT);
    EXPECT_EQ(fakes->seeking.position, fakes->seeking.duration);
}

TEST_F(KeyboardSeeking, BackwardsByTheStepAwayFromTheStart) {
    Start(false);
    fakes->seeking.position = 30 * kSecond + 7;

    KeyDown(VK_LEFT);

    EXPECT_EQ(fakes->seeking.position, 25 * kSecond + 7);
}

TEST_F(KeyboardSeeking, WithTheVmr9TheFrameIsRepaintedThenAShortPause) {
    Start(true);
    fakes->seeking.position = 10 * kSecond;

    KeyDown(VK_RIGHT);

    EXPECT_EQ(FakeLog(), (std::vector<std::string>{"control.Pause", "seeking.GetPositions(null)",
                                                   "seeking.GetDuration",
                                                   "seeking.SetPositions(150000000,1,null,0)",
                                                   "windowless.RepaintVideo", "sleep(200)"}))
        << LogText();
    EXPECT_EQ(fakes->windowless.repaintWindow, window);
    EXPECT_TRUE(fakes->windowless.repaintHadDc);
}

TEST_F(KeyboardSeeking, FailedRepaintIsReported) {
    Start(true);
    fakes->windowless.repaintResult = E_UNEXPECTED;

    KeyDown(VK_LEFT);

    EXPECT_EQ(FakeHooks().exitCodes, std::vector<UINT>{1u}) << LogText();
}

TEST_F(KeyboardSeeking, EFailFromSetPositionsIsToleratedWithoutTheVmr9) {
    Start(false);
    fakes->seeking.setPositionsResult = E_FAIL;

    KeyDown(VK_RIGHT);
    KeyDown(VK_LEFT);

    EXPECT_TRUE(FakeHooks().exitCodes.empty()) << LogText();
    EXPECT_EQ(FakeHooks().sleeps, (std::vector<DWORD>{1000, 1000}));
    EXPECT_EQ(seekRepeatCount, 2);
}

TEST_F(KeyboardSeeking, OtherSetPositionsFailuresAreReportedWithoutTheVmr9) {
    Start(false);
    fakes->seeking.setPositionsResult = E_UNEXPECTED;

    KeyDown(VK_RIGHT);

    EXPECT_EQ(FakeHooks().exitCodes, std::vector<UINT>{1u}) << LogText();
}

TEST_F(KeyboardSeeking, EFailFromSetPositionsIsReportedWithTheVmr9) {
    Start(true);
    fakes->seeking.setPositionsResult = E_FAIL;

    KeyDown(VK_RIGHT);

    EXPECT_EQ(FakeHooks().exitCodes, std::vector<UINT>{1u}) << LogText();
    EXPECT_LT(IndexOfLogged("seeking.SetPositions(50000000,1,null,0)"),
              IndexOfLogged("endProcess(1)"));
}

TEST_F(KeyboardSeeking, StepGrowsAfterTheSixteenthKeyDownUpToTwenty) {
    Start(false);

    std::vector<LONGLONG> moves = Moves(VK_RIGHT, 80);

    std::vector<LONGLONG> expected = Repeated(5, 16);
    for (LONGLONG step : {10, 15, 20, 20}) {
        std::vector<LONGLONG> run = Repeated(step, 16);
        expected.insert(expected.end(), run.begin(), run.end());
    }
    EXPECT_EQ(moves, expected);
    EXPECT_EQ(FakeHooks().sleeps, std::vector<DWORD>(80, 1000));
}

TEST_F(KeyboardSeeking, WithTheVmr9TheStepGrowsByTwoFromTheStartStep) {
    // The step set at start-up is 5 even with the VMR9; growth adds the VMR9's base of 2.
    Start(true);
    seekStep = 5;

    std::vector<LONGLONG> moves = Moves(VK_RIGHT, 33);

    std::vector<LONGLONG> expected = Repeated(5, 16);
    std::vector<LONGLONG> grown = Repeated(7, 16);
    expected.insert(expected.end(), grown.begin(), grown.end());
    expected.push_back(9);
    EXPECT_EQ(moves, expected);
}

TEST_F(KeyboardSeeking, WithTheVmr9AfterARelease2SecondStepsGrowTo20) {
    Start(true);
    KeyUp(VK_RIGHT);
    EXPECT_EQ(seekStep, 2);

    std::vector<LONGLONG> moves = Moves(VK_RIGHT, 16 * 11);

    std::vector<LONGLONG> expected;
    for (LONGLONG step : {2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 20}) {
        std::vector<LONGLONG> run = Repeated(step, 16);
        expected.insert(expected.end(), run.begin(), run.end());
    }
    EXPECT_EQ(moves, expected);
    EXPECT_EQ(FakeHooks().sleeps, std::vector<DWORD>(16 * 11, 200));
}

TEST_F(KeyboardSeeking, BothKeysShareOneStepAndOneCount) {
    Start(false);
    fakes->seeking.position = 1000 * kSecond;

    Moves(VK_RIGHT, 10);
    std::vector<LONGLONG> back = Moves(VK_LEFT, 6);
    EXPECT_EQ(back, Repeated(-5, 6));
    EXPECT_EQ(seekRepeatCount, 16);

    // The seventeenth seek, whichever key it is, moves by the grown step.
    std::vector<LONGLONG> seventeenth = Moves(VK_LEFT, 1);
    EXPECT_EQ(seventeenth, std::vector<LONGLONG>{-10});
    EXPECT_EQ(seekStep, 10);
    EXPECT_EQ(seekRepeatCount, 1);
}

TEST_F(KeyboardSeeking, ReleaseResetsTheStepAndTheCountAndRuns) {
    Start(false);
    Moves(VK_RIGHT, 20);
    EXPECT_EQ(seekStep, 10);
    ClearFakeLog();

    KeyUp(VK_RIGHT);

    EXPECT_EQ(seekStep, 5);
    EXPECT_EQ(seekRepeatCount, 0);
    EXPECT_EQ(FakeLog(), std::vector<std::string>{"control.Run"}) << LogText();
    EXPECT_EQ(fakes->control.state, State_Running);

    EXPECT_EQ(Moves(VK_LEFT, 1), std::vector<LONGLONG>{-5});
}

TEST_F(KeyboardSeeking, KeyThatCannotSeekDoesNothingButItsReleaseStillRuns) {
    Start(true);
    gGraph.canSeekForwards = 0;
    gGraph.canSeekBackwards = 0;
    seekStep = 8;
    seekRepeatCount = 7;
    fakes->control.state = State_Running;

    KeyDown(VK_RIGHT);
    KeyDown(VK_LEFT);
    EXPECT_TRUE(FakeLog().empty()) << LogText();
    EXPECT_EQ(seekRepeatCount, 7);
    EXPECT_EQ(seekStep, 8);

    KeyUp(VK_LEFT);
    EXPECT_EQ(FakeLog(), std::vector<std::string>{"control.Run"}) << LogText();
    EXPECT_EQ(seekStep, 2);
    EXPECT_EQ(seekRepeatCount, 0);
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(KeyboardSeeking, EachDirectionFollowsItsOwnCapability) {
    Start(false);
    gGraph.canSeekBackwards = 0;
    fakes->seeking.position = 20 * kSecond;

    KeyDown(VK_LEFT);
    EXPECT_TRUE(FakeLog().empty()) << LogText();
    KeyDown(VK_RIGHT);
    EXPECT_EQ(fakes->seeking.position, 25 * kSecond);

    gGraph.canSeekBackwards = 1;
    gGraph.canSeekForwards = 0;
    ClearFakeLog();
    KeyDown(VK_RIGHT);
    EXPECT_TRUE(FakeLog().empty()) << LogText();
    KeyDown(VK_LEFT);
    EXPECT_EQ(fakes->seeking.position, 20 * kSecond);
}

TEST_F(KeyboardSeeking, WithoutKeyboardControlArrowsDoNotSeek) {
    Start(false);
    gSettings.Keyboard = 0;
    gSettings.ESCKey = 1;

    KeyDown(VK_RIGHT);
    KeyUp(VK_RIGHT);

    EXPECT_TRUE(FakeLog().empty()) << LogText();
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(KeyboardSeeking, OtherKeyReleasesAreIgnored) {
    Start(false);
    seekStep = 15;
    seekRepeatCount = 3;

    KeyUp(VK_UP);
    KeyUp('A');

    EXPECT_TRUE(FakeLog().empty()) << LogText();
    EXPECT_EQ(seekStep, 15);
    EXPECT_EQ(seekRepeatCount, 3);
}

TEST_F(KeyboardSeeking, ArrowKeysNeverEndTheSaver) {
    Start(false);
    gSettings.ESCKey = 0;

    KeyDown(VK_LEFT);
    KeyUp(VK_LEFT);
    KeyDown(VK_RIGHT);
    KeyUp(VK_RIGHT);

    EXPECT_TRUE(IsWindow(window));
}

TEST_F(KeyboardSeeking, NoGraphCallAfterTheWindowIsDestroyed) {
    Start(true);
    windowDestroyed = true;

    SeekItem(*screen, true);
    SeekItem(*screen, false);
    EndSeek(*screen);

    EXPECT_TRUE(LoggedWithPrefix("control.").empty()) << LogText();
    EXPECT_TRUE(LoggedWithPrefix("seeking.").empty()) << LogText();
    EXPECT_TRUE(LoggedWithPrefix("windowless.").empty()) << LogText();
}

} // namespace
