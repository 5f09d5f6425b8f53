// Movie figures of the real Flickvane.scr, playing through its built-in movie runtime, beside
// a bare Media Foundation player on the same 1080p H.264/AAC movie in the same run: time to
// the first picture, CPU per second of playback, and how many of the movie's frames reach the
// screen. Prints a table; not a test.
//   bench_movie.exe [RUNS]
#include <windows.h>

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "e2e_support.h"

using namespace bench;
using namespace e2e;

namespace {

const char kMovie[] = "bench-1080p.mp4"; // 1920x1080, 30 fps, 20 s
const double kMovieFps = 30.0;
const DWORD kSaverStartDelayMs = 500; // the saver's start timer
const DWORD kCpuWindowMs = 5000;
const DWORD kFrameWindowMs = 5000;
// 1920x1080 with Size=6 and AspectRatio=0 on the 1024x768 screen.
const RECT kPicture = {0, 96, 1024, 672};
// A patch of the picture where every new frame differs (the moving line and encoding noise).
const RECT kPatch = {448, 330, 512, 394};

bool PictureShown() {
    COLORREF c = ScreenPixel(kPicture.left + 150, (kPicture.top + kPicture.bottom) / 2);
    return GetRValue(c) + GetGValue(c) + GetBValue(c) > 120;
}

// CPU seconds of the Unix process that runs the program at the given path, read from /proc
// (which shows every process of the machine, hence the whole path): under Wine,
// the threads GStreamer starts for decoding are not counted by GetProcessTimes. -1 when no
// such process is found (not under Wine).
double UnixProcessorSeconds(const char* path) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA("Z:\\proc\\*", &entry);
    if (find == INVALID_HANDLE_VALUE) {
        return -1;
    }
    double seconds = -1;
    do {
        const char* name = entry.cFileName;
        if (name[0] < '0' || name[0] > '9') {
            continue;
        }
        std::string dir = std::string("Z:\\proc\\") + name;
        std::string commandLine = ReadFileBytes(dir + "\\cmdline");
        for (char& c : commandLine) {
            c = c == '\0' ? ' ' : (char)tolower((unsigned char)c);
        }
        std::string wanted = path;
        for (char& c : wanted) {
            c = (char)tolower((unsigned char)c);
        }
        if (commandLine.find(wanted) == std::string::npos) {
            continue;
        }
        std::string stat = ReadFileBytes(dir + "\\stat");
        size_t close = stat.rfind(')');
        if (close == std::string::npos) {
            continue;
        }
        // After the name come the fields from the state (3rd) on; utime and stime are the
        // 14th and 15th, in ticks.
        std::vector<long long> fields;
        const char* p = stat.c_str() + close + 1;
        while (*p) {
            while (*p == ' ') {
                p++;
            }
            fields.push_back(strtoll(p, nullptr, 10));
            while (*p && *p != ' ') {
                p++;
            }
        }
        if (fields.size() < 13) {
            continue;
        }
        long long ticks = fields[11] + fields[12];
        seconds = ticks / 100.0; // USER_HZ
        break;
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return seconds;
}

// Counts how often the patch changes while sampling it as fast as the screen can be read.
struct PatchSampler {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = nullptr;
    std::vector<unsigned char> last;
    int width = kPatch.right - kPatch.left;
    int height = kPatch.bottom - kPatch.top;

    PatchSampler() {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        SelectObject(memory, bitmap);
    }
    ~PatchSampler() {
        DeleteDC(memory);
        DeleteObject(bitmap);
        ReleaseDC(nullptr, screen);
    }
    // True when the patch differs from the last sample.
    bool Changed() {
        BitBlt(memory, 0, 0, width, height, screen, kPatch.left, kPatch.top, SRCCOPY);
        GdiFlush();
        const unsigned char* now = (const unsigned char*)bits;
        size_t size = (size_t)width * height * 4;
        bool changed = last.size() != size || memcmp(last.data(), now, size) != 0;
        last.assign(now, now + size);
        return changed;
    }
};

struct Run {
    bool ok = false;
    double firstPictureMs = 0;  // from process start; the saver's start timer taken off
    double cpuPerSecond = 0;    // CPU seconds per second of playback, every thread counted
    double windowsCpuPerSecond = 0; // as GetProcessTimes sees it
    double framesPerSecond = 0; // picture changes seen per second
    double samplesPerSecond = 0;
    std::string quality;        // the bare player's own renderer figures
};

Run Measure(const std::string& commandLine, const char* path, double startOffsetMs,
            const std::string& report) {
    Run run;
    WaitUntil([] { return !PictureShown(); }, 10000, 20);
    Child child;
    double t0 = Now();
    if (!child.Start(commandLine)) {
        fprintf(stderr, "bench: cannot start %s\n", commandLine.c_str());
        return run;
    }
    if (!WaitUntil(PictureShown, 30000, 5)) {
        fprintf(stderr, "bench: no picture from %s\n", commandLine.c_str());
        return run;
    }
    run.firstPictureMs = (Now() - t0) * 1000.0 - startOffsetMs;
    SleepPumping(500);
    double cpu0 = ProcessorSeconds(child.info.hProcess);
    double unix0 = UnixProcessorSeconds(path);
    double w0 = Now();
    SleepPumping(kCpuWindowMs);
    double cpu1 = ProcessorSeconds(child.info.hProcess);
    double unix1 = UnixProcessorSeconds(path);
    double w1 = Now();
    run.windowsCpuPerSecond = (cpu1 - cpu0) / (w1 - w0);
    run.cpuPerSecond = unix0 >= 0 && unix1 >= 0 ? (unix1 - unix0) / (w1 - w0)
                                                : run.windowsCpuPerSecond;

    PatchSampler sampler;
    int changes = 0, samples = 0;
    double f0 = Now();
    sampler.Changed();
    while (Now() - f0 < kFrameWindowMs / 1000.0) {
        changes += sampler.Changed() ? 1 : 0;
        samples++;
        Sleep(2);
    }
    double f1 = Now();
    run.framesPerSecond = changes / (f1 - f0);
    run.samplesPerSecond = samples / (f1 - f0);
    if (WaitForSingleObject(child.info.hProcess, 0) != WAIT_TIMEOUT) {
        fprintf(stderr, "bench: %s ended during the measurement\n", commandLine.c_str());
        return run;
    }
    if (!report.empty()) {
        // The bare player writes its renderer's figures at the movie's end.
        WaitForSingleObject(child.info.hProcess, 30000);
        std::string text = ReadFileBytes(report);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
            text.pop_back();
        }
        run.quality = text.empty() ? "no report" : text;
    }
    run.ok = true;
    return run;
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? atoi(argv[1]) : 3;
    if (runs < 1) {
        runs = 1;
    }
    std::string movie = MediaDir() + "\\" + kMovie;
    if (GetFileAttributesA(movie.c_str()) == INVALID_FILE_ATTRIBUTES) {
        fprintf(stderr, "bench: %s is missing (run scripts/make-media BUILD_DIR bench)\n",
                movie.c_str());
        return 1;
    }
    std::string report = TempDir() + "\\bare-quality.txt";
    char place[64];
    snprintf(place, sizeof(place), " %ld %ld %ld %ld", kPicture.left, kPicture.top,
             kPicture.right - kPicture.left, kPicture.bottom - kPicture.top);
    std::string barePath = ExeDir() + "\\bare_mf_player.exe";
    std::string bare = "\"" + barePath + "\" \"" + movie + "\"" + place +
                       " \"" + report + "\"";
    std::string saver = "\"" + SaverPath() + "\" /s";
    // No QuickTime runtime: the saver plays the movie through its built-in runtime.
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Apple Computer, Inc.\\QuickTime");
    WriteSettings({"FilesNum=1", "File1=" + movie, "Repeat=0", "Size=6", "AspectRatio=0",
                   "Volume=0"});
    MoveCursorTo(1023, 767);

    std::vector<double> first[2], cpu[2], fps[2];
    std::string quality;
    for (int i = 0; i < runs; i++) {
        for (int which = 0; which < 2; which++) {
            bool saverTurn = (which == 0) == (i % 2 == 1);
            DeleteFileA(report.c_str());
            Run run = saverTurn ? Measure(saver, SaverPath().c_str(), kSaverStartDelayMs, "")
                                : Measure(bare, barePath.c_str(), 0, report);
            if (!run.ok) {
                continue;
            }
            int k = saverTurn ? 1 : 0;
            first[k].push_back(run.firstPictureMs);
            cpu[k].push_back(run.cpuPerSecond);
            fps[k].push_back(run.framesPerSecond);
            if (!saverTurn) {
                quality = run.quality;
            }
            printf("run %d %-11s first picture %7.1f ms   cpu %.3f s/s (%.3f by GetProcessTimes)"
                   "   frames seen %5.1f/s (%.0f samples/s)%s%s\n",
                   i + 1, saverTurn ? "saver" : "bare player", run.firstPictureMs,
                   run.cpuPerSecond, run.windowsCpuPerSecond, run.framesPerSecond,
                   run.samplesPerSecond,
                   saverTurn ? "" : "   renderer: ", saverTurn ? "" : run.quality.c_str());
            fflush(stdout);
        }
    }
    double bf = Median(first[0]), sf = Median(first[1]);
    double bc = Median(cpu[0]), sc = Median(cpu[1]);
    double bs = Median(fps[0]), ss = Median(fps[1]);
    double bd = kMovieFps - bs, sd = kMovieFps - ss;
    printf("\nmovie: %s (1920x1080 H.264 30 fps, AAC), shown at 1024x576 on a 1024x768 screen, "
           "median of %d runs\n", kMovie, runs);
    printf("%-44s %12s %12s %8s %8s\n", "figure", "bare player", "Flickvane", "ratio", "aim");
    printf("%-44s %12.1f %12.1f %8.2f %8s\n", "first picture after start (ms) [1]", bf, sf,
           bf > 0 ? sf / bf : 0.0, "<= 1.10");
    printf("%-44s %12.3f %12.3f %8.2f %8s\n", "CPU seconds per second of playback", bc, sc,
           bc > 0 ? sc / bc : 0.0, "<= 1.10");
    printf("%-44s %12.1f %12.1f %8.2f %8s\n", "frames dropped per second [2]", bd, sd,
           bd > 0.05 ? sd / bd : 0.0, "<= 1.10");
    printf("[1] Flickvane's figure has its 500 ms start timer taken off.\n");
    printf("[2] 30 less the picture changes seen per second in a patch of the picture, sampled\n"
           "    as fast as the screen can be read (the same for both players). The bare\n"
           "    player's renderer reports for its whole run: %s\n",
           quality.empty() ? "nothing" : quality.c_str());
    RemoveSettings();
    return !first[0].empty() && !first[1].empty() ? 0 : 1;
}
