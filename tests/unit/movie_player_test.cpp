// The Media Foundation player on real movies, driven as the saver window drives it: through the
// messages and timers it posts to its window.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "movie_runtime/mf_library.h"
#include "movie_runtime/movie_player.h"
#include "unit_support.h"

namespace {

std::wstring Media(const char* name) { return unit::W(unit::ExeFolder() + "media\\" + name); }

class MoviePlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StartMovieRuntime());
        owner = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "owner", WS_POPUP | WS_VISIBLE,
                                100, 50, 640, 480, nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override {
        player.Shutdown();
        DestroyWindow(owner);
    }

    // Hands the player its window's messages until it has news or the bound has passed.
    PlayerNews Await(DWORD boundMs) {
        DWORD begun = GetTickCount();
        while (GetTickCount() - begun < boundMs) {
            MSG msg;
            if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
                continue;
            }
            if (msg.hwnd == owner &&
                (msg.message == MovieEventMessage || msg.message == WM_TIMER)) {
                PlayerNews news = player.HandleEvent(msg.message, msg.wParam, msg.lParam);
                if (news != PlayerNews::None) {
                    return news;
                }
            } else {
                DispatchMessageA(&msg);
            }
        }
        return PlayerNews::None;
    }

    PlayerNews OpenAndAwait(const char* name) {
        PlayerOpen opened = player.Open(owner, Media(name).c_str());
        if (opened == PlayerOpen::Unplayable) {
            return PlayerNews::Failed;
        }
        return Await(20000);
    }

    HWND owner = nullptr;
    MoviePlayer player;
};

// Each suite runs in a process of its own, and plays one movie at most: under Wine a session
// closed while it plays can leave Media Foundation's threads stuck for the rest of the process.
class MoviePlayerOpening : public MoviePlayerTest {};
// A visible area that crops nothing.
const RECT kAnywhere = {-10000, -10000, 10000, 10000};
class MoviePlayerPlaying : public MoviePlayerTest {};
class MoviePlayerSeeking : public MoviePlayerTest {};
class MoviePlayerWindow : public MoviePlayerTest {};
class MoviePlayerPreview : public MoviePlayerTest {};

} // namespace

TEST_F(MoviePlayerOpening, AMovieOpensWithoutWaitingAndReportsItsSizeAndLength) {
    DWORD begun = GetTickCount();
    EXPECT_EQ(player.Open(owner, Media("red.mp4").c_str()), PlayerOpen::Opening);
    EXPECT_LT(GetTickCount() - begun, 1000u) << "the answer comes as a message";
    ASSERT_EQ(Await(20000), PlayerNews::Ready);
    VideoSize size = player.Size();
    EXPECT_EQ(size.width, 320);
    EXPECT_EQ(size.height, 240);
    EXPECT_NEAR((double)player.Duration(), 2e7, 4e5) << "a 2 s clip in 100 ns units";
}

TEST_F(MoviePlayerOpening, WhatIsNoMovieFailsAndSoundAloneHasNoPicture) {
    for (const char* name : {"text.mp4", "no-such-file.mp4"}) {
        EXPECT_EQ(OpenAndAwait(name), PlayerNews::Failed) << name;
        player.Close();
    }
    EXPECT_EQ(player.Open(owner, L""), PlayerOpen::Unplayable);
    ASSERT_EQ(OpenAndAwait("tone.m4a"), PlayerNews::Ready);
    EXPECT_EQ(player.Size().width, 0);
    EXPECT_EQ(player.Size().height, 0);
    player.Place({10, 10, 100, 100}, kAnywhere);
    player.Start();
    Await(1000);
    HWND video = player.VideoWindow();
    EXPECT_TRUE(video == nullptr || !IsWindowVisible(video)) << "no picture, no window shown";
}

TEST_F(MoviePlayerPlaying, AStartedMovieEndsByTheSessionsWordWithinItsLength) {
    ASSERT_EQ(OpenAndAwait("red.mp4"), PlayerNews::Ready);
    DWORD begun = GetTickCount();
    player.Start();
    EXPECT_EQ(Await(15000), PlayerNews::Ended);
    DWORD took = GetTickCount() - begun;
    EXPECT_GE(took, 1500u) << "it played, not failed at once";
    // The 2 s movie's start and end each take Wine's session a few hundred milliseconds more
    // on a busy machine.
    EXPECT_LE(took, 4000u) << "its end is the session's, not a wait past its length";
    EXPECT_EQ(player.Position(), player.Duration());
}

TEST_F(MoviePlayerSeeking, ASeekPlaysOnFromThePositionItAimedAt) {
    ASSERT_EQ(OpenAndAwait("redblue.mp4"), PlayerNews::Ready);
    player.Start();
    Await(1000);
    // Three key-downs of 2 s each from under a second in: about 7 s.
    for (int i = 0; i < 3; ++i) {
        player.SeekStep(true);
    }
    LONGLONG aim = player.Position();
    EXPECT_GE(aim, 60000000);
    EXPECT_LE(aim, 80000000);
    player.EndSeek();
    // Once it plays again, its clock runs on from there.
    Await(2500);
    LONGLONG now = player.Position();
    EXPECT_GE(now, aim) << "in 100 ns units, not another unit";
    EXPECT_LE(now, aim + 30000000);
}

TEST_F(MoviePlayerWindow, ThePictureWindowStandsAtTheBoxAndTakesNoInput) {
    ASSERT_EQ(OpenAndAwait("red.mp4"), PlayerNews::Ready);
    RECT box = {10, 20, 330, 260};
    player.Place(box, kAnywhere);
    player.Start();
    Await(1000);
    HWND video = player.VideoWindow();
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(GetWindow(video, GW_OWNER), owner);
    RECT rc;
    GetWindowRect(video, &rc);
    POINT origin = {0, 0};
    ClientToScreen(owner, &origin);
    EXPECT_EQ(rc.left, origin.x + 10);
    EXPECT_EQ(rc.top, origin.y + 20);
    EXPECT_EQ(rc.right, origin.x + 330);
    EXPECT_EQ(rc.bottom, origin.y + 260);
    EXPECT_TRUE(IsWindowVisible(video));
    EXPECT_TRUE(GetWindowLongA(video, GWL_EXSTYLE) & WS_EX_NOACTIVATE);
    EXPECT_EQ(SendMessageA(video, WM_NCHITTEST, 0, MAKELPARAM(rc.left + 5, rc.top + 5)),
              HTTRANSPARENT);
    EXPECT_EQ(SendMessageA(video, WM_MOUSEACTIVATE, (WPARAM)owner, 0), MA_NOACTIVATE);

    player.Hide();
    EXPECT_FALSE(IsWindowVisible(video)) << "the exit takes the picture away at once";
    player.Place({0, 0, 0, 0}, kAnywhere);
    EXPECT_FALSE(IsWindowVisible(video)) << "an empty box shows nothing";
}

TEST_F(MoviePlayerPreview, ThePictureIsAChildOfTheSaverWindow) {
    HWND saver = CreateWindowExA(0, "STATIC", "saver", WS_CHILD | WS_VISIBLE, 0, 0, 152, 112,
                                 owner, nullptr, nullptr, nullptr);
    HWND parent = owner;
    owner = saver;
    ASSERT_EQ(OpenAndAwait("red.mp4"), PlayerNews::Ready);
    player.Place({20, 10, 140, 100}, kAnywhere);
    player.Start();
    Await(1000);
    HWND video = player.VideoWindow();
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(GetParent(video), saver);
    RECT rc;
    GetWindowRect(video, &rc);
    MapWindowPoints(nullptr, saver, (POINT*)&rc, 2);
    EXPECT_EQ(rc.left, 20);
    EXPECT_EQ(rc.top, 10);
    EXPECT_EQ(rc.right, 140);
    EXPECT_EQ(rc.bottom, 100);
    player.Shutdown();
    owner = parent;
    DestroyWindow(saver);
}
