// What the same movie on every monitor costs against the primary monitor alone: the real
// Flickvane.scr plays a 1080p H.264/AAC movie full screen with "Monitors" at 0 (the primary
// only, the others black) and at 1 (the same item on every monitor, a player each) in the same
// run, on a display of two monitors. Figures: CPU seconds of the saver's process per second of
// playback, and how many new frames reach each monitor per second. Prints a table; not a test.
//   bench_monitors.exe [RUNS]
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "e2e_support.h"

using namespace bench;
using namespace e2e;

namespace {

const char kMovie[] = "bench-1080p.mp4"; // 1920x1080, 30 fps, 20 s
const int kMovieWidth = 1920;
const int kMovieHeight = 1080;
const DWORD kCpuWindowMs = 5000;
const DWORD kFrameWindowMs = 5000;
// The stack's monitors (scripts/bench-monitors lays them out) and the movie's place on each
// with Size=6 and AspectRatio=0: as large as the monitor allows at the movie's own ratio.
const RECT kPrimaryPicture = {0, 96, 1024, 672};    // 1024x576 on the 1024x768 primary
const RECT kSecondPicture = {1024, 75, 1824, 525};  // 800x450 on the 800x600 monitor at its right
// Where in the movie the patch is read: the time and frame number that the movie writes in its
// top left corner, which differ in every frame (the rest of the picture stands still for several
// frames at a time in most places).
const RECT kPatchInMovie = {0, 0, 104, 40};
// A place in the movie's red bar, to tell that its picture shows.
const POINT kBrightInMovie = {140, 150};

// A place in the movie's frame where the picture shows it on the screen.
RECT OnScreen(const RECT& inMovie, const RECT& picture) {
    int w = picture.right - picture.left, h = picture.bottom - picture.top;
    return RECT{picture.left + inMovie.left * w / kMovieWidth,
                picture.top + inMovie.top * h / kMovieHeight,
                picture.left + inMovie.right * w / kMovieWidth,
                picture.top + inMovie.bottom * h / kMovieHeight};
}

// The machine's load average over the last minute, from /proc; -1 when it cannot be read.
double LoadAverage() {
    std::string text = ReadSmallFile("Z:\\proc\\loadavg");
    return text.empty() ? -1 : atof(text.c_str());
}

bool PictureShown(const RECT& picture) {
    RECT spot = OnScreen(RECT{kBrightInMovie.x, kBrightInMovie.y, kBrightInMovie.x,
                              kBrightInMovie.y},
                         picture);
    COLORREF c = ScreenPixel(spot.left, spot.top);
    return GetRValue(c) + GetGValue(c) + GetBValue(c) > 120;
}

struct Mode {
    const char* name;
    const char* setting;
    bool everyMonitor;
};

struct Run {
    bool ok = false;
    bool secondShown = false;
    double cpuPerSecond = 0;        // CPU seconds per second of playback, every thread counted
    double windowsCpuPerSecond = 0; // as GetProcessTimes sees it
    double primaryFps = 0;          // new frames seen per second on each monitor
    double secondFps = 0;
    double primaryChanges = 0;      // reads per second that differed from the one before
    double secondChanges = 0;
    double samplesPerSecond = 0;    // reads of each patch per second
};

Run Measure(const Mode& mode) {
    Run run;
    WaitUntil([] { return !PictureShown(kPrimaryPicture) && !PictureShown(kSecondPicture); },
              10000, 20);
    std::string saver = SaverPath();
    std::string commandLine = "\"" + saver + "\" /s";
    Child child;
    if (!child.Start(commandLine)) {
        fprintf(stderr, "bench: cannot start %s\n", commandLine.c_str());
        return run;
    }
    if (!WaitUntil([] { return PictureShown(kPrimaryPicture); }, 30000, 5)) {
        fprintf(stderr, "bench: no picture on the primary monitor (%s)\n", mode.name);
        return run;
    }
    if (mode.everyMonitor) {
        run.secondShown = WaitUntil([] { return PictureShown(kSecondPicture); }, 10000, 5);
        if (!run.secondShown) {
            fprintf(stderr, "bench: no picture on the second monitor (%s)\n", mode.name);
        }
    }
    SleepPumping(500);
    double cpu0 = ProcessorSeconds(child.info.hProcess);
    double unix0 = UnixProcessorSeconds(saver.c_str());
    double w0 = Now();
    SleepPumping(kCpuWindowMs);
    double cpu1 = ProcessorSeconds(child.info.hProcess);
    double unix1 = UnixProcessorSeconds(saver.c_str());
    double w1 = Now();
    run.windowsCpuPerSecond = (cpu1 - cpu0) / (w1 - w0);
    run.cpuPerSecond = unix0 >= 0 && unix1 >= 0 ? (unix1 - unix0) / (w1 - w0)
                                                : run.windowsCpuPerSecond;

    // Both patches are read in turn, as fast as the screen can be read. A new frame counts when
    // it stands for two reads; every read that differs from the one before is counted too.
    PatchSampler primary(OnScreen(kPatchInMovie, kPrimaryPicture));
    PatchSampler second(OnScreen(kPatchInMovie, kSecondPicture));
    int primaryFrames = 0, secondFrames = 0, primaryChanges = 0, secondChanges = 0, samples = 0;
    for (int i = 0; i < 2; i++) {
        primary.Changed();
        second.Changed();
    }
    double f0 = Now();
    while (Now() - f0 < kFrameWindowMs / 1000.0) {
        primaryChanges += primary.Changed() ? 1 : 0;
        primaryFrames += primary.SteadyChange() ? 1 : 0;
        secondChanges += second.Changed() ? 1 : 0;
        secondFrames += second.SteadyChange() ? 1 : 0;
        samples++;
        Sleep(1);
    }
    double f1 = Now();
    run.primaryFps = primaryFrames / (f1 - f0);
    run.secondFps = secondFrames / (f1 - f0);
    run.primaryChanges = primaryChanges / (f1 - f0);
    run.secondChanges = secondChanges / (f1 - f0);
    run.samplesPerSecond = samples / (f1 - f0);
    if (WaitForSingleObject(child.info.hProcess, 0) != WAIT_TIMEOUT) {
        fprintf(stderr, "bench: the saver ended during the measurement (%s)\n", mode.name);
        return run;
    }
    run.ok = true;
    return run;
}

DWORD SystemProcessors() {
    SYSTEM_INFO info = {};
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors;
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? atoi(argv[1]) : 3;
    if (runs < 1) {
        runs = 1;
    }
    if (GetSystemMetrics(SM_CMONITORS) < 2) {
        fprintf(stderr, "bench: needs two monitors (WITH_STACK_MONITORS=\"1024x768+0+0 "
                        "800x600+1024+0\"; scripts/bench-monitors sets it)\n");
        return 1;
    }
    std::string movie = MediaDir() + "\\" + kMovie;
    if (GetFileAttributesA(movie.c_str()) == INVALID_FILE_ATTRIBUTES) {
        fprintf(stderr, "bench: %s is missing (run scripts/make-media BUILD_DIR bench)\n",
                movie.c_str());
        return 1;
    }
    const Mode modes[] = {
        {"mode 0", "Monitors=0", false},
        {"mode 1", "Monitors=1", true},
    };
    const size_t count = sizeof(modes) / sizeof(modes[0]);
    // No QuickTime runtime: the saver plays the movie through Media Foundation.
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Apple Computer, Inc.\\QuickTime");
    double loadBefore = LoadAverage();
    // Away from both pictures; moving it before the saver starts ends nothing.
    MoveCursorTo(1023, 767);

    std::vector<double> cpu[count], primaryFps[count], secondFps[count], samples[count],
        cpuPerFrame[count];
    for (int i = 0; i < runs; i++) {
        for (size_t turn = 0; turn < count; turn++) {
            // Each run starts with the other mode, so neither always goes first.
            size_t k = (turn + (size_t)i) % count;
            const Mode& mode = modes[k];
            WriteSettings({"FilesNum=1", "File1=" + movie, "Repeat=0", "Size=6",
                           "AspectRatio=0", "Volume=0", mode.setting});
            Run run = Measure(mode);
            if (!run.ok) {
                continue;
            }
            cpu[k].push_back(run.cpuPerSecond);
            primaryFps[k].push_back(run.primaryFps);
            secondFps[k].push_back(run.secondFps);
            samples[k].push_back(run.samplesPerSecond);
            double shown = run.primaryFps + run.secondFps;
            if (shown > 0) {
                cpuPerFrame[k].push_back(run.cpuPerSecond / shown * 1000.0);
            }
            printf("run %d %s   cpu %.3f s/s (%.3f by GetProcessTimes)   new frames: primary "
                   "%4.1f/s, second %4.1f/s   changes: %4.1f/s, %4.1f/s (%.0f reads/s of each)\n",
                   i + 1, mode.name, run.cpuPerSecond, run.windowsCpuPerSecond, run.primaryFps,
                   run.secondFps, run.primaryChanges, run.secondChanges, run.samplesPerSecond);
            fflush(stdout);
        }
    }
    printf("\nmovie: %s (1920x1080 H.264 30 fps, AAC), Size=6, AspectRatio=0: 1024x576 on the\n"
           "1024x768 primary, 800x450 on the 800x600 second monitor; median of %d runs\n",
           kMovie, runs);
    printf("%-40s %10s %10s %8s %8s\n", "figure", modes[0].name, modes[1].name, "ratio", "aim");
    double cpu0 = Median(cpu[0]), cpu1 = Median(cpu[1]);
    printf("%-40s %10.3f %10.3f %8.2f %8s\n", "CPU seconds per second of playback", cpu0, cpu1,
           cpu0 > 0.001 ? cpu1 / cpu0 : 0.0, "<= 2.00");
    printf("%-40s %10.1f %10.1f\n", "new frames seen per second, primary [1]",
           Median(primaryFps[0]), Median(primaryFps[1]));
    printf("%-40s %10.1f %10.1f\n", "new frames seen per second, second [1]",
           Median(secondFps[0]), Median(secondFps[1]));
    double perFrame0 = Median(cpuPerFrame[0]), perFrame1 = Median(cpuPerFrame[1]);
    printf("%-40s %10.1f %10.1f %8.2f\n", "CPU ms per new frame, both monitors", perFrame0,
           perFrame1, perFrame0 > 0.001 ? perFrame1 / perFrame0 : 0.0);
    printf("%-40s %10.0f %10.0f\n", "reads of each patch per second", Median(samples[0]),
           Median(samples[1]));
    printf("[1] Pictures that stood for two reads in a row in a patch of the same area of the\n"
           "    movie (its frame counter) on each monitor, both patches read in turn as fast as\n"
           "    the screen can be read; the movie has 30 frames a second. Mode 0 leaves the\n"
           "    second monitor black. Each run's line also gives every read that differed\n"
           "    from the one before (\"changes\"), where a picture drawn in steps counts more\n"
           "    than once.\n");
    printf("Load average of the machine (1 min): %.2f at the start, %.2f at the end, on %lu\n"
           "processors; what other programs use leaves less for the saver.\n",
           loadBefore, LoadAverage(), SystemProcessors());
    RemoveSettings();
    return !cpu[0].empty() && !cpu[1].empty() ? 0 : 1;
}
