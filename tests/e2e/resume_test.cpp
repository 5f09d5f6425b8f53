// "Resume": a second start goes on with the item, and at the place, where the first ended; a
// damaged file of places means starting from the beginning.
#include <windows.h>

#include <gtest/gtest.h>
#include <shlobj.h>
#include <stdio.h>

#include <string>

#include "e2e_support.h"
#include "saver_playlist.h"

using namespace e2e;

namespace {

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);
const COLORREF kBlue = RGB(0, 0, 255);

std::string PlacesFile() {
    char local[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local);
    return std::string(local) + "\\Flickvane\\resume.ini";
}

class SaverResume : public MovieSaverTest {
protected:
    void SetUp() override {
        MovieSaverTest::SetUp();
        DeleteFileA(PlacesFile().c_str());
        // A short green item, then a long one: red for 4 s, then blue.
        WriteSettings(PlaylistLines({MediaClip("green.avi"), MediaClip("longredblue.mp4")},
                                    {"Resume=1", "Keyboard=1", "Repeat=1"}));
    }
    void TearDown() override {
        MovieSaverTest::TearDown();
        DeleteFileA(PlacesFile().c_str());
    }

    // The first of the clips' colours the screen shows.
    COLORREF FirstColour(DWORD timeoutMs) {
        COLORREF seen = RGB(0, 0, 0);
        WaitUntil(
            [&] {
                for (COLORREF colour : {kRed, kGreen, kBlue}) {
                    if (PictureShows(colour)) {
                        seen = colour;
                        return true;
                    }
                }
                return false;
            },
            timeoutMs, 40);
        return seen;
    }
};

TEST_F(SaverResume, ASecondStartGoesOnWithTheItemAndPlaceWhereTheFirstEnded) {
    ASSERT_NE(saver.StartFullScreen(), nullptr);
    ASSERT_EQ(FirstColour(15000), kGreen);
    PressKey(VK_DOWN);
    ASSERT_TRUE(WaitForColour(kBlue, 20000)) << "4 s into the long item";
    SleepPumping(3000);
    PressKey('A');
    DWORD code = 99;
    ASSERT_TRUE(saver.WaitForExit(15000, &code));
    EXPECT_EQ(code, 0u);

    HWND window = saver.StartFullScreen();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(FirstColour(20000), kBlue) << "about 5 s in, not at its red start";
    EXPECT_EQ(WindowText(window), "longredblue.mp4");
}

TEST_F(SaverResume, ADamagedFileOfPlacesStartsFromTheBeginning) {
    CreateDirectoryA(PlacesFile().substr(0, PlacesFile().rfind('\\')).c_str(), nullptr);
    FILE* file = fopen(PlacesFile().c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fputs("[Flickvane resume 1]\r\nCurrent=\x01\xff\xfe\r\nPlace=zz|\r\n\x00\x00", file);
    fclose(file);
    HWND window = saver.StartFullScreen();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(FirstColour(15000), kGreen);
    EXPECT_EQ(WindowText(window), "green.avi");
    EXPECT_TRUE(saver.Running());
}

} // namespace
