// Power: a muted item opens no sound stream, and a sleeping system's saver closes its stream and
// goes on where it was on resume. The streams are counted on the stack's PulseAudio server.
#include <windows.h>

#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "e2e_support.h"
#include "saver_playlist.h"

using namespace e2e;

namespace {

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);

class SaverPower : public MovieSaverTest {
protected:
    HWND Start(const std::string& clip, const std::vector<std::string>& options) {
        WriteSettings(PlaylistLines({MediaClip(clip.c_str())}, options));
        return saver.StartFullScreen();
    }
};

TEST_F(SaverPower, AMutedItemOpensNoSoundStreamAndKeepsItsPace) {
    // A DirectShow and a Media Foundation item, both with sound: red for 4.5 s, then blue.
    for (const char* clip : {"red-then-blue.avi", "redblue.mp4"}) {
        for (const char* mute : {"Mute=1", "Mute=0"}) {
            SCOPED_TRACE(std::string(clip) + " " + mute);
            int mark = SoundStreamMark();
            ASSERT_NE(Start(clip, {mute, "Repeat=1"}), nullptr);
            ASSERT_TRUE(WaitForColour(kRed, 15000));
            DWORD red = GetTickCount();
            SleepPumping(1000);
            int streams = SoundStreams(mark);
            EXPECT_EQ(streams > 0, strcmp(mute, "Mute=0") == 0) << streams << " streams";
            // Without its audio renderer the graph still keeps time by the system's clock.
            ASSERT_TRUE(WaitForColour(kBlue, 15000));
            EXPECT_GT(GetTickCount() - red, 3500u);
            saver.Kill();
            SleepPumping(500);
        }
    }
}

TEST_F(SaverPower, SleepClosesTheSoundAndResumeGoesOnWhereItWas) {
    // Red for 4.5 s, then blue: a resume more than 4.5 s later still shows red.
    for (const char* clip : {"red-then-blue.avi", "redblue.mp4"}) {
        SCOPED_TRACE(clip);
        int mark = SoundStreamMark();
        HWND window = Start(clip, {"Mute=0", "Repeat=1"});
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(WaitForColour(kRed, 15000));
        ASSERT_TRUE(WaitUntil([=] { return SoundStreams(mark) > 0; }, 5000, 200));
        PostMessageA(window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
        EXPECT_TRUE(WaitUntil([=] { return SoundStreams(mark) == 0; }, 8000, 200));
        SleepPumping(5000);
        EXPECT_TRUE(saver.Running());
        PostMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
        EXPECT_TRUE(WaitUntil([=] { return SoundStreams(mark) > 0; }, 10000, 200));
        EXPECT_TRUE(WaitForColour(kRed, 10000)) << "it went on where it was";
        EXPECT_TRUE(WaitForColour(kBlue, 10000));
        EXPECT_EQ(WindowText(window), clip);
        saver.Kill();
        SleepPumping(500);
    }
}

} // namespace
