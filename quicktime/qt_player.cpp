#include "quicktime/qt_player.h"

#include <string.h>

#include "host/control_keys.h"
#include "movie_runtime/movie_runtime.h"
#include "playback/playback_controller.h"
#include "playback/video_geometry.h"
#include "quicktime/qt_calls.h"
#include "quicktime/qt_loader.h"
#include "quicktime/qt_seek.h"
#include "quicktime/qt_volume.h"
#include "settings/settings.h"

QtMovieState gQtMovieState;
long long QtSeekStep = QtFirstSeekStep;
unsigned long long QtSeekRepeatCount = 0;

// Longest wait for a message before the movie gets its next slice of time.
static const DWORD kMovieTaskIntervalMs = 15;

int QtOpenMovie(HWND window, QtMovieState* state) {
    bool builtIn = QtBuiltInRuntimeBound();
    // The built-in runtime opens the item's own path: long paths without a short form, URLs.
    const char* source = builtIn && state->itemPath != nullptr ? state->itemPath : state->path;
    if (source[0] == '\0') {
        return 0;
    }
    char name[256];
    strncpy(name, state->path, sizeof(name) - 1);
    name[sizeof(name) - 1] = '\0';
    c2pstr(name);
    FSSpec fileSpec = {};
    FSMakeFSSpec(0, 0, (const unsigned char*)name, &fileSpec);
    SetGWorld(GetNativeWindowPort(window), nullptr);
    if (builtIn) {
        MovieRuntimeNameSource(source);
    }
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
    SetWindowTitleFromPath(state->window, builtIn ? source : name);
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

enum class LoopExit { Running, MovieDone, NextItem, PreviousItem, Quit };

// One message of the player's loop. With keyboard control on, the control keys act on the
// movie; everything else goes to its window, so the saver window's exit rules apply as for
// any other item.
static LoopExit HandleMessage(MSG* msg, Movie movie) {
    if (msg->message == WM_QUIT) {
        // Left for the saver's own loop.
        PostQuitMessage((int)msg->wParam);
        return LoopExit::Quit;
    }
    if (gSettings.Keyboard == 1 && msg->message == WM_KEYDOWN) {
        switch (ControlKeyFor(msg->wParam)) {
        case ControlKey::SeekBackwards:
            SeekMovie(movie, false);
            return LoopExit::Running;
        case ControlKey::SeekForwards:
            SeekMovie(movie, true);
            return LoopExit::Running;
        case ControlKey::PreviousItem:
            return LoopExit::PreviousItem;
        case ControlKey::NextItem:
            return LoopExit::NextItem;
        case ControlKey::VolumeUp:
            if (gSettings.Mute == 1) {
                gSettings.Mute = 0;
                QtApplyVolume(0);
            } else {
                QtApplyVolume(20);
            }
            return LoopExit::Running;
        case ControlKey::VolumeDown:
            QtApplyVolume(-20);
            return LoopExit::Running;
        case ControlKey::None:
            break;
        }
    } else if (gSettings.Keyboard == 1 && msg->message == WM_KEYUP && IsSeekKey(msg->wParam)) {
        StartMovie(movie);
        QtSeekRepeatCount = 0;
        return LoopExit::Running;
    }
    DispatchMessageA(msg);
    return LoopExit::Running;
}

void QtCloseMovie() {
    if (gQtMovieState.movie != nullptr) {
        DisposeMovie(gQtMovieState.movie);
        gQtMovieState.movie = nullptr;
    }
}

int QtPlayMovie(HWND window, const char* path) {
    memset(&gQtMovieState, 0, sizeof(gQtMovieState));
    CreatePortAssociation(window, nullptr, 0);
    DWORD length = GetShortPathNameA(path, gQtMovieState.path, 255);
    if (length == 0 || length >= 255) {
        gQtMovieState.path[0] = '\0';
    }
    gQtMovieState.itemPath = path;
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
            if (gQtMovieState.movie == nullptr) {
                // The saver window went away and its movie with it.
                return 1;
            }
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
    if (exit == LoopExit::Quit) {
        return 1;
    }
    if (exit == LoopExit::PreviousItem) {
        PlayPreviousItem(window);
    } else {
        PlayNextItem(window);
    }
    return 1;
}
