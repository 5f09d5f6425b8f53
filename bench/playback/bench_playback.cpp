// Playback figures of the real Flickvane.scr beside a bare RenderFile player on the same clip:
// time to the first picture, CPU per second of playback, and CPU while the saver sits black
// after a non-repeating list has ended. Prints a table; not a test.
//   bench_playback.exe [RUNS]
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

const COLORREF kClipColour = RGB(255, 0, 255); // magenta-long.avi
const DWORD kSaverStartDelayMs = 500;           // the saver's start timer
const DWORD kCpuWindowMs = 4000;

bool CentreIs(COLORREF colour) {
    return ColourNear(ScreenPixel(512, 384), colour, 40);
}

struct Run {
    bool ok = false;
    double firstPictureMs = 0; // from process start, start timer taken off for the saver
    double cpuPerSecond = 0;   // CPU seconds per second of playback
};

// Starts the command line, waits for the clip's colour at the screen's centre, then measures
// the process's CPU over a few seconds of playback.
Run Measure(const std::string& commandLine, double startOffsetMs) {
    Run run;
    // A previous run's picture must be gone first.
    WaitUntil([] { return !CentreIs(kClipColour); }, 10000, 20);
    Child child;
    double t0 = Now();
    if (!child.Start(commandLine)) {
        fprintf(stderr, "bench: cannot start %s\n", commandLine.c_str());
        return run;
    }
    if (!WaitUntil([] { return CentreIs(kClipColour); }, 20000, 5)) {
        fprintf(stderr, "bench: no picture from %s\n", commandLine.c_str());
        return run;
    }
    double t1 = Now();
    run.firstPictureMs = (t1 - t0) * 1000.0 - startOffsetMs;
    double cpu0 = ProcessorSeconds(child.info.hProcess);
    double w0 = Now();
    SleepPumping(kCpuWindowMs);
    double cpu1 = ProcessorSeconds(child.info.hProcess);
    double w1 = Now();
    if (WaitForSingleObject(child.info.hProcess, 0) != WAIT_TIMEOUT) {
        fprintf(stderr, "bench: %s ended during the measurement\n", commandLine.c_str());
        return run;
    }
    run.cpuPerSecond = (cpu1 - cpu0) / (w1 - w0);
    run.ok = true;
    return run;
}

// CPU share of the saver while it sits black after the last item of a non-repeating list.
double MeasureIdle(bool* ok) {
    *ok = false;
    WriteSettings({"FilesNum=1", "File1=" + MediaDir() + "\\red.avi", "Repeat=0", "Size=6",
                   "AspectRatio=1"});
    SaverProcess saver;
    if (!saver.Start("/s")) {
        return 0;
    }
    if (!WaitUntil([] { return CentreIs(RGB(255, 0, 0)); }, 20000, 20) ||
        !WaitUntil([] { return CentreIs(RGB(0, 0, 0)); }, 20000, 20)) {
        fprintf(stderr, "bench: the short clip did not play to its end\n");
        return 0;
    }
    SleepPumping(1000);
    double cpu0 = ProcessorSeconds(saver.Handle());
    double w0 = Now();
    SleepPumping(5000);
    double cpu1 = ProcessorSeconds(saver.Handle());
    double w1 = Now();
    if (!saver.Running()) {
        fprintf(stderr, "bench: the saver ended while idle\n");
        return 0;
    }
    *ok = true;
    return (cpu1 - cpu0) / (w1 - w0) * 100.0;
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? atoi(argv[1]) : 3;
    if (runs < 1) {
        runs = 1;
    }
    std::string clip = MediaDir() + "\\magenta-long.avi";
    if (GetFileAttributesA(clip.c_str()) == INVALID_FILE_ATTRIBUTES) {
        fprintf(stderr, "bench: %s is missing (run scripts/make-media)\n", clip.c_str());
        return 1;
    }
    std::string bare = "\"" + ExeDir() + "\\bare_player.exe\" \"" + clip + "\"";
    std::string saver = "\"" + SaverPath() + "\" /s";
    WriteSettings({"FilesNum=1", "File1=" + clip, "Repeat=0", "Size=6", "AspectRatio=1"});

    std::vector<double> bareFirst, bareCpu, saverFirst, saverCpu;
    for (int i = 0; i < runs; i++) {
        // Alternate the order so that a warm cache favours neither.
        for (int which = 0; which < 2; which++) {
            bool saverTurn = (which == 0) == (i % 2 == 1);
            Run run = saverTurn ? Measure(saver, kSaverStartDelayMs) : Measure(bare, 0);
            if (!run.ok) {
                continue;
            }
            (saverTurn ? saverFirst : bareFirst).push_back(run.firstPictureMs);
            (saverTurn ? saverCpu : bareCpu).push_back(run.cpuPerSecond);
            printf("run %d %-11s first picture %7.1f ms   cpu %.3f s/s\n", i + 1,
                   saverTurn ? "saver" : "bare player", run.firstPictureMs, run.cpuPerSecond);
            fflush(stdout);
        }
    }
    bool idleOk = false;
    double idle = MeasureIdle(&idleOk);

    double bf = Median(bareFirst), sf = Median(saverFirst);
    double bc = Median(bareCpu), sc = Median(saverCpu);
    printf("\nclip: magenta-long.avi (320x240 MJPEG, 25 fps, PCM sound), screen 1024x768, "
           "median of %d runs\n", runs);
    printf("%-40s %12s %12s %8s %8s\n", "figure", "bare player", "Flickvane", "ratio", "aim");
    printf("%-40s %12.1f %12.1f %8.2f %8s\n", "first picture after start (ms) [1]", bf, sf,
           bf > 0 ? sf / bf : 0.0, "<= 1.10");
    printf("%-40s %12.3f %12.3f %8.2f %8s\n", "CPU seconds per second of playback", bc, sc,
           bc > 0 ? sc / bc : 0.0, "<= 1.10");
    if (idleOk) {
        printf("%-40s %12s %11.2f%% %8s %8s\n", "CPU while black after the list ended", "-",
               idle, "", "< 1%");
    } else {
        printf("%-40s %12s %12s\n", "CPU while black after the list ended", "-", "failed");
    }
    printf("[1] Flickvane's figure has its 500 ms start timer taken off.\n");
    RemoveSettings();
    bool complete = !bareFirst.empty() && !saverFirst.empty() && idleOk;
    return complete ? 0 : 1;
}
