// The colours of the configuration dialog as they reach the screen.
#include <windows.h>

#include <gtest/gtest.h>

#include "config_support.h"
#include "e2e_support.h"

using namespace e2e;

namespace {

const COLORREF kCaptionBlue = RGB(75, 75, 255);
const int kGroupBoxes[] = {1024, 1025, 1026, 1027, 1037, 1039};

RECT ScreenRect(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

int CountIn(const Capture& shot, RECT rect, COLORREF colour, int tolerance) {
    int count = 0;
    for (int y = rect.top < 0 ? 0 : rect.top; y < rect.bottom && y < shot.height; y++) {
        for (int x = rect.left < 0 ? 0 : rect.left; x < rect.right && x < shot.width; x++) {
            count += ColourNear(shot.At(x, y), colour, tolerance) ? 1 : 0;
        }
    }
    return count;
}

} // namespace

TEST(ConfigDialogColours, OnlyTheGroupCaptionsAreBlue) {
    RemoveSettings();
    WriteSettings({"FilesNum=1", "File1=C:\\clips\\one.avi"});
    SaverProcess saver;
    ConfigDialog config;
    ASSERT_TRUE(OpenConfigDialog(saver, "", &config));
    SleepPumping(700);
    Capture shot = CaptureScreen();
    // A caption sits on the top edge of its box, one text line high.
    std::vector<RECT> captions;
    for (int id : kGroupBoxes) {
        RECT box = ScreenRect(config.Control(id));
        RECT caption = {box.left, box.top - 2, box.right, box.top + 16};
        captions.push_back(caption);
        EXPECT_GT(CountIn(shot, caption, kCaptionBlue, 12), 10) << "group box " << id;
    }
    RECT dialog = ScreenRect(config.dialog);
    int blueInDialog = CountIn(shot, dialog, kCaptionBlue, 12);
    int blueInCaptions = 0;
    for (const RECT& caption : captions) {
        blueInCaptions += CountIn(shot, caption, kCaptionBlue, 12);
    }
    EXPECT_EQ(blueInDialog, blueInCaptions);
    // The other texts are drawn, in a colour other than the blue.
    for (int id : {1009, 1023, 1029, -1}) {
        HWND control = id == -1 ? FindChildWindow(config.dialog, "Static") : config.Control(id);
        RECT rect = ScreenRect(control);
        EXPECT_GT(CountIn(shot, rect, RGB(0, 0, 0), 60), 5) << "control " << id;
        EXPECT_EQ(CountIn(shot, rect, kCaptionBlue, 12), 0) << "control " << id;
    }
    // The caption colours keep the text background of the dialog.
    EXPECT_GT(CountIn(shot, captions[0], GetSysColor(COLOR_BTNFACE), 4), 10);
    saver.Kill();
}
