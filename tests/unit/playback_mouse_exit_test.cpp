// The mouse's exit rules in the saver window: in full screen a move away from where the cursor
// stood at the start ends the saver; a message without a move, Escape-only and preview do not.
#include <gtest/gtest.h>

#include "fake_graph.h"
#include "host/host_state.h"
#include "host/saver_window.h"
#include "settings/settings.h"

namespace {

class MouseExitRules : public PlaybackTest {
protected:
    void SetUp() override {
        PlaybackTest::SetUp();
        // Not shown, so that an end takes no time for the window to leave the screen.
        SetWindowLongPtrA(window, GWL_STYLE, GetWindowLongPtrA(window, GWL_STYLE) & ~WS_VISIBLE);
        SetCursorPos(200, 150);
        GetCursorPos(&gHost.startCursor);
    }

    // The cursor goes there first, as with a real mouse, then the window hears of it.
    void MoveTo(int x, int y) {
        SetCursorPos(x, y);
        Send(WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    }

    bool Ended() { return !IsWindow(window); }
};

TEST_F(MouseExitRules, AOnePixelMoveEndsFullScreen) {
    MoveTo(gHost.startCursor.x + 1, gHost.startCursor.y);
    EXPECT_TRUE(Ended()) << LogText();
}

TEST_F(MouseExitRules, AMoveUpwardsEndsFullScreenToo) {
    MoveTo(gHost.startCursor.x, gHost.startCursor.y - 40);
    EXPECT_TRUE(Ended()) << LogText();
}

TEST_F(MouseExitRules, AMessageWithTheCursorAtItsStartLeavesItRunning) {
    // Windows sends one when the window appears, with the mouse untouched.
    MoveTo(gHost.startCursor.x, gHost.startCursor.y);
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));

    EXPECT_FALSE(Ended());
}

TEST_F(MouseExitRules, WithEscapeOnlyAMoveLeavesItRunning) {
    gSettings.ESCKey = 1;

    MoveTo(600, 400);
    MoveTo(gHost.startCursor.x + 1, gHost.startCursor.y);

    EXPECT_FALSE(Ended());
}

TEST_F(MouseExitRules, PreviewNeverEndsByTheMouse) {
    for (int escKey : {0, 1}) {
        gSettings.ESCKey = escKey;
        gHost.previewParent = GetDesktopWindow();
        gHost.previewMode = true;

        MoveTo(600, 400);
        MoveTo(gHost.startCursor.x + 1, gHost.startCursor.y + 1);

        EXPECT_FALSE(Ended()) << "ESCKey=" << escKey;
    }
}

TEST_F(MouseExitRules, AMoveThatEndsNothingLeavesThePlayingGraphAlone) {
    fakes->InstallRunning(true);
    gSettings.ESCKey = 1;

    MoveTo(700, 500);

    EXPECT_TRUE(FakeLog().empty()) << LogText();
    EXPECT_FALSE(Ended());
}

} // namespace
