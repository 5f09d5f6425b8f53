// How movies flow through the real Flickvane.scr with no QuickTime runtime installed (Media
// Foundation plays them): input while a movie still opens, a movie whose samples never come, a
// long run of short items, and how soon an end starts the next.
#include "http_server.h" // winsock2.h before windows.h

#include <gtest/gtest.h>

#include <stdio.h>

#include <functional>
#include <string>
#include <vector>

#include "e2e_support.h"
#include "saver_playlist.h"

using namespace e2e;

namespace {

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kBlack = RGB(0, 0, 0);

// Where Size=3 (100 %) and AspectRatio=0 put the 320x240 movies on the 1024x768 screen.
const RECT kNaturalCentred = {352, 264, 672, 504};

// The first of the colours that covers a good part of a 320x240 picture; kBlack when none does.
COLORREF ColourShown(const std::vector<COLORREF>& colours) {
    Capture shot = CaptureScreen();
    for (COLORREF colour : colours) {
        if (CountColour(shot, colour) > 20000) {
            return colour;
        }
    }
    return kBlack;
}

class MovieFlow : public MovieSaverTest {
protected:
    HWND Start(const std::vector<std::string>& names, std::vector<std::string> options) {
        std::vector<std::string> paths;
        for (const std::string& name : names) {
            paths.push_back(MediaClip(name.c_str()));
        }
        options.push_back("Size=3");
        options.push_back("AspectRatio=0");
        WriteSettings(PlaylistLines(paths, options));
        return saver.StartFullScreen();
    }

    // Ended within 15 s of the input, and by its own exit: a crash under Wine leaves another
    // code (139, 0xC0000005).
    bool EndsWithCodeZero(DWORD inputAt) {
        DWORD code = 99;
        DWORD waited = GetTickCount() - inputAt;
        bool ended = saver.WaitForExit(waited < 15000 ? 15000 - waited : 0, &code);
        printf("note: the saver %s %lu ms after the input, code 0x%lx\n",
               ended ? "ended" : "was still running", (unsigned long)(GetTickCount() - inputAt),
               (unsigned long)code);
        return ended && code == 0;
    }

    // Input while the first movie opens or plays: every window of the saver goes at once, the
    // picture's too, and the process ends cleanly.
    void InputEndsIt(const char* what, const char* first, COLORREF shown,
                     const std::function<void()>& input) {
        InputEndsIt(what, Start({first, "green.mov"}, {"Repeat=0"}), shown, input);
    }
    void InputEndsIt(const char* what, HWND window, COLORREF shown,
                     const std::function<void()>& input) {
        ASSERT_NE(window, nullptr);
        if (shown != kBlack) {
            ASSERT_TRUE(WaitForColour(shown, 15000));
        } else {
            SleepPumping(800);
        }
        ASSERT_TRUE(IsWindowVisible(window));
        std::string title = WindowText(window);
        DWORD sent = GetTickCount();
        input();
        bool gone = WaitUntil([&] { return FindProcessWindow(saver.Id(), nullptr) == nullptr; },
                              15000, 2);
        DWORD took = GetTickCount() - sent;
        printf("note: %s during \"%s\": the saver's windows went %lu ms after it\n", what,
               title.c_str(), (unsigned long)took);
        EXPECT_TRUE(gone);
        // 100 ms in principle; the rest is room for Wine.
        EXPECT_LE(took, 500u);
        EXPECT_TRUE(EndsWithCodeZero(sent));
    }
};

class MovieFlowInput : public MovieFlow {};
class MovieFlowShortItems : public MovieFlow {};
class MovieFlowEnd : public MovieFlow {};

} // namespace

TEST_F(MovieFlowInput, AOnePixelMouseMoveWhileAMovieOpensEndsItAtOnce) {
    InputEndsIt("a one-pixel mouse move", "headeronly.mp4", kBlack,
                [] { MoveCursorTo(1001, 700); });
}

TEST_F(MovieFlowInput, AKeyWhileAMovieOpensEndsItAtOnce) {
    InputEndsIt("a key", "headeronly.mp4", kBlack, [] { PressKey('A'); });
}

TEST_F(MovieFlowInput, AMouseMoveWhileAMoviePlaysTakesItsPictureAwayAtOnce) {
    InputEndsIt("a one-pixel mouse move", "red.mp4", kRed, [] { MoveCursorTo(1001, 700); });
}

TEST_F(MovieFlowInput, AKeyWhileAGraphPlaysOrDeadUrlsArePassedOverEndsItAtOnce) {
    InputEndsIt("a key", "red-then-blue.avi", kRed, [] { PressKey('A'); });
    // URLs whose server reads the request and never answers: each is given up after seconds.
    HttpServer server;
    ASSERT_TRUE(server.Start());
    std::vector<std::string> urls;
    for (int i = 0; i < 4; ++i) {
        std::string path = "/silent" + std::to_string(i) + ".mp4";
        server.ServeSilence(path);
        urls.push_back(server.Url(path));
    }
    WriteSettings(PlaylistLines(urls, {"Repeat=0"}));
    InputEndsIt("a key", saver.StartFullScreen(), kBlack, [] { PressKey('A'); });
    EXPECT_GE(server.Connections(), 1) << "the key came while a URL was awaited";
}

TEST_F(MovieFlowInput, WithoutInputTheItemAfterAHeaderOnlyMovieFollowsAtItsPlace) {
    HWND window = Start({"headeronly.mp4", "green.mov"}, {"Repeat=0"});
    ASSERT_NE(window, nullptr);
    DWORD started = GetTickCount();
    RECT box = {};
    bool green = WaitForPicture(kGreen, 20000, &box);
    printf("note: green.mov showed %lu ms after the saver window\n",
           (unsigned long)(GetTickCount() - started));
    ASSERT_TRUE(green);
    ExpectBoxNear(box, kNaturalCentred.left, kNaturalCentred.top, kNaturalCentred.right,
                  kNaturalCentred.bottom);
    EXPECT_EQ(WindowText(window), "green.mov");
    EXPECT_EQ(FindProcessWindow(saver.Id(), "#32770"), nullptr) << "an error box";
}

// Quarantined: under Wine 8 a session now and then never reports the end of a short movie and
// its renderer's threads stay stuck, after which the source resolver answers no more in that
// process; the one kept session of Windows never tears a renderer down between items. Run with
// --gtest_also_run_disabled_tests to see it.
TEST_F(MovieFlowShortItems, DISABLED_ThreeOneSecondMoviesInRepeatKeepChangingForAMinute) {
    const std::vector<COLORREF> colours = {kRed, kGreen, kBlue};
    ASSERT_NE(Start({"red1s.mp4", "short.mp4", "blue1s.mp4"}, {"Repeat=1"}), nullptr);
    ASSERT_TRUE(WaitForColour(kRed, 15000));

    // What stands longest, a colour or black, and how often a new colour comes.
    COLORREF standing = kRed;
    COLORREF lastColour = kRed;
    DWORD since = GetTickCount();
    DWORD longest = 0;
    COLORREF longestColour = kRed;
    int changes = 0;
    WaitUntil(
        [&] {
            COLORREF now = ColourShown(colours);
            DWORD at = GetTickCount();
            if (now != standing) {
                standing = now;
                since = at;
            }
            if (at - since > longest) {
                longest = at - since;
                longestColour = now;
            }
            if (now != kBlack && now != lastColour) {
                lastColour = now;
                changes++;
            }
            return false;
        },
        60000, 100);
    printf("note: in 60 s the colour changed %d times; the longest stand was %lu ms of 0x%06lx\n",
           changes, (unsigned long)longest, (unsigned long)longestColour);
    EXPECT_LE(longest, 4000u);
    EXPECT_GE(changes, 30);
    DWORD pressed = GetTickCount();
    PressKey('A');
    EXPECT_TRUE(EndsWithCodeZero(pressed));
}

TEST_F(MovieFlowEnd, AMovieIsDoneWithinItsLengthAndASecond) {
    // The first change of movie: the next one opens in the screen's other movie player, on a
    // session of its own, so it does not wait to find out how this Media Foundation starts a
    // session that has played (Wine's cannot, which costs one more second at a later change).
    const std::vector<COLORREF> colours = {kRed, kGreen};
    ASSERT_NE(Start({"red.mp4", "green.mov"}, {"Repeat=0"}), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ColourShown(colours) == kRed; }, 20000, 10));
    DWORD redAt = GetTickCount();
    bool green = WaitUntil([&] { return ColourShown(colours) == kGreen; }, 15000, 10);
    DWORD took = GetTickCount() - redAt;
    printf("note: green.mov's picture came %lu ms after red.mp4's (2 s long)\n",
           (unsigned long)took);
    ASSERT_TRUE(green);
    // 2 s of movie, 1 s for its end and the next to open, and the screen reads.
    EXPECT_LE(took, 3300u);
}
