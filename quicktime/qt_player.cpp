#include "quicktime/qt_player.h"

#include <string.h>

#include "playback/video_rect.h"
#include "quicktime/qt_calls.h"
#include "quicktime/qt_seek.h"
#include "quicktime/qt_volume.h"
#include "settings/path_text.h"
#include "settings/settings.h"

QtMovieState gQtMovieState;
long long QtSeekStep = QtFirstSeekStep;
unsigned long long QtSeekRepeatCount = 0;

namespace {

// The movie's time slices: the runtime asks for one about every 15 ms.
constexpr UINT kMovieTaskIntervalMs = 15;
// One key of the volume, on the runtime's 256 scale.
constexpr int kVolumeKeyStep = 20;

void SeekMovie(Movie movie, bool forwards) {
    StopMovie(movie);
    TimeRecord current = {};
    GetMovieTime(movie, &current);
    TimeValue limit = forwards ? GetMovieDuration(movie) : 0;
    QtGrowSeekStep(&QtSeekStep, &QtSeekRepeatCount);
    TimeRecord target = QtSeekTarget(current, limit, QtSeekDelta(QtSeekStep, forwards));
    SetMovieTime(movie, &target);
    ++QtSeekRepeatCount;
}

} // namespace

bool QtShortPath(const wchar_t* path, char shortPath[256]) {
    shortPath[0] = '\0';
    if (path == nullptr || HasInternetScheme(path)) {
        return false;
    }
    wchar_t wide[256];
    DWORD length = GetShortPathNameW(path, wide, 255);
    if (length == 0 || length >= 255) {
        return false;
    }
    // The runtime takes the ANSI code page: a name it cannot spell there is not for it.
    BOOL lost = FALSE;
    int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, shortPath, 255,
                                    nullptr, &lost);
    if (bytes <= 0 || lost) {
        shortPath[0] = '\0';
        return false;
    }
    return true;
}

bool QtCanOpen(const wchar_t* path) {
    char shortPath[256];
    return QtShortPath(path, shortPath);
}

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

PlayerOpen QuickTimePlayer::Open(HWND window, const wchar_t* path) {
    Close();
    memset(&gQtMovieState, 0, sizeof(gQtMovieState));
    CreatePortAssociation(window, nullptr, 0);
    QtShortPath(path, gQtMovieState.path);
    gQtMovieState.window = window;
    if (!QtOpenMovie(window, &gQtMovieState)) {
        gQtMovieState.movie = nullptr;
        return PlayerOpen::Unplayable;
    }
    return PlayerOpen::Ready;
}

void QuickTimePlayer::Close() {
    if (gQtMovieState.window != nullptr) {
        KillTimer(gQtMovieState.window, ID_QUICKTIME_TIMER);
    }
    if (gQtMovieState.movie != nullptr) {
        DisposeMovie(gQtMovieState.movie);
        gQtMovieState.movie = nullptr;
    }
}

VideoSize QuickTimePlayer::Size() {
    VideoSize size = {0, 0, 0, 0};
    QtGetMovieSize(&size.width, &size.height, &size.ratioWidth, &size.ratioHeight);
    return size;
}

void QuickTimePlayer::Place(const RECT& destination, const RECT& visible) {
    // The calls bound here can only set the movie's box, not crop it: the box is kept to the
    // part that shows, into which the runtime scales the whole picture.
    RECT d = ClipPicture(destination, visible).destination;
    QtSetMovieBounds(gQtMovieState.window, d.left, d.top, d.right, d.bottom);
}

void QuickTimePlayer::StartAt(LONGLONG position) {
    QtApplyVolume(0);
    TimeRecord at = {};
    if (position > 0 && gQtMovieState.movie != nullptr) {
        GetMovieTime(gQtMovieState.movie, &at);
        if (at.scale > 0) {
            LONGLONG value = position / 10000 * at.scale / 1000;
            at.value.hi = (LONG)(value >> 32);
            at.value.lo = (ULONG)value;
            SetMovieTime(gQtMovieState.movie, &at);
        }
    }
    StartMovie(gQtMovieState.movie);
    SetTimer(gQtMovieState.window, ID_QUICKTIME_TIMER, kMovieTaskIntervalMs, nullptr);
}

void QuickTimePlayer::SeekStep(bool forwards) {
    if (gQtMovieState.movie != nullptr) {
        SeekMovie(gQtMovieState.movie, forwards);
    }
}

void QuickTimePlayer::EndSeek() {
    if (gQtMovieState.movie != nullptr) {
        StartMovie(gQtMovieState.movie);
        QtSeekRepeatCount = 0;
    }
}

void QuickTimePlayer::ChangeVolume(int step) {
    if (gQtMovieState.movie != nullptr) {
        QtApplyVolume(step > 0 ? kVolumeKeyStep : (step < 0 ? -kVolumeKeyStep : 0));
    }
}

// The runtime's times are in its movie's time scale.
LONGLONG QuickTimePlayer::Duration() {
    TimeRecord now = {};
    if (gQtMovieState.movie == nullptr) {
        return 0;
    }
    GetMovieTime(gQtMovieState.movie, &now);
    return now.scale > 0 ? (LONGLONG)GetMovieDuration(gQtMovieState.movie) * 10000000 / now.scale
                         : 0;
}

LONGLONG QuickTimePlayer::Position() {
    TimeRecord now = {};
    if (gQtMovieState.movie == nullptr) {
        return 0;
    }
    TimeValue value = GetMovieTime(gQtMovieState.movie, &now);
    return now.scale > 0 ? (LONGLONG)value * 10000000 / now.scale : 0;
}

// The runtime's sound output stays open while a movie is stopped: only the playing stops.
void QuickTimePlayer::Rest() {
    if (gQtMovieState.movie != nullptr) {
        KillTimer(gQtMovieState.window, ID_QUICKTIME_TIMER);
        StopMovie(gQtMovieState.movie);
    }
}

void QuickTimePlayer::Wake() {
    if (gQtMovieState.movie != nullptr) {
        StartMovie(gQtMovieState.movie);
        SetTimer(gQtMovieState.window, ID_QUICKTIME_TIMER, kMovieTaskIntervalMs, nullptr);
    }
}

PlayerNews QuickTimePlayer::HandleEvent(UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_TIMER || wParam != ID_QUICKTIME_TIMER) {
        return PlayerNews::None;
    }
    Movie movie = gQtMovieState.movie;
    if (movie == nullptr) {
        KillTimer(gQtMovieState.window, ID_QUICKTIME_TIMER);
        return PlayerNews::None;
    }
    MoviesTask(movie, 0);
    if (!IsMovieDone(movie)) {
        return PlayerNews::None;
    }
    KillTimer(gQtMovieState.window, ID_QUICKTIME_TIMER);
    // Disposed of at its end, as the runtime's own players do.
    DisposeMovie(movie);
    gQtMovieState.movie = nullptr;
    return PlayerNews::Ended;
}
