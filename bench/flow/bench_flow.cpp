// How items follow one another in the real Flickvane.scr, and how fast it goes: the
// milliseconds of black between two items (DirectShow, Media Foundation and across them), read
// from the screen's centre as fast as it can be read, and the milliseconds from exit input to
// the saver's windows gone, while an item plays and while one opens. The pictures stand at
// 100 %: under Wine without a window manager, hiding a window as large as the screen waits 2 s
// for a withdrawal that never comes, which is not what Windows does. Prints medians; not a test.
//   bench_flow.exe [RUNS]
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "e2e_support.h"

using namespace bench;
using namespace e2e;

namespace {

std::string MediaClip(const char* name) { return MediaDir() + "\\" + name; }

std::vector<std::string> PlaylistLines(const std::vector<std::string>& paths,
                                       const std::vector<std::string>& options) {
    std::vector<std::string> lines = {"FilesNum=" + std::to_string(paths.size())};
    for (size_t i = 0; i < paths.size(); i++) {
        lines.push_back("File" + std::to_string(i + 1) + "=" + paths[i]);
    }
    lines.insert(lines.end(), options.begin(), options.end());
    return lines;
}

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);

bool Near(COLORREF colour, COLORREF wanted) { return ColourNear(colour, wanted, 60); }

bool Black(COLORREF colour) {
    return GetRValue(colour) + GetGValue(colour) + GetBValue(colour) < 60;
}

// The black between the first item's red and the second's blue: from the last red read to the
// first blue read, when only black came between; -1 when the change was not seen.
double BlackBetween(const std::string& first, const std::string& second) {
    WriteSettings(PlaylistLines({MediaClip(first.c_str()), MediaClip(second.c_str())},
                                {"Repeat=0", "Size=3", "AspectRatio=0"}));
    SaverProcess saver;
    if (saver.StartFullScreen() == nullptr ||
        !WaitUntil([] { return Near(ScreenPixel(512, 384), kRed); }, 20000, 5)) {
        return -1;
    }
    double lastRed = Now();
    double black = -1;
    bool other = false; // something neither black nor the two colours came between
    double deadline = Now() + 20;
    while (Now() < deadline) {
        COLORREF now = ScreenPixel(512, 384);
        double at = Now();
        if (Near(now, kRed)) {
            lastRed = at;
            other = false;
        } else if (Near(now, kBlue)) {
            black = other ? -1 : (at - lastRed) * 1000.0;
            break;
        } else if (!Black(now)) {
            other = true;
        }
    }
    saver.Kill();
    SleepPumping(500);
    return black;
}

// From exit input to every window of the saver gone.
double ExitTime(const std::string& clip, bool whilePlaying) {
    WriteSettings(
        PlaylistLines({MediaClip(clip.c_str())}, {"Repeat=1", "Size=3", "AspectRatio=0"}));
    SaverProcess saver;
    HWND window = saver.StartFullScreen();
    if (window == nullptr) {
        return -1;
    }
    if (whilePlaying) {
        if (!WaitUntil([] { return Near(ScreenPixel(512, 384), kRed); }, 20000, 5)) {
            return -1;
        }
    } else {
        SleepPumping(800); // the start timer has fired; the movie is still opening
    }
    double sent = Now();
    PressKey('A');
    bool gone = WaitUntil([&] { return FindProcessWindow(saver.Id(), nullptr) == nullptr; },
                          15000, 1);
    double took = (Now() - sent) * 1000.0;
    saver.WaitForExit(15000);
    saver.Kill();
    SleepPumping(500);
    return gone ? took : -1;
}

void Print(const char* figure, std::vector<double> values, const char* aim) {
    std::vector<double> seen;
    for (double v : values) {
        if (v >= 0) {
            seen.push_back(v);
        }
    }
    printf("%-44s %8.0f %8.0f %8.0f %6d/%d %10s\n", figure, Median(seen),
           seen.empty() ? 0.0 : *std::min_element(seen.begin(), seen.end()),
           seen.empty() ? 0.0 : *std::max_element(seen.begin(), seen.end()), (int)seen.size(),
           (int)values.size(), aim);
    fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? atoi(argv[1]) : 5;
    runs = runs < 1 ? 1 : runs;
    MoveCursorTo(1000, 700);
    struct Pair {
        const char* figure;
        const char* first;
        const char* second;
    };
    const Pair pairs[] = {
        {"black ms, AVI to AVI (DirectShow)", "red.avi", "blue.avi"},
        {"black ms, MP4 to MP4 (Media Foundation)", "red.mp4", "blue.m4v"},
        {"black ms, AVI to MP4", "red.avi", "blue.m4v"},
        {"black ms, MP4 to AVI", "red.mp4", "blue.avi"},
    };
    printf("%-44s %8s %8s %8s %8s %10s\n", "figure (median of runs)", "median", "min", "max",
           "seen", "aim");
    for (const Pair& pair : pairs) {
        std::vector<double> values;
        for (int i = 0; i < runs; i++) {
            values.push_back(BlackBetween(pair.first, pair.second));
        }
        Print(pair.figure, values, "< 17");
    }
    struct Exit {
        const char* figure;
        const char* clip;
        bool playing;
    };
    const Exit exits[] = {
        {"exit ms, an AVI playing", "red-then-blue.avi", true},
        {"exit ms, an MP4 playing", "redblue.mp4", true},
        {"exit ms, a header-only MP4 opening", "headeronly.mp4", false},
    };
    for (const Exit& exit : exits) {
        std::vector<double> values;
        for (int i = 0; i < runs; i++) {
            values.push_back(ExitTime(exit.clip, exit.playing));
        }
        Print(exit.figure, values, "< 100");
    }
    return 0;
}
