// Small helpers shared by the playlist-walking end-to-end tests: writing a playlist into the
// settings file and waiting for a clip's colour on the screen.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

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

inline bool WaitForColour(COLORREF colour, DWORD timeoutMs) {
    return WaitUntil([&] { return PictureShows(colour); }, timeoutMs, 40);
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

} // namespace e2e
