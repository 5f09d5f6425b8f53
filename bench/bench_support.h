// Small pieces the benchmarks share: a precise clock, the median of runs, the benchmark's own
// folder, a child process that is ended when it goes out of scope, the CPU time of a process as
// the Unix side counts it, and a patch of the screen whose changes are counted.
#pragma once

#include <windows.h>

#include <ctype.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

namespace bench {

// Seconds from an arbitrary start, to the performance counter's precision.
inline double Now() {
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart) {
        QueryPerformanceFrequency(&frequency);
    }
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return (double)counter.QuadPart / (double)frequency.QuadPart;
}

inline double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

inline std::string ExeDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    char* slash = strrchr(path, '\\');
    if (slash) {
        *slash = '\0';
    }
    return path;
}

struct Child {
    PROCESS_INFORMATION info = {};
    bool Start(const std::string& commandLine) {
        std::vector<char> buffer(commandLine.begin(), commandLine.end());
        buffer.push_back('\0');
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        return CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &info) != FALSE;
    }
    void End() {
        if (info.hProcess) {
            TerminateProcess(info.hProcess, 99);
            WaitForSingleObject(info.hProcess, 10000);
            CloseHandle(info.hProcess);
            CloseHandle(info.hThread);
            info = {};
        }
    }
    ~Child() { End(); }
};

// The whole of a small file, read to its end (the files under /proc report no size).
inline std::string ReadSmallFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::string();
    }
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got > 0) {
        bytes.append(chunk, got);
    }
    CloseHandle(file);
    return bytes;
}

// CPU seconds of the Unix process that runs the program at the given path, read from /proc
// (which shows every process of the machine, hence the whole path): under Wine, the threads
// GStreamer starts for decoding are not counted by GetProcessTimes. -1 when no such process is
// found (not under Wine).
inline double UnixProcessorSeconds(const char* path) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA("Z:\\proc\\*", &entry);
    if (find == INVALID_HANDLE_VALUE) {
        return -1;
    }
    std::string wanted = path;
    for (char& c : wanted) {
        c = (char)tolower((unsigned char)c);
    }
    double seconds = -1;
    do {
        const char* name = entry.cFileName;
        if (name[0] < '0' || name[0] > '9') {
            continue;
        }
        std::string dir = std::string("Z:\\proc\\") + name;
        std::string commandLine = ReadSmallFile(dir + "\\cmdline");
        for (char& c : commandLine) {
            c = c == '\0' ? ' ' : (char)tolower((unsigned char)c);
        }
        if (commandLine.find(wanted) == std::string::npos) {
            continue;
        }
        std::string stat = ReadSmallFile(dir + "\\stat");
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

// A patch of the screen (in virtual-screen coordinates), read as fast as it is asked for;
// Changed() tells whether it differs from the last read. SteadyChange() tells whether that read
// showed a picture the patch had not held steady before, now seen in two reads in a row: a
// picture drawn in steps (cleared, or in parts) counts once, when it stands.
class PatchSampler {
public:
    explicit PatchSampler(const RECT& patch)
        : patch_(patch), width_(patch.right - patch.left), height_(patch.bottom - patch.top) {
        screen_ = GetDC(nullptr);
        memory_ = CreateCompatibleDC(screen_);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        bitmap_ = CreateDIBSection(screen_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        SelectObject(memory_, bitmap_);
    }
    ~PatchSampler() {
        DeleteDC(memory_);
        DeleteObject(bitmap_);
        ReleaseDC(nullptr, screen_);
    }
    PatchSampler(const PatchSampler&) = delete;
    PatchSampler& operator=(const PatchSampler&) = delete;

    bool Changed() {
        BitBlt(memory_, 0, 0, width_, height_, screen_, patch_.left, patch_.top, SRCCOPY);
        GdiFlush();
        const unsigned char* now = (const unsigned char*)bits_;
        size_t size = (size_t)width_ * height_ * 4;
        bool changed = last_.size() != size || memcmp(last_.data(), now, size) != 0;
        steadyChange_ =
            !changed && (steady_.size() != size || memcmp(steady_.data(), now, size) != 0);
        if (steadyChange_) {
            steady_.assign(now, now + size);
        }
        last_.assign(now, now + size);
        return changed;
    }
    bool SteadyChange() const { return steadyChange_; }

private:
    RECT patch_;
    int width_;
    int height_;
    HDC screen_ = nullptr;
    HDC memory_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    void* bits_ = nullptr;
    std::vector<unsigned char> last_;
    std::vector<unsigned char> steady_;
    bool steadyChange_ = false;
};

} // namespace bench
