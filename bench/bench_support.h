// Small pieces the benchmarks share: a precise clock, the median of runs, the benchmark's own
// folder and a child process that is ended when it goes out of scope.
#pragma once

#include <windows.h>

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

} // namespace bench
