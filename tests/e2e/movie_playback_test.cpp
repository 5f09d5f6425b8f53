// Movies (MP4, MOV, M4V, M4A, MKV, WebM, MTS, HEVC) in the real Flickvane.scr with no QuickTime
// runtime installed, so they play through Media Foundation:
// order, placement, title, seeking, volume, exit rules, preview, broken files and long runs.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <cstdlib>
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
const COLORREF kYellow = RGB(255, 255, 0);
const COLORREF kMagenta = RGB(255, 0, 255);
const COLORREF kCyan = RGB(0, 255, 255);
const COLORREF kOrange = RGB(255, 128, 0);
const COLORREF kBlack = RGB(0, 0, 0);

// The 320x240 movies at 100 % of their natural size, centred on the 1024x768 screen.
const RECT kNaturalCentred = {352, 264, 672, 504};

void ExpectBoxNear(const RECT& box, const RECT& expected) {
    e2e::ExpectBoxNear(box, expected.left, expected.top, expected.right, expected.bottom);
}

// The visible pop-up windows of the process other than the saver window.
std::vector<HWND> OtherWindowsOf(DWORD processId, HWND saverWindow) {
    struct Search {
        DWORD processId;
        HWND saverWindow;
        std::vector<HWND> found;
    } search = {processId, saverWindow, {}};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            Search* s = (Search*)param;
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->processId && window != s->saverWindow && IsWindowVisible(window)) {
                s->found.push_back(window);
            }
            return TRUE;
        },
        (LPARAM)&search);
    return search.found;
}

class MovieE2e : public MovieSaverTest {
protected:
    void TearDown() override {
        if (host) {
            saver.Kill();
            DestroyWindow(host);
        }
        MovieSaverTest::TearDown();
    }

    HWND Start(const std::vector<std::string>& paths, const std::vector<std::string>& options) {
        WriteSettings(PlaylistLines(paths, options));
        return saver.StartFullScreen();
    }

    // An exit through the movie route takes about 4 s under Wine: two windows go.
    bool EndsWithCodeZero() {
        DWORD code = 99;
        DWORD started = GetTickCount();
        bool ended = saver.WaitForExit(15000, &code);
        printf("note: the saver %s %lu ms after the input\n", ended ? "ended" : "was still running",
               (unsigned long)(GetTickCount() - started));
        return ended && code == 0;
    }

    bool BoxSeen() { return FindProcessWindow(saver.Id(), "#32770") != nullptr; }

    HWND host = nullptr;
};

class MoviePlaylist : public MovieE2e {};
class MoviePlacement : public MovieE2e {};
class MovieSeeking : public MovieE2e {};
class MovieVolume : public MovieE2e {};
class MovieExit : public MovieE2e {};
class MovieUnplayable : public MovieE2e {};
class MovieRepeat : public MovieE2e {};

// Key-downs as the keyboard's repeat sends them while the key is held, then the release.
void HoldKey(WORD key, int keyDowns) {
    for (int i = 0; i < keyDowns; i++) {
        KeyDown(key);
        SleepPumping(100);
    }
    KeyUp(key);
}

struct Shown {
    std::string title;
    COLORREF colour; // kBlack when no known colour covers the movie's place
    RECT box;
};

// Samples the title and the picture until done says so or the time runs out; consecutive
// samples alike are kept once.
std::vector<Shown> Watch(HWND window, const std::vector<COLORREF>& colours, DWORD timeoutMs,
                         const std::function<bool(const Shown&)>& done) {
    std::vector<Shown> seen;
    WaitUntil(
        [&] {
            Shown now = {WindowText(window), kBlack, {0, 0, 0, 0}};
            Capture shot = CaptureScreen();
            for (COLORREF colour : colours) {
                if (CountColour(shot, colour) > 20000) {
                    now.colour = colour;
                    now.box = FindColourBox(shot, colour);
                }
            }
            if (now.colour == kBlack && CountColour(shot, kBlack, 8) != shot.width * shot.height) {
                return false; // a picture between two colours, or being drawn
            }
            if (seen.empty() || seen.back().title != now.title || seen.back().colour != now.colour) {
                seen.push_back(now);
            }
            return done(now);
        },
        timeoutMs, 60);
    return seen;
}

} // namespace

TEST_F(MoviePlaylist, EveryFormatPlaysInOrderAtItsPlaceAndEachEndStartsTheNext) {
    struct Item {
        const char* name;
        COLORREF colour;
    };
    // One list whose first movie ends into the next, then each other format on its own: under
    // Wine a session now and then never finishes its end, after which no movie opens in that
    // process (see the quarantined tests below), so few ends lead into another movie here.
    const std::vector<std::vector<Item>> lists = {
        {{"red.mp4", kRed}, {"green.mov", kGreen}}, {{"blue.m4v", kBlue}},
        {{"tone.m4a", kBlack}},                     {{"yellow.mkv", kYellow}},
        {{"magenta.webm", kMagenta}}};
    for (const std::vector<Item>& items : lists) {
        std::vector<std::string> paths;
        std::vector<COLORREF> colours;
        for (const Item& item : items) {
            paths.push_back(MediaClip(item.name));
            if (item.colour != kBlack) {
                colours.push_back(item.colour);
            }
        }
        const Item& last = items.back();
        SCOPED_TRACE(last.name);
        HWND window = Start(paths, {"Repeat=0", "Size=3", "AspectRatio=0"});
        ASSERT_NE(window, nullptr);
        std::vector<Shown> seen = Watch(window, colours, 30000, [&](const Shown& now) {
            return now.title == last.name && now.colour == last.colour;
        });
        EXPECT_TRUE(!seen.empty() && seen.back().title == last.name &&
                    seen.back().colour == last.colour);

        // Each item's own picture under its own title, in the list's order, with no key.
        std::vector<std::string> order;
        std::string trace;
        for (const Shown& s : seen) {
            trace += s.title + (s.colour == kBlack ? " black" : " picture") + "\n";
            if (s.title.empty() || (s.colour == kBlack && s.title != "tone.m4a")) {
                continue; // before the first item, or between items
            }
            if (order.empty() || order.back() != s.title) {
                order.push_back(s.title);
            }
            // At a cut the last picture may stay until the next one's renderer draws (Wine's
            // cannot draw a picture again once it is uncovered).
            bool lingering = false;
            for (const Item& item : items) {
                lingering = lingering || (order.size() > 1 &&
                                          order[order.size() - 2] == item.name &&
                                          s.colour == item.colour);
            }
            for (const Item& item : items) {
                if (s.title == item.name && !lingering) {
                    EXPECT_EQ(s.colour, item.colour) << s.title;
                }
            }
            if (s.colour != kBlack) {
                SCOPED_TRACE(s.title);
                ExpectBoxNear(s.box, kNaturalCentred);
            }
        }
        std::vector<std::string> expected;
        for (const Item& item : items) {
            expected.push_back(item.name);
        }
        EXPECT_EQ(order, expected) << trace;
        // The list is over: black, and the saver stays.
        EXPECT_TRUE(WaitUntil(ScreenAllBlack, 8000));
        EXPECT_FALSE(BoxSeen());
        if (&items == &lists.back()) {
            EXPECT_TRUE(saver.StaysRunning());
        }
        saver.Kill();
        SleepPumping(500);
    }
}

TEST_F(MoviePlaylist, RepeatWrapsFromTheLastMovieToTheFirst) {
    HWND window = Start({MediaClip("red.mp4"), MediaClip("magenta.webm")}, {"Repeat=1"});
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitForPicture(kRed, 15000, nullptr));
    ASSERT_TRUE(WaitForPicture(kMagenta, 10000, nullptr));
    ASSERT_TRUE(WaitForPicture(kRed, 10000, nullptr));
    EXPECT_EQ(WindowText(window), "red.mp4");
}

TEST_F(MoviePlacement, PictureStandsWhereSizeAndAspectRatioPlaceIt) {
    struct Case {
        const char* movie;
        COLORREF colour;
        const char* size;
        const char* ratio;
        RECT expected;
    };
    // The first 4.5 s of redblue.mp4 are red.
    const Case cases[] = {
        {"redblue.mp4", kRed, "Size=6", "AspectRatio=1", {0, 0, 1024, 768}},
        {"redblue.mp4", kRed, "Size=0", "AspectRatio=2", {0, 96, 1024, 672}},
        {"redblue.mp4", kRed, "Size=3", "AspectRatio=0", kNaturalCentred},
        {"redblue.mp4", kRed, "Size=2", "AspectRatio=1", {405, 304, 618, 464}},
        {"redblue.mp4", kRed, "Size=3", "AspectRatio=2", {298, 294, 725, 474}},
        {"redblue.mp4", kRed, "Size=6", "AspectRatio=7", {128, 0, 896, 768}},
        {"wide.mp4", kYellow, "Size=6", "AspectRatio=0", {0, 96, 1024, 672}},
        {"wide.mp4", kYellow, "Size=3", "AspectRatio=0", {192, 204, 832, 564}},
        // DV: 720x480 frames of 32:27 pixels are seen at 853x480.
        {"dv.mp4", kGreen, "Size=3", "AspectRatio=0", {85, 144, 938, 624}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.movie) + " " + c.size + " " + c.ratio);
        HWND window = Start({MediaClip(c.movie)}, {c.size, c.ratio, "Repeat=1"});
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(WaitForPicture(c.colour, 15000, nullptr));
        SleepPumping(300);
        Capture shot = CaptureScreen();
        // The picture's window stands at the box; the picture fills it in one dimension at
        // least (Wine's renderer keeps the movie's own shape inside a box of another shape,
        // where Windows' fills it whole).
        std::vector<HWND> pictures;
        for (HWND other : OtherWindowsOf(saver.Id(), window)) {
            pictures.push_back(other);
        }
        ASSERT_EQ(pictures.size(), 1u);
        RECT placed = {};
        GetWindowRect(pictures[0], &placed);
        ExpectBoxNear(placed, c.expected);
        RECT box = FindColourBox(shot, c.colour);
        EXPECT_TRUE(std::abs((box.right - box.left) - (c.expected.right - c.expected.left)) <= 2 ||
                    std::abs((box.bottom - box.top) - (c.expected.bottom - c.expected.top)) <= 2);
        EXPECT_GE(box.left, c.expected.left - 2);
        EXPECT_GE(box.top, c.expected.top - 2);
        EXPECT_LE(box.right, c.expected.right + 2);
        EXPECT_LE(box.bottom, c.expected.bottom + 2);
        // Black around it, not the desktop or a frame.
        int area = (c.expected.right - c.expected.left) * (c.expected.bottom - c.expected.top);
        EXPECT_GE(CountColour(shot, kBlack, 8), shot.width * shot.height - area - 4000);
        saver.Kill();
        SleepPumping(500);
    }
}

TEST_F(MoviePlacement, PhoneMoviesStandAsTheirTrackTurnsThem) {
    // 640x180 frames, red left and blue right, each with a turn in its track header.
    struct Case {
        const char* movie;
        const char* size;
        RECT expected;
        bool redAbove; // where the turned picture has its red half
    };
    const Case cases[] = {
        {"turn90.mp4", "Size=3", {422, 64, 602, 704}, false},
        {"turn270.mp4", "Size=6", {404, 0, 620, 768}, true},
        {"turn180.mp4", "Size=3", {192, 294, 832, 474}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.movie) + " " + c.size);
        HWND window = Start({MediaClip(c.movie)}, {c.size, "AspectRatio=0", "Repeat=1"});
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(WaitForPicture(kRed, 15000, nullptr));
        SleepPumping(300);
        std::vector<HWND> pictures = OtherWindowsOf(saver.Id(), window);
        ASSERT_EQ(pictures.size(), 1u);
        RECT placed = {};
        GetWindowRect(pictures[0], &placed);
        ExpectBoxNear(placed, c.expected);
        Capture shot = CaptureScreen();
        RECT red = FindColourBox(shot, kRed);
        RECT blue = FindColourBox(shot, kBlue);
        RECT picture = {};
        UnionRect(&picture, &red, &blue);
        EXPECT_GE(picture.left, c.expected.left - 2);
        EXPECT_GE(picture.top, c.expected.top - 2);
        EXPECT_LE(picture.right, c.expected.right + 2);
        EXPECT_LE(picture.bottom, c.expected.bottom + 2);
        // Wine's session shows the frames as they are stored; where the picture is turned, the
        // halves stand where the turn puts them.
        bool turned = strcmp(c.movie, "turn180.mp4") == 0
                          ? red.left > blue.left
                          : picture.bottom - picture.top > picture.right - picture.left;
        printf("note: %s shows %s\n", c.movie, turned ? "turned" : "as stored");
        if (turned && strcmp(c.movie, "turn180.mp4") != 0) {
            EXPECT_EQ(red.top < blue.top, c.redAbove);
        }
        saver.Kill();
        SleepPumping(500);
    }
}

TEST_F(MoviePlacement, TitleIsTheLongFileNameAndThePictureAnOwnedPopupThatTakesNoFocus) {
    std::string dir = TempDir();
    std::string movie = dir + "\\a rather long movie name.mp4";
    ASSERT_TRUE(CopyFileA(MediaClip("redblue.mp4").c_str(), movie.c_str(), FALSE));
    // Only Escape ends it, so that the click's mouse move leaves the saver where it is.
    HWND window = Start({movie}, {"Size=3", "AspectRatio=0", "ESCKey=1"});
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitForPicture(kRed, 15000, nullptr));
    EXPECT_EQ(WindowText(window), "a rather long movie name.mp4");

    std::vector<HWND> owned;
    for (HWND other : OtherWindowsOf(saver.Id(), window)) {
        if (GetWindow(other, GW_OWNER) == window) {
            owned.push_back(other);
        }
    }
    ASSERT_EQ(owned.size(), 1u);
    HWND video = owned[0];
    EXPECT_NE(GetWindowLongPtrA(video, GWL_STYLE) & WS_POPUP, 0);
    EXPECT_NE(GetWindowLongPtrA(video, GWL_EXSTYLE) & WS_EX_NOACTIVATE, 0);
    RECT placed = {};
    GetWindowRect(video, &placed);
    ExpectBoxNear(placed, kNaturalCentred);
    // The saver window keeps the focus; a click on the picture leaves it there.
    EXPECT_EQ(GetForegroundWindow(), window);
    ClickAt(500, 380);
    SleepPumping(300);
    EXPECT_EQ(GetForegroundWindow(), window);
}

// Each key-down moves by 2 s. redblue.mp4 is red until 4.5 s, then blue until 12 s; green.mov
// follows it.
TEST_F(MovieSeeking, RightAndLeftMoveWhereTheStepPredicts) {
    HWND window = Start({MediaClip("redblue.mp4"), MediaClip("green.mov")}, {"Keyboard=1"});
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitForPicture(kRed, 15000, nullptr));

    // Three steps from the first moments: about 7 s, blue.
    HoldKey(VK_RIGHT, 3);
    ASSERT_TRUE(WaitForPicture(kBlue, 10000, nullptr));
    // Three back from there: about a second, red, which only a backward seek can bring back.
    HoldKey(VK_LEFT, 3);
    ASSERT_TRUE(WaitForPicture(kRed, 10000, nullptr));
    // Five forward from there: past 10 s, so the movie ends about a second after its restart
    // and the next item follows, where without the seek it would be 9 s or more away.
    HoldKey(VK_RIGHT, 5);
    DWORD released = GetTickCount();
    ASSERT_TRUE(WaitUntil([&] { return WindowText(window) == "green.mov"; }, 15000));
    DWORD took = GetTickCount() - released;
    printf("note: green.mov started %lu ms after the last seek\n", (unsigned long)took);
    EXPECT_LT(took, 8500u);
    EXPECT_TRUE(WaitForPicture(kGreen, 3000, nullptr));
    EXPECT_TRUE(saver.Running());
}

TEST_F(MovieVolume, PlusAndMinusMoveTheLevelHeard) {
    ASSERT_NE(Start({MediaClip("loud.mp4")}, {"Keyboard=1", "Volume=0"}), nullptr);
    ASSERT_TRUE(WaitForPicture(kOrange, 15000, nullptr));
    SleepPumping(500);
    double full = SoundLevel(1000);
    printf("note: level at Volume=0: %.0f\n", full);
    ASSERT_GT(full, 2000);

    // Five steps of 20 down: 156 of 256.
    for (int i = 0; i < 5; i++) {
        PressKey(VK_SUBTRACT);
        SleepPumping(50);
    }
    // What the renderer has queued still sounds at the old level for a moment.
    SleepPumping(1200);
    double lower = SoundLevel(1000);
    printf("note: level five steps down: %.0f (%.2f of full)\n", lower, lower / full);
    // 156 of 256 is 0.61; under load Wine now and then repeats a key, so only the way the
    // level went is held exactly (the arithmetic has its unit tests).
    EXPECT_GT(lower / full, 0.3);
    EXPECT_LT(lower / full, 0.8);

    // And up again to full.
    for (int i = 0; i < 5; i++) {
        PressKey(VK_ADD);
        SleepPumping(50);
    }
    SleepPumping(1200);
    double again = SoundLevel(1000);
    EXPECT_GT(again / full, 0.85);
    EXPECT_TRUE(saver.Running());
}

TEST_F(MovieVolume, MutedMovieIsSilentUntilPlus) {
    ASSERT_NE(Start({MediaClip("loud.mp4")}, {"Keyboard=1", "Mute=1", "Volume=0"}), nullptr);
    ASSERT_TRUE(WaitForPicture(kOrange, 15000, nullptr));
    SleepPumping(500);
    double muted = SoundLevel(1000);
    PressKey(VK_SUBTRACT);
    SleepPumping(500);
    double stillMuted = SoundLevel(1000);
    // Plus opens the sound stream the muted movie played without, from where it stands.
    PressKey(VK_ADD);
    DWORD pressed = GetTickCount();
    double unmuted = 0;
    WaitUntil([&] { return (unmuted = SoundLevel(500)) > 2000; }, 8000, 10);
    printf("note: muted %.0f, after minus %.0f, after plus %.0f (%lu ms after it)\n", muted,
           stillMuted, unmuted, (unsigned long)(GetTickCount() - pressed));
    EXPECT_GE(muted, 0);
    EXPECT_LT(muted, 100);
    EXPECT_LT(stillMuted, 100);
    EXPECT_GT(unmuted, 2000);
}

TEST_F(MovieExit, AMouseMoveOverThePictureEndsFullScreen) {
    ASSERT_NE(Start({MediaClip("redblue.mp4")}, {"Size=3", "AspectRatio=0"}), nullptr);
    ASSERT_TRUE(WaitForPicture(kRed, 15000, nullptr));
    MoveCursorTo(512, 384);
    EXPECT_TRUE(EndsWithCodeZero());
}

TEST_F(MovieExit, AKeyEndsFullScreen) {
    ASSERT_NE(Start({MediaClip("redblue.mp4")}, {}), nullptr);
    ASSERT_TRUE(WaitForPicture(kRed, 15000, nullptr));
    PressKey('A');
    EXPECT_TRUE(EndsWithCodeZero());
}

TEST_F(MovieExit, WithEscapeOnlyOtherKeysAndTheMouseLeaveItRunning) {
    ASSERT_NE(Start({MediaClip("redblue.mp4")}, {"ESCKey=1"}), nullptr);
    ASSERT_TRUE(WaitForPicture(kRed, 15000, nullptr));
    PressKey('A');
    PressKey(VK_SPACE);
    PressKey(VK_RETURN);
    MoveCursorTo(600, 300);
    ClickAt(500, 400);
    EXPECT_TRUE(saver.StaysRunning());
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(EndsWithCodeZero());
}

TEST_F(MovieExit, WithoutKeyboardControlAnArrowOrPlusKeyEndsIt) {
    for (WORD key : {(WORD)VK_RIGHT, (WORD)VK_DOWN, (WORD)VK_ADD}) {
        SCOPED_TRACE("key " + std::to_string(key));
        ASSERT_NE(Start({MediaClip("redblue.mp4")}, {"Keyboard=0", "ESCKey=0"}), nullptr);
        ASSERT_TRUE(WaitForPicture(kRed, 15000, nullptr));
        PressKey(key);
        EXPECT_TRUE(EndsWithCodeZero());
        saver.Kill();
    }
}

TEST_F(MovieExit, WithKeyboardControlTheControlKeysLeaveItRunning) {
    ASSERT_NE(Start({MediaClip("redblue.mp4"), MediaClip("green.mov")},
                    {"Keyboard=1", "ESCKey=0", "Repeat=1"}),
              nullptr);
    ASSERT_TRUE(WaitForPicture(kRed, 15000, nullptr));
    for (WORD key : {(WORD)VK_ADD, (WORD)VK_OEM_PLUS, (WORD)VK_SUBTRACT, (WORD)VK_OEM_MINUS,
                     (WORD)VK_RIGHT, (WORD)VK_LEFT, (WORD)VK_DOWN, (WORD)VK_UP}) {
        PressKey(key);
        SleepPumping(200);
    }
    EXPECT_TRUE(saver.StaysRunning());
    // Another key still ends it.
    PressKey('A');
    EXPECT_TRUE(EndsWithCodeZero());
}

TEST_F(MovieExit, PreviewPlaysInTheHostsChildAndInputLeavesItRunning) {
    WriteSettings(PlaylistLines({MediaClip("redblue.mp4")}, {"Size=6", "AspectRatio=1"}));
    host = CreateHostWindow(300, 200, 152, 112);
    ASSERT_NE(host, nullptr);
    // The item must start in the child, its video window a child of that, and input must not
    // end it.
    HWND child = StartPreviewPlaying(saver, host, "redblue.mp4", 15000);
    ASSERT_NE(child, nullptr);
    HWND video = GetWindow(child, GW_CHILD);
    ASSERT_NE(video, nullptr);
    EXPECT_NE(GetWindowLongPtrA(video, GWL_STYLE) & WS_CHILD, 0);
    EXPECT_TRUE(OtherWindowsOf(saver.Id(), child).empty()) << "a pop-up in preview";
    PressKey('A');
    MoveCursorTo(500, 500);
    PostMessageA(child, WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_TRUE(saver.StaysRunning());
    DestroyWindow(host);
    host = nullptr;
    EXPECT_TRUE(EndsWithCodeZero());
}

TEST_F(MovieUnplayable, BrokenFilesArePassedOverQuicklyWithoutABox) {
    std::string missing = MediaDir() + "\\no-such-movie.mp4";
    HWND window = Start({MediaClip("noindex.mp4"), MediaClip("text.mp4"), missing,
                         MediaClip("green.mov")},
                        {"Repeat=0"});
    ASSERT_NE(window, nullptr);
    DWORD started = GetTickCount();
    bool box = false;
    bool green = WaitUntil(
        [&] {
            box = box || BoxSeen();
            return PictureShows(kGreen);
        },
        40000, 60);
    DWORD took = GetTickCount() - started;
    printf("note: three broken items passed over; green showed %lu ms after the window\n",
           (unsigned long)took);
    ASSERT_TRUE(green);
    EXPECT_EQ(WindowText(window), "green.mov");
    EXPECT_FALSE(box);
    EXPECT_TRUE(saver.Running());
}

TEST_F(MovieUnplayable, ATruncatedMovieEndsAndTheNextFollows) {
    // The next item is an AVI: after a movie has played, Wine's session does not start again
    // and its resolver now and then stops answering (see the quarantined tests below).
    HWND window = Start({MediaClip("truncated.mp4"), MediaClip("green.avi")}, {"Repeat=0"});
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(WaitForColour(kGreen, 20000));
    EXPECT_FALSE(BoxSeen());
}

TEST_F(MovieUnplayable, HevcAndMtsPlayWhereTheSystemHasThemOrArePassedOver) {
    // Stock Windows lacks HEVC without its extension, while Wine's GStreamer has it; Windows
    // reads MPEG transport streams, while Wine 8's media source does not. Either way the next
    // item follows with no box. (Not through the end of a movie: Wine's session now and then
    // loses that, see the quarantined tests below.)
    HWND window = Start({MediaClip("cyan.mts"), MediaClip("hevc.mp4"), MediaClip("green.mov")},
                        {"Repeat=0"});
    ASSERT_NE(window, nullptr);
    bool box = false;
    bool mtsShown = false;
    COLORREF next = kBlack;
    WaitUntil(
        [&] {
            box = box || BoxSeen();
            Capture shot = CaptureScreen();
            mtsShown = mtsShown || CountColour(shot, kCyan) > 20000;
            for (COLORREF colour : {kBlue, kGreen}) {
                next = CountColour(shot, colour) > 20000 ? colour : next;
            }
            return next != kBlack;
        },
        40000, 60);
    printf("note: the MTS movie %s, the HEVC movie %s\n", mtsShown ? "played" : "was passed over",
           next == kBlue ? "played" : "was passed over");
    ASSERT_NE(next, kBlack);
    EXPECT_EQ(WindowText(window), next == kBlue ? "hevc.mp4" : "green.mov");
    EXPECT_FALSE(box);
}

// Quarantined: under Wine 8 a session now and then never reports the end of a short movie and
// its renderer's threads stay stuck, after which the source resolver answers no more in that
// process (see the short-items test of the movie flow). Run with
// --gtest_also_run_disabled_tests to see it.
TEST_F(MovieRepeat, DISABLED_TwoHundredShortMoviesInRepeatGrowNeitherHandlesNorMemory) {
    // A folder of 100, played round twice.
    std::string folder = TempDir() + "\\movies";
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int i = 0; i < 100; i++) {
        char name[32];
        snprintf(name, sizeof(name), "\\m%03d.mp4", i);
        ASSERT_TRUE(CopyFileA(MediaClip("short.mp4").c_str(), (folder + name).c_str(), FALSE));
    }
    HWND window = Start({folder}, {"Repeat=1", "Size=3"});
    ASSERT_NE(window, nullptr);

    int started = 0;
    std::string title;
    ProcessCounters early = {};
    ProcessCounters late = {};
    DWORD lastStart = GetTickCount();
    bool stalled = false;
    bool done = WaitUntil(
        [&] {
            std::string now = WindowText(window);
            if (now != title && !now.empty()) {
                title = now;
                lastStart = GetTickCount();
                if (++started == 20) {
                    early = CountersOf(saver.Handle());
                }
            }
            // A one-second item that has not ended for half a minute never will.
            stalled = GetTickCount() - lastStart > 30000;
            return started >= 200 || stalled;
        },
        500000, 50) && !stalled;
    late = CountersOf(saver.Handle());
    printf("note: %d items started; handles %lu -> %lu, private bytes %lu KB -> %lu KB\n",
           started, (unsigned long)early.handles, (unsigned long)late.handles,
           (unsigned long)(early.privateBytes / 1024), (unsigned long)(late.privateBytes / 1024));
    ASSERT_TRUE(done) << started << " items started; " << (stalled ? "stuck at " + title : "too slow");
    EXPECT_TRUE(PictureShows(kGreen) || WaitForColour(kGreen, 3000));
    // 180 items went by between the samples: a leak of anything per item would show many times.
    EXPECT_LE((long)late.handles - (long)early.handles, 40);
    EXPECT_LE((long long)late.privateBytes - (long long)early.privateBytes, 16LL * 1024 * 1024);
    EXPECT_FALSE(BoxSeen());
}
