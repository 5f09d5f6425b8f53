// Cuts between items, read from the screen: the next item's first picture follows the last one's
// with no black between, and nothing of a larger picture stays around a smaller one after it.
#include <gtest/gtest.h>

#include "saver_playlist.h"

using namespace e2e;

namespace {

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kYellow = RGB(255, 255, 0);

bool Black(COLORREF colour) { return GetRValue(colour) + GetGValue(colour) + GetBValue(colour) < 60; }

class ItemCuts : public SaverPlaylistTest {
protected:
    // Reads the middle of the screen as fast as it can from the first item's red to the second
    // one's blue; gives how many reads came between and how many of them were black.
    void ReadCut(const char* first, const char* second, int* between, int* black) {
        *between = *black = 0;
        WriteSettings(PlaylistLines({MediaClip(first), MediaClip(second)},
                                    {"Repeat=0", "Size=3", "AspectRatio=0"}));
        ASSERT_NE(saver.StartFullScreen(), nullptr);
        ASSERT_TRUE(WaitUntil([] { return ColourNear(ScreenPixel(512, 384), kRed, 60); }, 20000, 5))
            << first;
        int pending = 0, pendingBlack = 0; // reads since the last red
        bool blue = WaitUntil(
            [&] {
                COLORREF now = ScreenPixel(512, 384);
                if (ColourNear(now, kRed, 60)) {
                    pending = pendingBlack = 0;
                    return false;
                }
                if (ColourNear(now, kBlue, 60)) {
                    return true;
                }
                ++pending;
                pendingBlack += Black(now) ? 1 : 0;
                return false;
            },
            20000, 1);
        ASSERT_TRUE(blue) << second;
        *between = pending;
        *black = pendingBlack;
        saver.Kill();
    }
};

TEST_F(ItemCuts, NoBlackComesBetweenItemsDrawnByDirectShow) {
    // From one graph to the next, and from a movie to a graph: the held picture stands until the
    // new one shows. (Cuts to a movie show black under Wine: its renderer cannot draw a picture
    // again, and presents the first one while it is still covered.)
    for (const char* first : {"red.avi", "red.mp4"}) {
        SCOPED_TRACE(first);
        int between = 0, black = 0;
        ReadCut(first, "blue.avi", &between, &black);
        EXPECT_EQ(black, 0) << "of " << between << " reads between the two pictures";
    }
}

TEST_F(ItemCuts, NothingOfALargerPictureStaysAroundASmallerOneThatFollows) {
    WriteSettings(PlaylistLines({MediaClip("yellow-wide.avi"), MediaClip("red.avi")},
                                {"Repeat=0", "Size=2", "AspectRatio=0"}));
    ASSERT_NE(saver.StartFullScreen(), nullptr);
    ASSERT_TRUE(WaitForColour(kYellow, 20000));
    ASSERT_TRUE(WaitForColour(kRed, 20000));
    SleepPumping(300);
    Capture shot = CaptureScreen();
    EXPECT_TRUE(ShowsPicture(shot, kRed));
    EXPECT_EQ(CountColour(shot, kYellow), 0) << "the wide picture's edges stayed";
}

} // namespace
