#include "host/saver_window.h"

#include <algorithm>
#include <vector>

#include "host/control_keys.h"
#include "host/display_area.h"
#include "host/host_state.h"
#include "host/power_state.h"
#include "host/share_wait.h"
#include "movie_runtime/movie_player.h"
#include "playback/directshow_player.h"
#include "playback/error_report.h"
#include "playback/playback_controller.h"
#include "playback/resume_run.h"
#include "playback/seek_math.h"
#include "playback/video_geometry.h"
#include "resources/resource.h"
#include "settings/playlist.h"
#include "settings/settings.h"
// Set from creation until the first item is started, by the start timer or by a key that moves
// to another item before the timer fires; a later timer message then starts nothing more.
bool startItemPending = true;

namespace {

PowerState power;
HPOWERNOTIFY displayNotice = nullptr;

// The window that covers every monitor and takes the input, and one window more per other
// monitor while each monitor plays, in the order of their monitors.
HWND mainWindow = nullptr;
std::vector<HWND> monitorWindows;
// Marks the creation of a monitor's window, which the main window's start does not concern.
char monitorWindowMark;
// A change of the displays waits in the queue for the message loop.
constexpr UINT DisplayChangedMessage = WM_APP + 4;
bool displayChangePosted = false;

bool IsMonitorWindow(HWND window) {
    return std::find(monitorWindows.begin(), monitorWindows.end(), window) != monitorWindows.end();
}

bool EveryMonitorPlays() {
    return gHost.previewParent == nullptr &&
           (MonitorsMode() == kMonitorsSame || MonitorsMode() == kMonitorsEach);
}

// The primary's picture stands on the primary monitor, or across all of them.
RECT PrimaryScreenArea() {
    return MonitorsMode() == kMonitorsSpan ? VirtualScreenRect() : PrimaryMonitorRect();
}

HWND CreateMonitorWindow(const RECT& monitor) {
    // Owned by the main window, so that it always stands above it.
    HWND window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, gHost.className,
                                  gHost.windowTitle, WS_POPUP, monitor.left, monitor.top,
                                  monitor.right - monitor.left, monitor.bottom - monitor.top,
                                  mainWindow, nullptr, gHost.instance, &monitorWindowMark);
    if (window == nullptr) {
        return nullptr;
    }
    monitorWindows.push_back(window);
    if (AddSecondaryScreen(window, monitor) == nullptr) {
        DestroyWindow(window);
        monitorWindows.pop_back();
        return nullptr;
    }
    // The main window keeps the focus and with it the keys.
    ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

// Each is destroyed while still listed, so that its destruction is known for a monitor's.
void DestroyMonitorWindows() {
    while (!monitorWindows.empty()) {
        DestroyWindow(monitorWindows.back());
        monitorWindows.pop_back();
    }
}

// Screens for the monitors after the primary: made for new ones, moved for those that stay,
// closed for those that went. New ones start at once when the others already play.
void MatchMonitorWindows(bool started) {
    std::vector<RECT> monitors = MonitorRects();
    size_t wanted = EveryMonitorPlays() && monitors.size() > 1 ? monitors.size() - 1 : 0;
    while (monitorWindows.size() > wanted) {
        HWND window = monitorWindows.back();
        RemoveScreen(ScreenForWindow(window));
        DestroyWindow(window);
        monitorWindows.pop_back();
    }
    for (size_t i = 0; i < wanted; ++i) {
        const RECT& monitor = monitors[i + 1];
        if (i < monitorWindows.size()) {
            HWND window = monitorWindows[i];
            SetWindowPos(window, HWND_TOPMOST, monitor.left, monitor.top,
                         monitor.right - monitor.left, monitor.bottom - monitor.top,
                         SWP_NOACTIVATE);
            if (Screen* screen = ScreenForWindow(window)) {
                screen->monitor = monitor;
                if (screen->player != nullptr) {
                    screen->player->DisplayChanged();
                }
                LayoutVideo(*screen);
            }
            continue;
        }
        HWND window = CreateMonitorWindow(monitor);
        Screen* screen = window != nullptr ? ScreenForWindow(window) : nullptr;
        Screen* primary = PrimaryScreen();
        if (started && screen != nullptr && primary != nullptr) {
            // From the primary's entry: with an item each, on to one no other monitor shows.
            screen->entry = primary->entry;
            if (MonitorsMode() == kMonitorsEach) {
                PlayNextItem(*screen);
            } else {
                PlayItem(*screen);
            }
        }
    }
}

// The displays' state comes as WM_POWERBROADCAST; Windows before 8 tells only the monitors'.
void ListenForTheDisplays(HWND window) {
    power = PowerState();
    displayNotice = RegisterPowerSettingNotification(window, &GUID_CONSOLE_DISPLAY_STATE,
                                                     DEVICE_NOTIFY_WINDOW_HANDLE);
    if (displayNotice == nullptr) {
        displayNotice = RegisterPowerSettingNotification(window, &GUID_MONITOR_POWER_ON,
                                                         DEVICE_NOTIFY_WINDOW_HANDLE);
    }
}

void OnPowerBroadcast(WPARAM event, LPARAM data) {
    if (!TakePowerBroadcast(power, event, data) || windowDestroyed) {
        return;
    }
    if (ShouldRest(power)) {
        RestScreens();
    } else {
        WakeScreens();
    }
}

// A move by key before the start timer fired takes the place of the timer's start: otherwise the
// timer would build a second graph over the running one.
void TakeOverStart(HWND window) {
    if (startItemPending) {
        startItemPending = false;
        KillTimer(window, ID_START_TIMER);
    }
}

// The players close, and the places where they stood are kept for the next run (never by
// preview).
void CloseScreensKeepingPlaces() {
    Screen* screen = PrimaryScreen();
    PlaylistEntry* shown = screen != nullptr ? screen->entry : nullptr;
    bool preview = screen == nullptr || screen->preview;
    CloseScreens();
    DestroyMonitorWindows();
    if (!preview) {
        KeepResumePlaces(shown);
    }
}

// The saver goes at once: the pictures and the window are hidden first, and only then are the
// players closed, so that no wait of theirs delays what the user sees.
void EndSaver(HWND window) {
    if (IsMonitorWindow(window)) {
        window = mainWindow;
    }
    HideScreens();
    ShowWindow(window, SW_HIDE);
    CloseScreensKeepingPlaces();
    DestroyWindow(window);
}

bool IsExitKey(WPARAM key) { return gSettings.ESCKey != 1 || key == VK_ESCAPE; }

void ApplyKeyRule(HWND window, WPARAM key) {
    if (gHost.previewParent != nullptr) {
        return;
    }
    if (IsExitKey(key)) {
        EndSaver(window);
    }
}

// The keys of keyboard control; false for a key that is not one of them.
bool HandleControlKey(HWND window, WPARAM key) {
    // The primary's screen sounds: the volume keys act on it.
    Screen* screen = PrimaryScreen();
    if (screen == nullptr) {
        return false;
    }
    switch (ControlKeyFor(key)) {
    case ControlKey::SeekBackwards:
        SeekScreens(false);
        return true;
    case ControlKey::PreviousItem:
        TakeOverStart(window);
        MoveScreens(false);
        return true;
    case ControlKey::SeekForwards:
        SeekScreens(true);
        return true;
    case ControlKey::NextItem:
        TakeOverStart(window);
        MoveScreens(true);
        return true;
    case ControlKey::VolumeUp:
        if (gSettings.Mute == 1) {
            // Unmutes to the stored volume without raising it.
            gSettings.Mute = 0;
            ChangeVolume(*screen, 0, true);
        } else {
            ChangeVolume(*screen, +100);
        }
        return true;
    case ControlKey::VolumeDown:
        ChangeVolume(*screen, -100);
        return true;
    case ControlKey::None:
        break;
    }
    return false;
}

void OnKeyDown(HWND window, WPARAM key) {
    if (gSettings.Keyboard == 1 && HandleControlKey(window, key)) {
        return;
    }
    ApplyKeyRule(window, key);
}

void OnMouseMove(HWND window) {
    if (gHost.previewParent != nullptr || gSettings.ESCKey == 1) {
        return;
    }
    POINT cursor;
    if (!GetCursorPos(&cursor)) {
        return;
    }
    if (cursor.x != gHost.startCursor.x || cursor.y != gHost.startCursor.y) {
        EndSaver(window);
    }
}

void OnCreate(HWND window) {
    mainWindow = window;
    monitorWindows.clear();
    displayChangePosted = false;
    if (gHost.previewParent == nullptr) {
        ShowCursor(FALSE);
    }
    LoadStringW(gHost.instance, IDS_SECTION_NAME, gSettings.sectionName, kSectionNameSize);
    LoadStringW(gHost.instance, IDS_SETTINGS_FILE, gSettings.fileName, kFileNameSize);
    WaitForSharesThrough(window);
    LoadSettings(window, 0);
    if (windowDestroyed) {
        return; // input ended the saver while a share was awaited
    }
    gPlaylist.current = gPlaylist.first;
    bool preview = gHost.previewParent != nullptr;
    SetErrorReportOwner(window, preview);
    Screen* screen = AddScreen(window, preview ? PrimaryMonitorRect() : PrimaryScreenArea(), preview);
    if (screen != nullptr) {
        screen->entry = gPlaylist.current = ResumeEntry();
    }
    MatchMonitorWindows(false);
    ListenForTheDisplays(window);
    SendMessageA(window, WM_ACTIVATE, WA_CLICKACTIVE, 0);
    seekStep = BaseSeekStep(0);
    startItemPending = true;
    SetTimer(window, ID_START_TIMER, kStartDelayMs, nullptr);
}

void OnStartTimer(HWND window) {
    KillTimer(window, ID_START_TIMER);
    if (!startItemPending) {
        return;
    }
    startItemPending = false;
    StartScreens();
}

// A paint request: black around the picture, and the picture itself shown again by a player
// that draws into the window.
void OnPaint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT picture;
    Screen* screen = ScreenForWindow(window);
    bool placed = screen != nullptr && screen->player != nullptr && !windowDestroyed &&
                  screen->player->Paint(dc, &picture);
    // Black comes after the repaint, so it also covers whatever the renderer drew outside the
    // picture's rectangle.
    if (placed) {
        ExcludeClipRect(dc, picture.left, picture.top, picture.right, picture.bottom);
    }
    HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
    FillRect(dc, &paint.rcPaint, black);
    DeleteObject(black);
    EndPaint(window, &paint);
}

// Monitors came, went or changed mode: cover the new virtual screen, let the renderer adapt
// and place the picture again on the primary monitor.
void OnDisplayChange(HWND window) {
    if (gHost.previewParent == nullptr) {
        RECT screen = VirtualScreenRect();
        SetWindowPos(window, HWND_TOPMOST, screen.left, screen.top, screen.right - screen.left,
                     screen.bottom - screen.top, SWP_NOACTIVATE);
    }
    Screen* screen = ScreenForWindow(window);
    if (screen != nullptr && !windowDestroyed) {
        if (!screen->preview) {
            screen->monitor = PrimaryScreenArea();
        }
        if (screen->player != nullptr) {
            screen->player->DisplayChanged();
        }
        LayoutVideo(*screen);
        MatchMonitorWindows(!startItemPending);
    }
    InvalidateRect(window, nullptr, TRUE);
}

void RoutePlaybackMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Screen* screen = ScreenForWindow(window);
    if (screen != nullptr && !windowDestroyed) {
        HandlePlaybackMessage(*screen, message, wParam, lParam);
    }
}

void OnDestroy() {
    windowDestroyed = true;
    if (displayNotice != nullptr) {
        UnregisterPowerSettingNotification(displayNotice);
        displayNotice = nullptr;
    }
    if (gHost.previewParent == nullptr) {
        ShowCursor(TRUE);
    }
    CloseScreensKeepingPlaces();
    if (gAbandonedSessions > 0) {
        // Unloading would wait on the stuck threads of a session that would not close: end at
        // once, with the same code.
        TerminateProcess(GetCurrentProcess(), 0);
    }
    PostQuitMessage(0);
    gPlaybackHooks.endProcess(0);
}

} // namespace

extern "C" LRESULT CALLBACK ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        // A monitor's window only shows its screen; the main window started everything.
        if (lParam == 0 || ((const CREATESTRUCTW*)lParam)->lpCreateParams != &monitorWindowMark) {
            OnCreate(window);
        }
        return 0;
    case WM_TIMER:
        if (wParam == ID_START_TIMER) {
            OnStartTimer(window);
        } else {
            RoutePlaybackMessage(window, message, wParam, lParam);
        }
        return 0;
    case WM_ERASEBKGND:
        PaintBlack(window);
        return 0;
    case WM_PAINT:
        OnPaint(window);
        return 0;
    case WM_DISPLAYCHANGE:
    case WM_DPICHANGED: // the window keeps covering every monitor, not the suggested rectangle
        // Sent, it can arrive while a player waits and lets sent messages through: the screens
        // are matched to the monitors from the message loop instead, once for a burst.
        if (!IsMonitorWindow(window) && !displayChangePosted) {
            displayChangePosted = PostMessageW(window, DisplayChangedMessage, 0, 0) != 0;
            if (!displayChangePosted) {
                OnDisplayChange(window);
            }
        }
        return 0;
    case DisplayChangedMessage:
        displayChangePosted = false;
        OnDisplayChange(window);
        return 0;
    case WM_KEYDOWN:
        OnKeyDown(IsMonitorWindow(window) ? mainWindow : window, wParam);
        return 0;
    case WM_KEYUP:
        if (gSettings.Keyboard == 1 && IsSeekKey(wParam)) {
            EndSeekScreens();
        }
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(window);
        return 0;
    case GraphEventMessage:
    case MovieEventMessage:
    case UrlCheckedMessage:
        RoutePlaybackMessage(window, message, wParam, lParam);
        return 0;
    case WM_POWERBROADCAST:
        OnPowerBroadcast(wParam, lParam);
        return TRUE;
    case WM_DESTROY:
        if (!IsMonitorWindow(window)) {
            OnDestroy();
        }
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
