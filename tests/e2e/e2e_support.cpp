#include "e2e_support.h"

#include <mmsystem.h>
#include <psapi.h>
#include <shlobj.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

#ifndef FLICKVANE_BUILD_DIR
#error FLICKVANE_BUILD_DIR must name the build folder
#endif

namespace e2e {

static std::string ToWindowsPath(const char* unixPath) {
    std::string path = "Z:";
    for (const char* p = unixPath; *p; p++) {
        path += (*p == '/') ? '\\' : *p;
    }
    return path;
}

std::string BuildDir() { return ToWindowsPath(FLICKVANE_BUILD_DIR); }
std::string SaverPath() { return BuildDir() + "\\Flickvane.scr"; }
std::string MediaDir() { return BuildDir() + "\\media"; }

std::string SettingsPath() {
    char dir[MAX_PATH] = {};
    GetWindowsDirectoryA(dir, MAX_PATH);
    return std::string(dir) + "\\Flickvane.ini";
}

std::string UserSettingsFolder() {
    char dir[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, dir);
    return std::string(dir) + "\\Flickvane";
}

std::string UserSettingsPath() { return UserSettingsFolder() + "\\Flickvane.ini"; }

std::string TempDir() {
    // Wine gives each suite's process the same small id: a folder an earlier suite made (with
    // the files it left) is passed over.
    static int counter = 0;
    char base[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, base);
    char dir[MAX_PATH];
    do {
        snprintf(dir, sizeof(dir), "%sflickvane-e2e-%lu-%d", base, GetCurrentProcessId(), ++counter);
    } while (!CreateDirectoryA(dir, nullptr) && GetLastError() == ERROR_ALREADY_EXISTS);
    return dir;
}

std::vector<std::string> FolderListing(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if (strcmp(data.cFileName, ".") != 0 && strcmp(data.cFileName, "..") != 0) {
            names.push_back(data.cFileName);
        }
    } while (FindNextFileA(search, &data));
    FindClose(search);
    return names;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    CloseHandle(file);
}

std::string ReadFileBytes(const std::string& path) {
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

std::string SettingsText(const std::vector<std::string>& lines) {
    std::string text = "[Flickvane]\r\n";
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

void WriteSettings(const std::vector<std::string>& lines) {
    WriteFileBytes(SettingsPath(), SettingsText(lines));
}

std::string VirtualStoreSettingsPath() {
    char local[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local);
    return std::string(local) + "\\VirtualStore" + SettingsPath().substr(2);
}

void RemoveSettings() {
    DeleteFileA(SettingsPath().c_str());
    DeleteFileA(UserSettingsPath().c_str());
    DeleteFileA(VirtualStoreSettingsPath().c_str());
}

SaverProcess::~SaverProcess() {
    Kill();
    if (info_.hProcess) {
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
    }
}

bool SaverProcess::Start(const std::string& arguments) {
    return StartProgram(SaverPath(), arguments);
}

bool SaverProcess::StartProgram(const std::string& program, const std::string& arguments) {
    std::string commandLine = "\"" + program + "\"";
    if (!arguments.empty()) {
        commandLine += " " + arguments;
    }
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    return CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info_) != FALSE;
}

bool SaverProcess::Running() const {
    return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

HWND SaverProcess::StartFullScreen(DWORD timeoutMs) {
    if (!Start("/s")) {
        return nullptr;
    }
    return WaitForProcessWindow(Id(), "Flickvane", timeoutMs);
}

bool SaverProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
    if (!info_.hProcess) {
        return false;
    }
    bool ended = WaitUntil([&] { return !Running(); }, timeoutMs, 20);
    if (ended && exitCode) {
        GetExitCodeProcess(info_.hProcess, exitCode);
    }
    return ended;
}

bool SaverProcess::StaysRunning(DWORD timeoutMs) { return Running() && !WaitForExit(timeoutMs); }

void SaverProcess::Kill() {
    if (Running()) {
        TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 5000);
    }
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

double ProcessorSeconds(HANDLE process) {
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(process, &created, &ended, &kernel, &user)) {
        return 0;
    }
    ULARGE_INTEGER k, u;
    k.LowPart = kernel.dwLowDateTime;
    k.HighPart = kernel.dwHighDateTime;
    u.LowPart = user.dwLowDateTime;
    u.HighPart = user.dwHighDateTime;
    return (double)(k.QuadPart + u.QuadPart) / 1e7;
}

ProcessCounters CountersOf(HANDLE process) {
    ProcessCounters counters;
    GetProcessHandleCount(process, &counters.handles);
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof(memory);
    if (GetProcessMemoryInfo(process, (PROCESS_MEMORY_COUNTERS*)&memory, sizeof(memory))) {
        counters.privateBytes = memory.PrivateUsage;
    }
    return counters;
}

double SoundLevel(DWORD ms) {
    const DWORD rate = 44100;
    WAVEFORMATEX format = {WAVE_FORMAT_PCM, 1, rate, rate * 2, 2, 16, 0};
    HWAVEIN input = nullptr;
    if (waveInOpen(&input, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
        return -1;
    }
    std::vector<short> samples((size_t)rate * ms / 1000);
    WAVEHDR header = {};
    header.lpData = (LPSTR)samples.data();
    header.dwBufferLength = (DWORD)(samples.size() * sizeof(short));
    waveInPrepareHeader(input, &header, sizeof(header));
    waveInAddBuffer(input, &header, sizeof(header));
    waveInStart(input);
    // The first recording of a process takes a few seconds to begin.
    WaitUntil([&] { return (header.dwFlags & WHDR_DONE) != 0; }, ms + 5000, 10);
    waveInReset(input);
    waveInUnprepareHeader(input, &header, sizeof(header));
    waveInClose(input);
    size_t count = header.dwBytesRecorded / sizeof(short);
    if (count == 0) {
        return -1;
    }
    double sum = 0;
    for (size_t i = 0; i < count; i++) {
        sum += (double)samples[i] * samples[i];
    }
    return sqrt(sum / count);
}

namespace {

// Runs a shell pipeline over `pactl list short sink-inputs` and reads the number it prints.
int CountSinkInputs(const char* awkProgram) {
    // A Unix program runs from here, but its output reaches only a file, and its process
    // cannot be waited for: the number is written aside and moved into place when complete.
    static int calls = 0;
    char name[64];
    snprintf(name, sizeof(name), "/tmp/flickvane-streams-%lu-%d", GetCurrentProcessId(), ++calls);
    std::string command = std::string("Z:\\bin\\sh -c \"pactl list short sink-inputs | awk '") +
                          awkProgram + "' > " + name + ".part && mv " + name + ".part " + name +
                          "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return -1;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::string result = std::string("Z:") + name;
    for (char& c : result) {
        c = c == '/' ? '\\' : c;
    }
    int count = -1;
    WaitUntil(
        [&] {
            FILE* file = fopen(result.c_str(), "r");
            if (file == nullptr) {
                return false;
            }
            if (fscanf(file, "%d", &count) != 1) {
                count = -1;
            }
            fclose(file);
            return true;
        },
        5000, 20);
    DeleteFileA(result.c_str());
    return count;
}

} // namespace

int SoundStreamMark() {
    // The server numbers streams upwards and never reuses a number.
    return CountSinkInputs("BEGIN { m = -1 } $1 > m { m = $1 } END { print m + 1 }");
}

int SoundStreams(int mark) {
    std::string program = "$1 >= " + std::to_string(mark) + " { n++ } END { print n + 0 }";
    return CountSinkInputs(program.c_str());
}

bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs, DWORD pollMs) {
    DWORD start = GetTickCount();
    for (;;) {
        PumpMessages();
        if (cond()) {
            return true;
        }
        if (GetTickCount() - start >= timeoutMs) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, pollMs, QS_ALLINPUT);
    }
}

void SleepPumping(DWORD ms) {
    WaitUntil([] { return false; }, ms, ms < 20 ? ms : 20);
}

struct FindRequest {
    DWORD processId;
    const char* className;
    HWND found;
};

static BOOL CALLBACK FindTopLevel(HWND window, LPARAM param) {
    FindRequest* request = (FindRequest*)param;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != request->processId || !IsWindowVisible(window)) {
        return TRUE;
    }
    if (request->className && WindowClass(window) != request->className) {
        return TRUE;
    }
    request->found = window;
    return FALSE;
}

HWND FindProcessWindow(DWORD processId, const char* className) {
    FindRequest request = {processId, className, nullptr};
    EnumWindows(FindTopLevel, (LPARAM)&request);
    return request.found;
}

HWND WaitForProcessWindow(DWORD processId, const char* className, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindProcessWindow(processId, className)) != nullptr; },
              timeoutMs);
    return found;
}

HWND FindChildWindow(HWND parent, const char* className) {
    return FindWindowExA(parent, nullptr, className, nullptr);
}

std::string WindowText(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

std::string WindowClass(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

static LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateHostWindow(int x, int y, int width, int height, bool withBorder) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
        wc.lpszClassName = "FlickvaneTestHost";
        RegisterClassA(&wc);
        registered = true;
    }
    DWORD style = withBorder ? (WS_OVERLAPPEDWINDOW | WS_VISIBLE) : (WS_POPUP | WS_VISIBLE);
    HWND window = CreateWindowExA(0, "FlickvaneTestHost", "host", style, x, y, width, height,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    PumpMessages();
    return window;
}

Capture CaptureScreen() {
    RECT primary = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return CaptureScreenRect(primary);
}

Capture CaptureVirtualScreen() { return CaptureScreenRect(VirtualScreen()); }

RECT VirtualScreen() {
    int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    RECT rect = {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                 top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    return rect;
}

Capture CaptureScreenRect(const RECT& rect) {
    Capture capture;
    HDC screen = GetDC(nullptr);
    capture.left = rect.left;
    capture.top = rect.top;
    capture.width = rect.right - rect.left;
    capture.height = rect.bottom - rect.top;
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = capture.width;
    info.bmiHeader.biHeight = -capture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, capture.width, capture.height, screen, capture.left, capture.top,
           SRCCOPY);
    GdiFlush();
    capture.pixels.resize((size_t)capture.width * capture.height);
    const unsigned char* p = (const unsigned char*)bits;
    for (size_t i = 0; i < capture.pixels.size(); i++) {
        capture.pixels[i] = RGB(p[i * 4 + 2], p[i * 4 + 1], p[i * 4]);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return capture;
}

COLORREF ScreenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    COLORREF colour = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return colour;
}

bool ColourNear(COLORREF a, COLORREF b, int tolerance) {
    return abs((int)GetRValue(a) - (int)GetRValue(b)) <= tolerance &&
           abs((int)GetGValue(a) - (int)GetGValue(b)) <= tolerance &&
           abs((int)GetBValue(a) - (int)GetBValue(b)) <= tolerance;
}

RECT FindColourBox(const Capture& capture, COLORREF colour, int tolerance) {
    RECT box = {capture.width, capture.height, -1, -1};
    for (int y = 0; y < capture.height; y++) {
        for (int x = 0; x < capture.width; x++) {
            if (ColourNear(capture.At(x, y), colour, tolerance)) {
                if (x < box.left) box.left = x;
                if (y < box.top) box.top = y;
                if (x > box.right) box.right = x;
                if (y > box.bottom) box.bottom = y;
            }
        }
    }
    if (box.right < 0) {
        return RECT{0, 0, 0, 0};
    }
    // Exclusive right and bottom edges, like a Win32 rectangle.
    box.right++;
    box.bottom++;
    return box;
}

int CountColour(const Capture& capture, COLORREF colour, int tolerance) {
    int count = 0;
    for (COLORREF pixel : capture.pixels) {
        count += ColourNear(pixel, colour, tolerance) ? 1 : 0;
    }
    return count;
}

void SaveCapture(const Capture& capture, const std::string& path) {
    int rowBytes = (capture.width * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = capture.width;
    header.biHeight = capture.height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + rowBytes * capture.height;
    std::string bytes((const char*)&file, sizeof(file));
    bytes.append((const char*)&header, sizeof(header));
    std::string row(rowBytes, '\0');
    for (int y = capture.height - 1; y >= 0; y--) {
        for (int x = 0; x < capture.width; x++) {
            COLORREF c = capture.At(x, y);
            row[x * 3] = (char)GetBValue(c);
            row[x * 3 + 1] = (char)GetGValue(c);
            row[x * 3 + 2] = (char)GetRValue(c);
        }
        bytes += row;
    }
    WriteFileBytes(path, bytes);
}

static void SendKey(WORD vk, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = (WORD)MapVirtualKeyA(vk, MAPVK_VK_TO_VSC);
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    if (vk >= VK_PRIOR && vk <= VK_DOWN) {
        input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    }
    SendInput(1, &input, sizeof(input));
}

void KeyDown(WORD vk) { SendKey(vk, false); }
void KeyUp(WORD vk) { SendKey(vk, true); }

void PressKey(WORD vk) {
    KeyDown(vk);
    SleepPumping(30);
    KeyUp(vk);
}

void MoveCursorTo(int x, int y) { SetCursorPos(x, y); }

void ClickAt(int x, int y, bool right) {
    SetCursorPos(x, y);
    SleepPumping(30);
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    inputs[1].type = INPUT_MOUSE;
    inputs[1].mi.dwFlags = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
}

std::string UnixName(const std::string& path) {
    typedef char*(CDECL * UnixNameFunction)(const WCHAR*);
    UnixNameFunction unixName = (UnixNameFunction)(void*)GetProcAddress(
        GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    if (unixName == nullptr) {
        return std::string();
    }
    WCHAR wide[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) == 0) {
        return std::string();
    }
    char* name = unixName(wide);
    if (name == nullptr) {
        return std::string();
    }
    std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

bool RunHostShell(const std::string& script, DWORD timeoutMs) {
    std::string folder = TempDir();
    std::string done = folder + "\\done";
    std::string scriptPath = folder + "\\run.sh";
    std::string doneUnix = UnixName(done);
    std::string scriptUnix = UnixName(scriptPath);
    if (doneUnix.empty() || scriptUnix.empty()) {
        return false;
    }
    WriteFileBytes(scriptPath, script + "\n: > '" + doneUnix + "'\n");
    // Wine's start runs a host program with /unix; it returns before the program ends, so the
    // script's last line marks its end.
    std::string commandLine = "start.exe /unix /bin/sh " + scriptUnix;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return WaitUntil([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; },
                     timeoutMs);
}

DWORD RunUnderLocale(const std::string& locale, const std::string& program,
                     const std::string& arguments, DWORD timeoutMs, std::string* output) {
    std::string folder = TempDir();
    std::string log = folder + "\\output.txt";
    std::string code = folder + "\\code.txt";
    std::string script = "LANG=" + locale + " LC_ALL=" + locale + " FLICKVANE_LOCALE_RUN=1 " +
                         "\"${WINE:-/usr/lib/wine/wine64}\" '" + UnixName(program) + "' " +
                         arguments + " >'" + UnixName(log) + "' 2>&1; echo $? >'" +
                         UnixName(code) + "'";
    if (!RunHostShell(script, timeoutMs)) {
        return 0xFFFFFFFF;
    }
    if (output) {
        *output = ReadFileBytes(log);
    }
    std::string text = ReadFileBytes(code);
    return text.empty() ? 0xFFFFFFFF : (DWORD)strtoul(text.c_str(), nullptr, 10);
}

bool SetMonitorLayout(const std::vector<MonitorPlace>& monitors) {
    if (monitors.empty()) {
        return false;
    }
    // A monitor is removed before it is defined again; the first keeps the display's output.
    std::string script = "for m in M1 M2 M3 M4; do xrandr --delmonitor $m >/dev/null 2>&1; done\n";
    for (size_t i = 0; i < monitors.size(); i++) {
        const MonitorPlace& m = monitors[i];
        char line[200];
        snprintf(line, sizeof(line), "xrandr --setmonitor %sM%u %d/%dx%d/%d+%d+%d %s >/dev/null\n",
                 i == 0 ? "'*'" : "", (unsigned)(i + 1), m.width, (m.width * 254 + 480) / 960,
                 m.height, (m.height * 254 + 480) / 960, m.x, m.y, i == 0 ? "screen" : "none");
        script += line;
    }
    if (!RunHostShell(script, 10000)) {
        return false;
    }
    // Wine reads the monitors when a process starts: a new one sets the primary's current mode
    // again, which makes Wine publish them and send WM_DISPLAYCHANGE to every window.
    std::string commandLine = "\"" + BuildDir() + "\\announce_display_change.exe\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    DWORD result = 1;
    bool ended = WaitUntil([&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; },
                           15000);
    GetExitCodeProcess(process.hProcess, &result);
    CloseHandle(process.hProcess);
    if (!ended || result != DISP_CHANGE_SUCCESSFUL) {
        return false;
    }
    // Windows puts the primary's top left corner at the origin.
    const MonitorPlace& primary = monitors[0];
    RECT expected = {primary.x, primary.y, primary.x, primary.y};
    for (const MonitorPlace& m : monitors) {
        expected.left = std::min(expected.left, (LONG)m.x);
        expected.top = std::min(expected.top, (LONG)m.y);
        expected.right = std::max(expected.right, (LONG)(m.x + m.width));
        expected.bottom = std::max(expected.bottom, (LONG)(m.y + m.height));
    }
    OffsetRect(&expected, -primary.x, -primary.y);
    return WaitUntil(
        [&] {
            RECT screen = VirtualScreen();
            return GetSystemMetrics(SM_CMONITORS) == (int)monitors.size() &&
                   EqualRect(&screen, &expected);
        },
        5000);
}

} // namespace e2e
