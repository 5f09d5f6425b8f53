// Driving the real Flickvane.scr from a test program running in the same Wine session.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace e2e {

// Under Wine the saver's process ends about 2 s after its window is destroyed (4 s when a movie
// plays: its video window goes too), so an exit that input caused shows only after that: a
// check that the saver stays waits this long.
constexpr DWORD kExitShowsWithinMs = 6000;

// Places
std::string BuildDir();     // Windows form of the build folder (Z:\...)
std::string SaverPath();    // BuildDir()\Flickvane.scr
std::string MediaDir();     // BuildDir()\media: clips made by scripts/make-media
std::string SettingsPath(); // <Windows folder>\Flickvane.ini
std::string UserSettingsFolder(); // <application data>\Flickvane
std::string UserSettingsPath();   // UserSettingsFolder()\Flickvane.ini
// Where Windows redirected the Windows folder file of programs without a manifest:
// <local application data>\VirtualStore\Windows\Flickvane.ini
std::string VirtualStoreSettingsPath();
std::string TempDir();      // a fresh folder for one test, removed by nothing (the prefix is private)

// Names that a search pattern finds, in the order the file system gives them; "." and ".."
// left out.
std::vector<std::string> FolderListing(const std::string& pattern);

// The settings file. WriteSettings puts the "[Flickvane]" header above the given key=value
// lines (one per element); the bytes are written as given (ANSI).
void WriteSettings(const std::vector<std::string>& lines);
std::string SettingsText(const std::vector<std::string>& lines);
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
// Removes every settings file, so that no other copy shadows the next test's file.
void RemoveSettings();

// The saver process
class SaverProcess {
public:
    SaverProcess() = default;
    ~SaverProcess();
    SaverProcess(const SaverProcess&) = delete;
    SaverProcess& operator=(const SaverProcess&) = delete;

    // Starts Flickvane.scr with the given command line (e.g. "/s", "/p 1234", "").
    bool Start(const std::string& arguments);
    // Starts another program (e.g. an installed copy of the saver) the same way.
    bool StartProgram(const std::string& program, const std::string& arguments);
    // Starts it with "/s" and waits for its full-screen window; null when none appears.
    HWND StartFullScreen(DWORD timeoutMs = 20000);
    // Waits up to timeoutMs for the process to end; pumps this thread's messages meanwhile.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr);
    // True when the process has not ended within timeoutMs: by default long enough for an exit
    // caused by earlier input to show.
    bool StaysRunning(DWORD timeoutMs = kExitShowsWithinMs);
    bool Running() const;
    void Kill();
    DWORD Id() const { return info_.dwProcessId; }
    HANDLE Handle() const { return info_.hProcess; }

private:
    PROCESS_INFORMATION info_ = {};
};

// Processor time the process has used so far (kernel and user), in seconds.
double ProcessorSeconds(HANDLE process);
// Open handles and private bytes of the process: what a leak per item makes grow.
struct ProcessCounters {
    DWORD handles = 0;
    SIZE_T privateBytes = 0;
};
ProcessCounters CountersOf(HANDLE process);

// Sound: the root mean square of what plays during the next ms milliseconds (16-bit mono
// samples, 0 to 32767), recorded from the default capture device, which under the stack is
// the null sink's monitor; -1 when nothing could be recorded.
double SoundLevel(DWORD ms);
// The sound streams open on the stack's PulseAudio server, by `pactl`, counting only those
// opened since a mark; -1 when it cannot tell. A mark taken before a saver starts counts out
// streams other processes hold (one stopped in a debugger after a crash keeps its stream).
int SoundStreamMark();
int SoundStreams(int mark);

// Polls cond every pollMs until it is true or timeoutMs pass; pumps messages while waiting.
bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs, DWORD pollMs = 50);
void PumpMessages();
void SleepPumping(DWORD ms);

// Windows
// The first visible top-level window of the process with the class (any class when null).
HWND FindProcessWindow(DWORD processId, const char* className);
HWND WaitForProcessWindow(DWORD processId, const char* className, DWORD timeoutMs);
HWND FindChildWindow(HWND parent, const char* className);
std::string WindowText(HWND window);
std::string WindowClass(HWND window);
// A plain top-level window of this process (for preview parents and dialog owners).
HWND CreateHostWindow(int x, int y, int width, int height, bool withBorder = false);

// Screen
struct Capture {
    int left = 0; // screen position of the first pixel
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels; // RGB() values, row by row from the top
    COLORREF At(int x, int y) const { return pixels[(size_t)y * width + x]; }
};
Capture CaptureScreen(); // the primary monitor
Capture CaptureVirtualScreen(); // every monitor, from the virtual screen's top left corner
Capture CaptureScreenRect(const RECT& rect);
RECT VirtualScreen();
COLORREF ScreenPixel(int x, int y);
bool ColourNear(COLORREF a, COLORREF b, int tolerance = 40);
// Bounding box of the pixels near the colour; empty (0,0,0,0) when there are none.
RECT FindColourBox(const Capture& capture, COLORREF colour, int tolerance = 40);
// Counts pixels near the colour.
int CountColour(const Capture& capture, COLORREF colour, int tolerance = 40);
// Writes the capture as a 24-bit BMP (for looking at a failure).
void SaveCapture(const Capture& capture, const std::string& path);

// Input (real input through SendInput)
void KeyDown(WORD vk);
void KeyUp(WORD vk);
void PressKey(WORD vk);
void MoveCursorTo(int x, int y);
void ClickAt(int x, int y, bool right = false);

// The host side of Wine
// The Unix name of a path in the prefix; empty outside Wine.
std::string UnixName(const std::string& path);
// Runs a POSIX shell script on the host and waits up to timeoutMs for its end.
bool RunHostShell(const std::string& script, DWORD timeoutMs);

// Runs a Windows program to its end in a new Wine process under the locale (e.g.
// "en_US.UTF-8"), from which Wine takes the process's languages; its exit code, or 0xFFFFFFFF.
// The locale must reach the host shell: an environment block given to CreateProcess does not
// change the languages of a Wine process. FLICKVANE_LOCALE_RUN is set in the program's
// environment; output receives what it printed.
DWORD RunUnderLocale(const std::string& locale, const std::string& program,
                     const std::string& arguments, DWORD timeoutMs, std::string* output = nullptr);

// Monitors of the test display (scripts/with-stack with WITH_STACK_MONITORS), in the X
// display's coordinates, whose origin is the top left corner of all monitors.
struct MonitorPlace {
    int width;
    int height;
    int x;
    int y;
};
// Lays the monitors out anew (the first is the primary) and has Wine announce the change to
// every window; true once this process sees as many monitors in a virtual screen of their size.
bool SetMonitorLayout(const std::vector<MonitorPlace>& monitors);

} // namespace e2e
