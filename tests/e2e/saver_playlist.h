// Small helpers shared by the playlist-walking end-to-end tests: writing a playlist into the
// settings file and waiting for a clip's colour on the screen.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "e2e_support.h"

namespace e2e {

inline std::string MediaClip(const char* name) { return MediaDir() + "\\" + name; }

// FilesNum and File1.. for the paths, then the option lines as given.
inline std::vector<std::string> PlaylistLines(const std::vector<std::string>& paths,
                                              const std::vector<std::string>& options) {
    std::vector<std::string> lines;
    lines.reserve(paths.size() + options.size() + 1);
    lines.push_back("FilesNum=" + std::to_string(paths.size()));
    for (size_t i = 0; i < paths.size(); i++) {
        lines.push_back("File" + std::to_string(i + 1) + "=" + paths[i]);
    }
    lines.insert(lines.end(), options.begin(), options.end());
    return lines;
}

// True when the colour covers a sizeable area of the capture; box gets the colour's box.
inline bool ShowsPicture(const Capture& shot, COLORREF colour, RECT* box = nullptr) {
    RECT found = FindColourBox(shot, colour);
    if (box) {
        *box = found;
    }
    return (found.right - found.left) * (found.bottom - found.top) > 400 &&
           CountColour(shot, colour) > 400;
}

// True while the colour covers a sizeable area of the screen.
inline bool PictureShows(COLORREF colour) { return ShowsPicture(CaptureScreen(), colour); }

inline bool ScreenAllBlack() {
    Capture shot = CaptureScreen();
    return CountColour(shot, RGB(0, 0, 0), 8) == shot.width * shot.height;
}

inline bool WaitForColour(COLORREF colour, DWORD timeoutMs) {
    return WaitUntil([&] { return PictureShows(colour); }, timeoutMs, 40);
}

// Waits until the colour covers a sizeable area and gives its box.
inline bool WaitForPicture(COLORREF colour, DWORD timeoutMs, RECT* box) {
    RECT found = {};
    bool seen = WaitUntil(
        [&] {
            Capture shot = CaptureScreen();
            found = FindColourBox(shot, colour);
            return (found.right - found.left) * (found.bottom - found.top) > 400 &&
                   CountColour(shot, colour) > 400;
        },
        timeoutMs, 40);
    if (box) {
        *box = found;
    }
    return seen;
}

inline void ExpectBoxNear(const RECT& box, int left, int top, int right, int bottom) {
    EXPECT_NEAR(box.left, left, 2);
    EXPECT_NEAR(box.top, top, 2);
    EXPECT_NEAR(box.right, right, 2);
    EXPECT_NEAR(box.bottom, bottom, 2);
}

// A window handle as the command line's number.
inline std::string WindowNumber(HWND window) {
    char text[32];
    snprintf(text, sizeof(text), "%ld", (long)(LONG_PTR)window);
    return text;
}

// Starts the saver in preview inside the host window and waits until the item whose title is
// given starts in the saver's child window; gives that child, or null. Wine 8 draws nothing of a
// child window whose parent belongs to another process, so what preview shows cannot be read
// back; that the item starts there is what can be checked.
inline HWND StartPreviewPlaying(SaverProcess& saver, HWND host, const std::string& title,
                                DWORD timeoutMs) {
    HWND child = nullptr;
    if (!saver.Start("/p " + WindowNumber(host)) ||
        !WaitUntil([&] { return (child = FindChildWindow(host, "Flickvane")) != nullptr; },
                   10000) ||
        !WaitUntil([&] { return WindowText(child) == title; }, timeoutMs)) {
        return nullptr;
    }
    return child;
}

// A saver started per test on a playlist: the cursor parked out of the way first, the saver and
// the settings file gone afterwards.
class SaverPlaylistTest : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveSettings();
        MoveCursorTo(1000, 700);
        SleepPumping(50);
    }
    void TearDown() override {
        saver.Kill();
        RemoveSettings();
        SleepPumping(300);
    }

    SaverProcess saver;
};

// The same with no QuickTime runtime installed, so that movies play through Media Foundation; a
// failure leaves a screenshot behind.
class MovieSaverTest : public SaverPlaylistTest {
protected:
    void SetUp() override {
        SaverPlaylistTest::SetUp();
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Apple Computer, Inc.\\QuickTime");
    }
    void TearDown() override {
        if (HasFailure()) {
            std::string shot = TempDir() + "\\failure.bmp";
            SaveCapture(CaptureScreen(), shot);
            printf("screenshot in %s\n", shot.c_str());
        }
        SaverPlaylistTest::TearDown();
    }
};

} // namespace e2e
