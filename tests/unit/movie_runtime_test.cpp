// The built-in movie runtime through the routines the player calls, on real files under
// Media Foundation.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "movie_runtime/movie_runtime.h"
#include "quicktime/qt_calls.h"
#include "quicktime/qt_loader.h"
#include "quicktime/qt_runtime.h"
#include "unit_support.h"

namespace {

std::string Media(const char* name) { return unit::ExeFolder() + "media\\" + name; }

class MovieRuntime : public ::testing::Test {
protected:
    void SetUp() override {
        QtResetLoaderState();
        QtStartup(); // no QuickTime here: the built-in runtime is bound
        ASSERT_TRUE(QtBuiltInRuntimeBound());
        owner = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "owner", WS_POPUP | WS_VISIBLE,
                                100, 50, 640, 480, nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override {
        DestroyWindow(owner);
        QtShutdown();
        QtResetLoaderState();
        QuickTimeAvailable = 0;
    }

    // Opens a movie the way the player does; null when it does not open.
    Movie Open(const std::string& path, OSErr* error = nullptr, HWND port = nullptr) {
        SetGWorld(GetNativeWindowPort(port != nullptr ? port : owner), nullptr);
        MovieRuntimeNameSource(path.c_str());
        FSSpec fileSpec = {};
        short reference = 0;
        Movie movie = nullptr;
        OSErr result = OpenMovieFile(&fileSpec, &reference, 1);
        if (result == 0) {
            result = NewMovieFromFile(&movie, reference, nullptr, nullptr, 1, nullptr);
            CloseMovieFile(reference);
        }
        if (error != nullptr) {
            *error = result;
        }
        return result == 0 ? movie : nullptr;
    }

    HWND owner = nullptr;
};

// Each suite runs in a process of its own: under Wine a session that ends can leave Media
// Foundation's threads stuck for the rest of the process.
class MovieRuntimeOpening : public MovieRuntime {};
class MovieRuntimePlaying : public MovieRuntime {};
class MovieRuntimeWindow : public MovieRuntime {};

// Starts the movie and gives it its time slices until it is done or the bound has passed.
bool PlayUntilDone(Movie movie, DWORD boundMs) {
    StartMovie(movie);
    DWORD begun = GetTickCount();
    while (!IsMovieDone(movie) && GetTickCount() - begun < boundMs) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
        }
        MoviesTask(movie, 0);
        Sleep(15);
    }
    return IsMovieDone(movie);
}

HWND VideoWindowOf(HWND owner, bool child) {
    HWND found = nullptr;
    if (child) {
        return FindWindowExA(owner, nullptr, "FlickvaneMovieVideo", nullptr);
    }
    for (HWND w = FindWindowExA(nullptr, nullptr, "FlickvaneMovieVideo", nullptr); w != nullptr;
         w = FindWindowExA(nullptr, w, "FlickvaneMovieVideo", nullptr)) {
        if (GetWindow(w, GW_OWNER) == owner) {
            found = w;
        }
    }
    return found;
}

} // namespace

TEST_F(MovieRuntimeOpening, AMovieReportsItsNaturalBoxItsLengthAndTimeInSixHundredthsOfASecond) {
    Movie movie = Open(Media("red.mp4"));
    ASSERT_NE(movie, nullptr);
    Rect box = {1, 1, 1, 1};
    GetMovieBox(movie, &box);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.bottom, 240);
    EXPECT_EQ(box.right, 320);
    TimeValue duration = GetMovieDuration(movie);
    EXPECT_NEAR(duration, 1200, 40) << "a 2 s clip";

    TimeRecord now = {};
    EXPECT_EQ(GetMovieTime(movie, &now), 0);
    EXPECT_EQ(now.scale, 600);
    now.value.lo = 900;
    SetMovieTime(movie, &now);
    TimeRecord after = {};
    EXPECT_EQ(GetMovieTime(movie, &after), 900) << "a seek reads back exactly";

    SetMovieVolume(movie, -128);
    EXPECT_EQ(GetMovieVolume(movie), -128) << "muted, its level remembered";
    DisposeMovie(movie);
}

TEST_F(MovieRuntimePlaying, AStartedMoviePlaysToItsEndAndIsDone) {
    Movie movie = Open(Media("red.mp4"));
    ASSERT_NE(movie, nullptr);
    EXPECT_FALSE(IsMovieDone(movie));
    DWORD begun = GetTickCount();
    EXPECT_TRUE(PlayUntilDone(movie, 15000));
    EXPECT_GE(GetTickCount() - begun, 1500u) << "it played, not failed at once";
    TimeRecord end = {};
    EXPECT_EQ(GetMovieTime(movie, &end), GetMovieDuration(movie));
    DisposeMovie(movie);
}

TEST_F(MovieRuntimeOpening, WhatIsNoMovieDoesNotOpen) {
    for (const char* name : {"text.mp4", "no-such-file.mp4"}) {
        OSErr error = 0;
        EXPECT_EQ(Open(Media(name), &error), nullptr) << name;
        EXPECT_NE(error, 0) << name;
    }
    OSErr error = 0;
    EXPECT_EQ(Open("", &error), nullptr);
    EXPECT_EQ(error, MovieErrFileNotFound);
    EXPECT_EQ(VideoWindowOf(owner, false), nullptr) << "nothing is left on the screen";
}

// Quarantined: under Wine 8 a movie that fails part-way now and then leaves the renderer's
// threads waiting on each other. Run with --gtest_also_run_disabled_tests to see it.
TEST_F(MovieRuntimePlaying, DISABLED_ATruncatedMovieEndsByItself) {
    // Its index is whole, so it may open; what is missing then ends it.
    Movie movie = Open(Media("truncated.mp4"));
    if (movie != nullptr) {
        EXPECT_TRUE(PlayUntilDone(movie, 10000));
        DisposeMovie(movie);
    }
    EXPECT_EQ(VideoWindowOf(owner, false), nullptr);
}

TEST_F(MovieRuntimeOpening, SoundAloneHasAnEmptyBoxAndNoWindow) {
    Movie movie = Open(Media("tone.m4a"));
    ASSERT_NE(movie, nullptr);
    Rect box = {1, 1, 1, 1};
    GetMovieBox(movie, &box);
    EXPECT_EQ(box.bottom - box.top, 0);
    EXPECT_EQ(box.right - box.left, 0);
    EXPECT_EQ(VideoWindowOf(owner, false), nullptr);
    DisposeMovie(movie);
}

TEST_F(MovieRuntimeWindow, ThePictureWindowStandsAtTheBoxInTheOwnersClientAndTakesNoInput) {
    Movie movie = Open(Media("red.mp4"));
    ASSERT_NE(movie, nullptr);
    Rect box = {20, 10, 260, 330}; // top, left, bottom, right
    SetMovieBox(movie, &box);
    HWND video = VideoWindowOf(owner, false);
    ASSERT_NE(video, nullptr);
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

    Rect none = {0, 0, 0, 0};
    SetMovieBox(movie, &none);
    EXPECT_FALSE(IsWindowVisible(video)) << "an empty box shows nothing";
    DisposeMovie(movie);
    EXPECT_EQ(VideoWindowOf(owner, false), nullptr) << "disposal takes the window away";
}

TEST_F(MovieRuntimeWindow, InPreviewThePictureIsAChildOfTheSaverWindow) {
    HWND saver = CreateWindowExA(0, "STATIC", "saver", WS_CHILD | WS_VISIBLE, 0, 0, 152, 112,
                                 owner, nullptr, nullptr, nullptr);
    Movie movie = Open(Media("red.mp4"), nullptr, saver);
    ASSERT_NE(movie, nullptr);
    Rect box = {10, 20, 100, 140};
    SetMovieBox(movie, &box);
    HWND video = VideoWindowOf(saver, true);
    ASSERT_NE(video, nullptr);
    RECT rc;
    GetWindowRect(video, &rc);
    MapWindowPoints(nullptr, saver, (POINT*)&rc, 2);
    EXPECT_EQ(rc.left, 20);
    EXPECT_EQ(rc.top, 10);
    EXPECT_EQ(rc.right, 140);
    EXPECT_EQ(rc.bottom, 100);
    DisposeMovie(movie);
    DestroyWindow(saver);
}

TEST_F(MovieRuntimeOpening, RoutinesWithoutAMovieOrUnknownToTheRuntimeAnswerHarmlessly) {
    EXPECT_EQ((OSErr)MovieRuntimeDispatcher(0x7FFF0001), MovieErrParameter);
    EXPECT_TRUE(IsMovieDone(nullptr)) << "an item without a movie ends";
    Rect box = {1, 2, 3, 4};
    GetMovieBox(nullptr, &box);
    EXPECT_EQ(box.right, 0);
    EXPECT_EQ(GetMovieDuration(nullptr), 0);
    StartMovie(nullptr);
    MoviesTask(nullptr, 0);
    DisposeMovie(nullptr);
    EXPECT_FALSE(QtOnDemandReleaseQuery());
}
