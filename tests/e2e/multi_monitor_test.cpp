// The real Flickvane.scr on two monitors: the window covers every monitor, both are black
// outside the picture, and the picture stands on the primary monitor where the one-screen
// layout puts it, also with the primary not leftmost and after the layout changes while it
// plays. These suites need the test display split into monitors: scripts/test runs them under
// scripts/with-stack with WITH_STACK_MONITORS="1024x768+0+0 800x600+1024+0".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e_support.h"
#include "saver_playlist.h"

using namespace e2e;

namespace {

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kYellow = RGB(255, 255, 0);

// X coordinates, the primary first. The second monitor right of the primary, left of it (the
// virtual screen then starts at x -800), and a smaller one at the right.
const std::vector<MonitorPlace> kSecondRight = {{1024, 768, 0, 0}, {800, 600, 1024, 0}};
const std::vector<MonitorPlace> kSecondLeft = {{1024, 768, 800, 0}, {800, 600, 0, 84}};
const std::vector<MonitorPlace> kSmallerRight = {{1024, 768, 0, 0}, {640, 480, 1024, 0}};

struct Clip {
    const char* name;
    COLORREF colour;
};

// Each case runs for every clip: the AVI through DirectShow's windowless renderer, the MP4
// through Media Foundation.
const Clip kClips[] = {{"red.avi", kRed}, {"red.mp4", kRed}};

struct Placement {
    const char* size;
    const char* ratio;
    RECT expected; // on the primary monitor, whose top left corner is the screen origin
};

const Placement kPlacements[] = {
    {"Size=6", "AspectRatio=1", {0, 0, 1024, 768}},
    {"Size=0", "AspectRatio=2", {0, 96, 1024, 672}},
    {"Size=3", "AspectRatio=0", {352, 264, 672, 504}},
    {"Size=6", "AspectRatio=7", {128, 0, 896, 768}},
};

std::string Text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT rect, LPARAM list) {
    ((std::vector<RECT>*)list)->push_back(*rect);
    return TRUE;
}

std::vector<RECT> MonitorRects() {
    std::vector<RECT> rects;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, (LPARAM)&rects);
    return rects;
}

// The colour's box on the primary monitor once it covers a sizeable area.
bool WaitForPictureBox(COLORREF colour, DWORD timeoutMs, RECT* box) {
    return WaitUntil([&] { return ShowsPicture(CaptureScreen(), colour, box); }, timeoutMs, 60);
}

// Pixels of the monitors, outside the picture (and its two-pixel edge) and outside the exempt
// rectangle, that are not black.
int LitPixelsBesideThePicture(const RECT& picture, const RECT& exempt) {
    Capture shot = CaptureVirtualScreen();
    RECT edge = picture;
    InflateRect(&edge, 2, 2);
    RECT exemptEdge = exempt;
    InflateRect(&exemptEdge, 2, 2);
    int lit = 0;
    for (const RECT& monitor : MonitorRects()) {
        for (int y = monitor.top; y < monitor.bottom; y++) {
            for (int x = monitor.left; x < monitor.right; x++) {
                POINT p = {x, y};
                if (!PtInRect(&edge, p) && !PtInRect(&exemptEdge, p) &&
                    !ColourNear(shot.At(x - shot.left, y - shot.top), RGB(0, 0, 0), 8)) {
                    lit++;
                }
            }
        }
    }
    return lit;
}

RECT WindowRect(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

class MultiMonitor : public SaverPlaylistTest {
protected:
    void SetUp() override {
        if (GetSystemMetrics(SM_CMONITORS) < 2) {
            GTEST_SKIP() << "needs the two-monitor display (WITH_STACK_MONITORS)";
        }
        ASSERT_TRUE(SetMonitorLayout(kSecondRight));
        SaverPlaylistTest::SetUp();
    }

    // Starts the saver on the clip and checks the window, the picture and the black around it.
    void ExpectPlacement(const Clip& clip, const Placement& placement) {
        SCOPED_TRACE(std::string(clip.name) + " " + placement.size + " " + placement.ratio);
        movie = std::string(clip.name).find(".mp4") != std::string::npos;
        WriteSettings(PlaylistLines({MediaClip(clip.name)},
                                    {placement.size, placement.ratio, "Repeat=1"}));
        HWND window = saver.StartFullScreen();
        ASSERT_NE(window, nullptr);
        ExpectCoversTheVirtualScreen(window);
        ExpectPictureAt(clip.colour, placement.expected);
        saver.Kill();
        SleepPumping(500);
    }

    void ExpectCoversTheVirtualScreen(HWND window) {
        RECT rect = {};
        RECT screen = {};
        EXPECT_TRUE(WaitUntil(
            [&] {
                GetWindowRect(window, &rect);
                screen = VirtualScreen();
                return EqualRect(&rect, &screen) != FALSE;
            },
            5000))
            << Text(rect) << " against " << Text(screen);
    }

    // exempt: where the test stack keeps frames the renderer drew before the window moved.
    void ExpectPictureAt(COLORREF colour, const RECT& expected, const RECT& exempt = RECT{}) {
        RECT box = {};
        ASSERT_TRUE(WaitForPictureBox(colour, 10000, &box));
        SleepPumping(300);
        ASSERT_TRUE(WaitForPictureBox(colour, 3000, &box));
        if (movie) {
            // Wine's movie renderer draws inside its window at a shape of its own (Windows
            // fills the window): the window stands at the box, the picture within it.
            HWND picture = FindProcessWindow(saver.Id(), "FlickvanePicture");
            ASSERT_NE(picture, nullptr);
            RECT placed = WindowRect(picture);
            EXPECT_NEAR(placed.left, expected.left, 2) << Text(placed);
            EXPECT_NEAR(placed.top, expected.top, 2) << Text(placed);
            EXPECT_NEAR(placed.right, expected.right, 2) << Text(placed);
            EXPECT_NEAR(placed.bottom, expected.bottom, 2) << Text(placed);
            EXPECT_GE(box.left, expected.left - 2) << Text(box);
            EXPECT_GE(box.top, expected.top - 2) << Text(box);
            EXPECT_LE(box.right, expected.right + 2) << Text(box);
            EXPECT_LE(box.bottom, expected.bottom + 2) << Text(box);
        } else {
            EXPECT_NEAR(box.left, expected.left, 2) << Text(box);
            EXPECT_NEAR(box.top, expected.top, 2) << Text(box);
            EXPECT_NEAR(box.right, expected.right, 2) << Text(box);
            EXPECT_NEAR(box.bottom, expected.bottom, 2) << Text(box);
        }
        EXPECT_EQ(LitPixelsBesideThePicture(expected, exempt), 0);
    }

    bool movie = false; // the clip plays through Media Foundation

    // The monitors are laid out anew while the saver plays; the window must follow.
    void ExpectFollowsLayout(HWND window, const std::vector<MonitorPlace>& layout,
                             COLORREF colour, const RECT& onPrimary) {
        RECT before = WindowRect(window);
        ASSERT_TRUE(SetMonitorLayout(layout));
        ExpectCoversTheVirtualScreen(window);
        RECT after = WindowRect(window);
        // Wine keeps a window's Direct3D pixels in a layer of their own that moves with the
        // window and that GDI's black does not paint over: the last frame drawn before the move
        // stays where the move took it. Windows paints the black over it.
        RECT carried = onPrimary;
        OffsetRect(&carried, after.left - before.left, after.top - before.top);
        ExpectPictureAt(colour, onPrimary, carried);
    }
};

} // namespace

TEST_F(MultiMonitor, PictureOnThePrimaryAndTheSecondMonitorBlack) {
    ASSERT_EQ(Text(VirtualScreen()), "0,0,1824,768");
    for (const Clip& clip : kClips) {
        for (const Placement& placement : kPlacements) {
            ExpectPlacement(clip, placement);
        }
    }
}

TEST_F(MultiMonitor, PrimaryRightOfTheSecondMonitor) {
    ASSERT_TRUE(SetMonitorLayout(kSecondLeft));
    ASSERT_EQ(Text(VirtualScreen()), "-800,0,1024,768");
    for (const Clip& clip : kClips) {
        ExpectPlacement(clip, kPlacements[2]);
        ExpectPlacement(clip, kPlacements[3]);
    }
    ExpectPlacement({"yellow-wide.avi", kYellow}, {"Size=6", "AspectRatio=0", {0, 96, 1024, 672}});
}

TEST_F(MultiMonitor, APictureWiderThanItsMonitorIsCroppedToItAtItsScale) {
    // banded.* is 1280 x 720: green, blue 96-pixel bands at both edges, a yellow 64-pixel
    // stripe at its middle. At 100% on the 1024 x 768 primary its middle 1024 columns show.
    const COLORREF green = RGB(0, 255, 0);
    const RECT shows = {0, 24, 1024, 744};
    for (const char* name : {"banded.avi", "banded.mp4"}) {
        SCOPED_TRACE(name);
        WriteSettings(PlaylistLines({MediaClip(name)}, {"Size=3", "AspectRatio=0", "Repeat=1"}));
        ASSERT_NE(saver.StartFullScreen(), nullptr);
        RECT box = {};
        ASSERT_TRUE(WaitForPictureBox(green, 10000, &box));
        SleepPumping(500);
        Capture shot = CaptureVirtualScreen(); // starts at the primary's top left corner
        box = FindColourBox(shot, green);
        EXPECT_EQ(Text(box), Text(shows));
        EXPECT_EQ(CountColour(shot, RGB(0, 0, 255)), 0) << "the cropped edges";
        // The middle of the picture at the middle of the monitor, at its own width.
        RECT stripe = FindColourBox(shot, kYellow);
        EXPECT_NEAR(stripe.left, 480, 3) << Text(stripe);
        EXPECT_NEAR(stripe.right, 544, 3) << Text(stripe);
        EXPECT_EQ(LitPixelsBesideThePicture(shows, RECT{}), 0);
        saver.Kill();
        SleepPumping(500);
    }
}

TEST_F(MultiMonitor, ALayoutChangeWhilePlayingCoversTheNewScreensAndPlacesThePictureAgain) {
    // Clips that play longer than the test, so no new item places the picture in its stead.
    const Clip longClips[] = {{"magenta-long.avi", RGB(255, 0, 255)}, {"loud.mp4", RGB(255, 128, 0)}};
    const RECT onPrimary = {352, 264, 672, 504};
    for (const Clip& clip : longClips) {
        SCOPED_TRACE(clip.name);
        movie = std::string(clip.name).find(".mp4") != std::string::npos;
        ASSERT_TRUE(SetMonitorLayout(kSecondRight));
        WriteSettings(PlaylistLines({MediaClip(clip.name)}, {"Size=3", "AspectRatio=1"}));
        HWND window = saver.StartFullScreen();
        ASSERT_NE(window, nullptr);
        ExpectPictureAt(clip.colour, onPrimary);

        // The second monitor moves to the left: the window starts 800 pixels further left, and
        // the picture must be moved within it to stay on the primary.
        ExpectFollowsLayout(window, kSecondLeft, clip.colour, onPrimary);
        // A smaller second monitor at the right again.
        ExpectFollowsLayout(window, kSmallerRight, clip.colour, onPrimary);
        EXPECT_EQ(Text(VirtualScreen()), "0,0,1664,768");
        EXPECT_TRUE(saver.Running());
        saver.Kill();
        SleepPumping(500);
    }
}
