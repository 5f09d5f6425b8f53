// The real Flickvane.scr passing over entries it cannot open: thousands of missing files
// before a clip, a repeating list with nothing to play, and a sound-only item between clips.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e_support.h"
#include "saver_playlist.h"

using namespace e2e;

namespace {

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);

std::vector<std::string> MissingFiles(int count) {
    std::vector<std::string> paths;
    paths.reserve((size_t)count);
    for (int i = 0; i < count; i++) {
        paths.push_back(MediaDir() + "\\absent\\clip-" + std::to_string(i) + ".avi");
    }
    return paths;
}

class PlaybackSkipping : public SaverPlaylistTest {};

} // namespace

TEST_F(PlaybackSkipping, AClipAfterFiveThousandMissingFilesPlays) {
    std::vector<std::string> paths = MissingFiles(5000);
    paths.push_back(MediaClip("red.avi"));
    WriteSettings(PlaylistLines(paths, {"Repeat=0"}));
    HWND window = saver.StartFullScreen();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitForColour(kRed, 8000));
    EXPECT_EQ(WindowText(window), "red.avi");
    EXPECT_TRUE(saver.Running());
    // The list ends after the clip; the saver stays.
    ASSERT_TRUE(WaitUntil(ScreenAllBlack, 6000));
    EXPECT_TRUE(saver.StaysRunning());
}

TEST_F(PlaybackSkipping, ARepeatingListOfMissingFilesEndsBlackAndIdle) {
    for (int count : {1, 3, 400}) {
        SCOPED_TRACE(std::to_string(count) + " missing files");
        WriteSettings(PlaylistLines(MissingFiles(count), {"Repeat=1"}));
        HWND window = saver.StartFullScreen();
        ASSERT_NE(window, nullptr);
        // Past the start timer and the pass over the list.
        SleepPumping(1500);
        EXPECT_TRUE(ScreenAllBlack());
        // Nothing more is tried: the saver is idle, not skipping round the list for ever.
        double before = ProcessorSeconds(saver.Handle());
        SleepPumping(2000);
        EXPECT_LT(ProcessorSeconds(saver.Handle()) - before, 0.5);
        EXPECT_TRUE(ScreenAllBlack());
        // Checked this late, an end of the saver during the pass would have shown.
        EXPECT_TRUE(saver.Running());
        PressKey('A');
        DWORD code = 99;
        ASSERT_TRUE(saver.WaitForExit(8000, &code));
        EXPECT_EQ(code, 0u);
    }
}

TEST_F(PlaybackSkipping, ASoundItemPlaysWithoutAPictureAndTheNextClipFollows) {
    WriteSettings(PlaylistLines({MediaClip("tone.wav"), MediaClip("green.avi")},
                                {"Repeat=0"}));
    HWND window = saver.StartFullScreen();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(window) == "tone.wav"; }, 8000));
    DWORD toneStarted = GetTickCount();
    // While the sound plays the screen stays black.
    bool alwaysBlack = true;
    bool green = WaitUntil(
        [&] {
            if (WindowText(window) == "tone.wav") {
                alwaysBlack = alwaysBlack && ScreenAllBlack();
                return false;
            }
            return PictureShows(kGreen);
        },
        8000, 40);
    DWORD took = GetTickCount() - toneStarted;
    EXPECT_TRUE(alwaysBlack);
    ASSERT_TRUE(green);
    EXPECT_EQ(WindowText(window), "green.avi");
    // The one-second tone was played, not passed over.
    EXPECT_GE(took, 700u);
}
