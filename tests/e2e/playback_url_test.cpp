// The real Flickvane.scr given http URLs served from this test program: a served clip, a
// refused connection, a server that never answers, error statuses and an empty page.
#include "http_server.h"

#include <gtest/gtest.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "e2e_support.h"
#include "saver_playlist.h"

using namespace e2e;

namespace {

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += "  " + line + "\n";
    }
    return text;
}

class PlaybackUrls : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveSettings();
        MoveCursorTo(1000, 700);
        ASSERT_TRUE(server.Start());
    }
    void TearDown() override {
        saver.Kill();
        server.Stop();
        RemoveSettings();
        SleepPumping(300);
    }

    // The URL is passed over: the local green clip after it plays, named in the title, and
    // the saver is still running. Gives the time from the window to the green picture.
    DWORD ExpectSkippedToGreen(const std::string& url, DWORD timeoutMs) {
        WriteSettings(PlaylistLines({url, MediaClip("green.avi")}, {"Repeat=0"}));
        HWND window = saver.StartFullScreen();
        EXPECT_NE(window, nullptr);
        if (window == nullptr) {
            return 0;
        }
        DWORD shown = GetTickCount();
        bool green = WaitForColour(kGreen, timeoutMs);
        DWORD took = GetTickCount() - shown;
        EXPECT_TRUE(green) << "requests:\n" << Joined(server.Requests());
        EXPECT_EQ(WindowText(window), "green.avi");
        EXPECT_TRUE(saver.Running());
        return took;
    }

    HttpServer server;
    SaverProcess saver;
};

} // namespace

// A readable URL goes on to DirectShow. Where DirectShow has a source for http (Windows'
// URL reader) the clip plays and the next one follows; where it has none (Wine 8 fails the
// source with 0x80070003 and never asks the server) that failure is reported like any other
// DirectShow failure: the message box, then exit code 1. Either way the outcome is defined.
TEST_F(PlaybackUrls, AServedClipGoesToDirectShow) {
    std::string clip = ReadFileBytes(MediaClip("red.avi"));
    ASSERT_FALSE(clip.empty()) << "run scripts/make-media first";
    server.Serve("/clips/red.avi", "video/x-msvideo", clip);
    WriteSettings(PlaylistLines({server.Url("/clips/red.avi"), MediaClip("green.avi")},
                                {"Repeat=0"}));
    HWND window = saver.StartFullScreen();
    ASSERT_NE(window, nullptr);
    bool red = false;
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            red = PictureShows(kRed);
            box = FindProcessWindow(saver.Id(), "#32770");
            return red || box != nullptr || !saver.Running();
        },
        15000, 40));
    // The reachability check read the served clip.
    std::vector<std::string> requests = server.Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests[0].rfind("GET /clips/red.avi ", 0), 0u) << Joined(requests);

    if (red) {
        printf("note: the http clip played; requests:\n%s", Joined(requests).c_str());
        EXPECT_EQ(WindowText(window), "red.avi");
        EXPECT_TRUE(WaitForColour(kGreen, 10000));
        EXPECT_EQ(WindowText(window), "green.avi");
        return;
    }
    ASSERT_NE(box, nullptr) << "the saver ended without a message";
    EXPECT_EQ(WindowText(box), "Flickvane");
    std::string text;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (WindowClass(child) == "Static") {
            text += WindowText(child);
        }
    }
    printf("note: DirectShow could not take the http source: \"%s\"; requests:\n%s",
           text.c_str(), Joined(requests).c_str());
    EXPECT_EQ(text.rfind("DirectShow Error: 0x", 0), 0u) << text;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    DWORD code = 99;
    ASSERT_TRUE(saver.WaitForExit(8000, &code));
    EXPECT_EQ(code, 1u);
}

TEST_F(PlaybackUrls, ARefusedConnectionIsSkipped) {
    unsigned short port = ClosedPort();
    ExpectSkippedToGreen("http://127.0.0.1:" + std::to_string(port) + "/red.avi", 10000);
}

TEST_F(PlaybackUrls, AServerThatNeverAnswersIsGivenUp) {
    server.ServeSilence("/slow/red.avi");
    DWORD took = ExpectSkippedToGreen(server.Url("/slow/red.avi"), 20000);
    printf("note: the silent server was given up; green showed %lu ms after the window\n",
           (unsigned long)took);
    EXPECT_GE(server.Connections(), 1);
    // The wait ends after the time-out of a few seconds, not at once and not never.
    EXPECT_GE(took, 3000u);
    EXPECT_LE(took, 15000u);
}

TEST_F(PlaybackUrls, AMissingPageIsSkipped) {
    ExpectSkippedToGreen(server.Url("/no/such/clip.avi"), 10000);
    std::vector<std::string> requests = server.Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests[0].rfind("GET /no/such/clip.avi ", 0), 0u) << Joined(requests);
}

TEST_F(PlaybackUrls, ABadRequestAndAServerErrorAreSkipped) {
    for (int status : {400, 500}) {
        SCOPED_TRACE("status " + std::to_string(status));
        std::string path = "/status" + std::to_string(status) + "/clip.avi";
        server.ServeStatus(path, status);
        ExpectSkippedToGreen(server.Url(path), 10000);
        // The status was really asked for, not the path passed over unread.
        std::vector<std::string> requests = server.Requests();
        int asked = 0;
        for (const std::string& request : requests) {
            asked += request.rfind("GET " + path + " ", 0) == 0 ? 1 : 0;
        }
        EXPECT_GE(asked, 1) << Joined(requests);
        saver.Kill();
    }
}

TEST_F(PlaybackUrls, AnEmptyPageIsSkipped) {
    server.Serve("/empty.avi", "video/x-msvideo", "");
    ExpectSkippedToGreen(server.Url("/empty.avi"), 10000);
    EXPECT_GE(server.Connections(), 1);
}
