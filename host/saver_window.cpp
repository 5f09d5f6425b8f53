#include "host/saver_window.h"

#include "host/control_keys.h"
#include "host/display_area.h"
#include "host/host_state.h"
#include "host/share_wait.h"
#include "movie_runtime/movie_runtime.h"
#include "playback/graph_builder.h"
#include "playback/playback_controller.h"
#include "playback/playback_graph.h"
#include "playback/seek_math.h"
#include "playback/video_geometry.h"
#include "quicktime/qt_player.h"
#include "resources/resource.h"
#include "settings/playlist.h"
#include "settings/settings.h"

bool windowDestroyed = false;
long long seekStep = 5;
long long seekRepeatCount = 0;
// Set from creation until the first item is started, by the start timer or by a key that moves
// to another item before the timer fires; a later timer message then starts nothing more.
bool startItemPending = true;

namespace {

constexpr DWORD kRepaintPauseMs = 200;
constexpr DWORD kRendererSeekPauseMs = 1000;

bool Usable(const void* p) { return p != nullptr && !windowDestroyed; }

// A move by key before the start timer fired takes the place of the timer's start: otherwise the
// timer would build a second graph over the running one.
void TakeOverStart(HWND window) {
    if (startItemPending) {
        startItemPending = false;
        KillTimer(window, ID_START_TIMER);
    }
}

void EndSaver(HWND window) { DestroyWindow(window); }

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
    switch (ControlKeyFor(key)) {
    case ControlKey::SeekBackwards:
        SeekBackwards(window);
        return true;
    case ControlKey::PreviousItem:
        TakeOverStart(window);
        PlayPreviousItem(window);
        return true;
    case ControlKey::SeekForwards:
        SeekForwards(window);
        return true;
    case ControlKey::NextItem:
        TakeOverStart(window);
        PlayNextItem(window);
        return true;
    case ControlKey::VolumeUp:
        if (gSettings.Mute == 1) {
            // Unmutes to the stored volume without raising it.
            gSettings.Mute = 0;
            ChangeVolume(0);
        } else {
            ChangeVolume(+100);
        }
        return true;
    case ControlKey::VolumeDown:
        ChangeVolume(-100);
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

// Sets the position the seek arrived at, shows it, and lets the picture settle.
void FinishSeek(HWND window, LONGLONG position) {
    if (Usable(gGraph.seeking)) {
        HRESULT hr = gGraph.seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning,
                                                  nullptr, AM_SEEKING_NoPositioning);
        CheckResult(SeekResultToCheck(hr, gGraph.vmr9InUse));
    }
    if (gGraph.vmr9InUse && Usable(gGraph.windowless)) {
        HDC dc = GetDC(window);
        CheckResult(gGraph.windowless->RepaintVideo(window, dc));
        ReleaseDC(window, dc);
        gPlaybackHooks.sleep(kRepaintPauseMs);
    }
    if (!gGraph.vmr9InUse) {
        gPlaybackHooks.sleep(kRendererSeekPauseMs);
    }
    ++seekRepeatCount;
}

void OnCreate(HWND window) {
    if (gHost.previewParent == nullptr) {
        ShowCursor(FALSE);
    }
    LoadStringA(gHost.instance, IDS_SECTION_NAME, gSettings.sectionName,
                sizeof(gSettings.sectionName));
    LoadStringA(gHost.instance, IDS_SETTINGS_FILE, gSettings.fileName,
                sizeof(gSettings.fileName));
    WaitForSharesThrough(window);
    LoadSettings(window, 0);
    gPlaylist.current = gPlaylist.first;
    SendMessageA(window, WM_ACTIVATE, WA_CLICKACTIVE, 0);
    seekStep = BaseSeekStep(gGraph.vmr9InUse);
    startItemPending = true;
    SetTimer(window, ID_START_TIMER, kStartDelayMs, nullptr);
}

void OnTimer(HWND window) {
    KillTimer(window, ID_START_TIMER);
    if (!startItemPending) {
        return;
    }
    startItemPending = false;
    PlaylistEntry* current = gPlaylist.current;
    if (current != nullptr && current->path[0] != '\0') {
        gPlaybackHooks.playItem(window, current->path);
    }
}

bool GraphRunning() {
    OAFilterState state = State_Stopped;
    return Usable(gGraph.control) && SUCCEEDED(gGraph.control->GetState(0, &state)) &&
           state == State_Running;
}

// A paint request: black around the picture, and the picture itself shown again by the
// windowless renderer. A running graph presents its next frame by itself within a frame's time;
// a paused or stopped one shows its picture only when asked.
void OnPaint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT source;
    RECT picture;
    bool windowless = gGraph.vmr9InUse && !gGraph.quickTimeItem && Usable(gGraph.windowless);
    bool placed = windowless && SUCCEEDED(gGraph.windowless->GetVideoPosition(&source, &picture));
    if (windowless && !GraphRunning()) {
        // Not examined: a renderer without a picture yet has nothing to show.
        gGraph.windowless->RepaintVideo(window, dc);
    }
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
    if (gGraph.vmr9InUse && Usable(gGraph.windowless)) {
        // Not examined: the layout that follows places the picture whatever the renderer says.
        gGraph.windowless->DisplayModeChanged();
    }
    if (!windowDestroyed) {
        LayoutVideo(window);
    }
    InvalidateRect(window, nullptr, TRUE);
}

void OnDestroy(HWND window) {
    windowDestroyed = true;
    if (gHost.previewParent == nullptr) {
        ShowCursor(TRUE);
    }
    if (gGraph.graphActive) {
        StopAndReleaseGraph(window);
    }
    if (gGraph.quickTimeItem) {
        QtCloseMovie();
        if (MovieRuntimeHasStuckSessions()) {
            // Unloading would wait on the stuck threads: end at once, with the same code.
            TerminateProcess(GetCurrentProcess(), 0);
        }
    }
    PostQuitMessage(0);
    gPlaybackHooks.endProcess(0);
}

} // namespace

void PaintBlack(HWND window) {
    HDC dc = GetDC(window);
    RECT rc;
    GetClientRect(window, &rc);
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 0));
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
    ReleaseDC(window, dc);
}

void SeekBackwards(HWND window) {
    if (!gGraph.canSeekBackwards) {
        return;
    }
    GrowSeekStep(gGraph.vmr9InUse, &seekStep, &seekRepeatCount);
    if (Usable(gGraph.control)) {
        CheckResult(gGraph.control->Pause());
    }
    LONGLONG position = 0;
    if (Usable(gGraph.seeking)) {
        CheckResult(gGraph.seeking->GetCurrentPosition(&position));
    }
    FinishSeek(window, BackwardSeekTarget(position, seekStep));
}

void SeekForwards(HWND window) {
    if (!gGraph.canSeekForwards) {
        return;
    }
    if (Usable(gGraph.control)) {
        CheckResult(gGraph.control->Pause());
    }
    GrowSeekStep(gGraph.vmr9InUse, &seekStep, &seekRepeatCount);
    LONGLONG position = 0;
    bool haveDuration = false;
    LONGLONG duration = 0;
    if (Usable(gGraph.seeking)) {
        CheckResult(gGraph.seeking->GetPositions(&position, nullptr));
        CheckResult(gGraph.seeking->GetDuration(&duration));
        haveDuration = true;
    }
    FinishSeek(window, ForwardSeekTarget(position, seekStep, haveDuration, duration));
}

void EndSeek() {
    seekStep = BaseSeekStep(gGraph.vmr9InUse);
    seekRepeatCount = 0;
    if (Usable(gGraph.control)) {
        CheckResult(gGraph.control->Run());
    }
}

void HandleGraphEvents(HWND window) {
    while (Usable(gGraph.events)) {
        long code = 0;
        LONG_PTR param1 = 0;
        LONG_PTR param2 = 0;
        if (FAILED(gGraph.events->GetEvent(&code, &param1, &param2, 0))) {
            return;
        }
        CheckResult(gGraph.events->FreeEventParams(code, param1, param2));
        if (code == EC_COMPLETE) {
            // Goes on with the next item's events, if it has a graph.
            PlayNextItem(window);
        } else if (code == EC_USERABORT || code == EC_ERRORABORT) {
            EndSaver(window);
            return;
        }
    }
}

extern "C" LRESULT CALLBACK ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        return 0;
    case WM_TIMER:
        OnTimer(window);
        return 0;
    case WM_ERASEBKGND:
        PaintBlack(window);
        return 0;
    case WM_PAINT:
        OnPaint(window);
        return 0;
    case WM_DISPLAYCHANGE:
    case WM_DPICHANGED: // the window keeps covering every monitor, not the suggested rectangle
        OnDisplayChange(window);
        return 0;
    case WM_KEYDOWN:
        OnKeyDown(window, wParam);
        return 0;
    case WM_KEYUP:
        if (gSettings.Keyboard == 1 && IsSeekKey(wParam)) {
            EndSeek();
        }
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(window);
        return 0;
    case GraphEventMessage:
        HandleGraphEvents(window);
        return 0;
    case WM_DESTROY:
        OnDestroy(window);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
