#include "quicktime/qt_player.h"

#include <string.h>

#include "playback/playback_controller.h"
#include "playback/video_geometry.h"
#include "quicktime/qt_calls.h"
#include "quicktime/qt_seek.h"
#include "quicktime/qt_volume.h"
#include "settings/settings.h"

QtMovieState gQtMovieState;
long long QtSeekStep = QtFirstSeekStep;
unsigned long long QtSeekRepeatCount = 0;

// Longest wait for a message before the movie gets its next slice of time.
static const DWORD kMovieTaskIntervalMs = 15;

int QtOpenMovie(HWND window, QtMovieState* state) {
    if (state->path[0] == '\0') {
        return 0;
    }
    char name[256];
    strncpy(name, state->path, sizeof(name) - 1);
    name[sizeof(name) - 1] = '\0';
    c2pstr(name);
    FSSpec fileSpec = {};
    FSMakeFSSpec(0, 0, (const unsigned char*)name, &fileSpec);
    SetGWorld(GetNativeWindowPort(window), nullptr);
    short reference = 0;
    if (OpenMovieFile(&fileSpec, &reference, 1) != 0) {
        return 0;
    }
    OSErr result = NewMovieFromFile(&state->movie, reference, nullptr, nullptr, 1, nullptr);
    CloseMovieFile(reference);
    if (result != 0) {
        state->movie = nullptr;
        return 0;
    }
    p2cstr((StringPtr)name);
    SetWindowTitleFromPath(state->window, name);
    return 1;
}

void QtApplyVolume(int step) {
    Movie movie = gQtMovieState.movie;
    if (gSettings.Mute == 1) {
        SetMovieVolume(movie, QtMutedLevel(GetMovieVolume(movie)));
        return;
    }
    int level = QtLimitLevel((long long)step + QtLevelFromVolume(gSettings.Volume));
    SetMovieVolume(movie, (short)level);
    gSettings.Volume = QtVolumeFromLevel(level);
}

static void SeekMovie(Movie movie, bool forwards) {
    StopMovie(movie);
    TimeRecord current = {};
    GetMovieTime(movie, &current);
    TimeValue limit = forwards ? GetMovieDuration(movie) : 0;
    QtGrowSeekStep(&QtSeekStep, &QtSeekRepeatCount);
    TimeRecord target = QtSeekTarget(current, limit, QtSeekDelta(QtSeekStep, forwards));
    SetMovieTime(movie, &target);
    ++QtSeekRepeatCount;
}

void QtGetMovieSize(int* width, int* height, int* ratioWidth, int* ratioHeight) {
    Rect box = {};
    GetMovieBox(gQtMovieState.movie, &box);
    *width = box.right - box.left;
    *height = box.bottom - box.top;
    *ratioWidth = *width;
    *ratioHeight = *height;
}

void QtSetMovieBounds(HWND window, int left, int top, int right, int bottom) {
    (void)window;
    Rect box;
    box.top = (short)top;
    box.left = (short)left;
    box.bottom = (short)bottom;
    box.right = (short)right;
    SetMovieBox(gQtMovieState.movie, &box);
}

enum class LoopExit { Running, MovieDone, NextItem, PreviousItem };

// One message of the player's loop: only Escape is dispatched; everything else the loop does
// not handle is dropped.
static LoopExit HandleMessage(MSG* msg, Movie movie) {
    if (msg->message == WM_KEYDOWN) {
        switch (msg->wParam) {
        case VK_ESCAPE:
            DispatchMessageA(msg);
            break;
        case VK_LEFT:
            SeekMovie(movie, false);
            break;
        case VK_RIGHT:
            SeekMovie(movie, true);
            break;
        case VK_UP:
            return LoopExit::PreviousItem;
        case VK_DOWN:
            return LoopExit::NextItem;
        case VK_ADD:
        case VK_OEM_PLUS:
            if (gSettings.Mute == 1) {
                gSettings.Mute = 0;
                QtApplyVolume(0);
            } else {
                QtApplyVolume(20);
            }
            break;
        case VK_SUBTRACT:
        case VK_OEM_MINUS:
            QtApplyVolume(-20);
            break;
        default:
            break;
        }
    } else if (msg->message == WM_KEYUP) {
        if (msg->wParam == VK_LEFT || msg->wParam == VK_RIGHT) {
            StartMovie(movie);
            QtSeekRepeatCount = 0;
        }
    } else if (msg->message == WM_PAINT) {
        // A paint request stays in the queue until its area is validated.
        ValidateRect(msg->hwnd, nullptr);
    }
    return LoopExit::Running;
}

int QtPlayMovie(HWND window, const char* path) {
    memset(&gQtMovieState, 0, sizeof(gQtMovieState));
    CreatePortAssociation(window, nullptr, 0);
    DWORD length = GetShortPathNameA(path, gQtMovieState.path, 255);
    if (length == 0 || length >= 255) {
        gQtMovieState.path[0] = '\0';
    }
    gQtMovieState.window = window;

    // A movie that does not open ends its item at once, as an unreachable file does.
    if (!QtOpenMovie(window, &gQtMovieState)) {
        gQtMovieState.movie = nullptr;
        SkipUnplayableItem(window);
        return 1;
    }
    Movie movie = gQtMovieState.movie;
    LayoutVideo(window);
    QtApplyVolume(0);
    StartMovie(movie);
    NoteItemPlaying();

    LoopExit exit = IsMovieDone(movie) ? LoopExit::MovieDone : LoopExit::Running;
    while (exit == LoopExit::Running) {
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            exit = HandleMessage(&msg, movie);
            if (exit != LoopExit::Running) {
                break;
            }
        } else {
            // Nothing queued: the movie still needs its time slices, so wait only briefly.
            MsgWaitForMultipleObjectsEx(0, nullptr, kMovieTaskIntervalMs, QS_ALLINPUT,
                                        MWMO_INPUTAVAILABLE);
        }
        MoviesTask(movie, 0);
        if (IsMovieDone(movie)) {
            exit = LoopExit::MovieDone;
        }
    }

    DisposeMovie(movie);
    gQtMovieState.movie = nullptr;
    if (exit == LoopExit::PreviousItem) {
        PlayPreviousItem(window);
    } else {
        PlayNextItem(window);
    }
    return 1;
}
