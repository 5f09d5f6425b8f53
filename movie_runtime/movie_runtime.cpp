#include "movie_runtime/movie_runtime.h"

#include <mfapi.h>
#include <stdarg.h>
#include <string.h>

#include <new>

#include "movie_runtime/mf_library.h"
#include "movie_runtime/movie_math.h"
#include "movie_runtime/movie_player.h"
#include "settings/settings.h"

namespace {

// A movie as the routines hand it out.
struct BuiltInMovie {
    MoviePlayer player;
    short volume = 256;
};

// The window a new movie draws into (the port made current), and the file opened for it.
HWND currentPort = nullptr;
char namedSource[kPathBufferSize];
char openFile[kPathBufferSize];
bool comStarted = false;
bool mfStarted = false;

BuiltInMovie* AsMovie(void* movie) { return static_cast<BuiltInMovie*>(movie); }

OSErr Initialize() {
    if (mfStarted) {
        return 0;
    }
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    comStarted = SUCCEEDED(hr);
    if (LoadMfLibrary() && SUCCEEDED(gMf.startup(MF_VERSION, MFSTARTUP_FULL))) {
        mfStarted = true;
        return 0;
    }
    UnloadMfLibrary();
    if (comStarted) {
        CoUninitialize();
        comStarted = false;
    }
    return QtErrRuntimeUnavailable;
}

void Terminate() {
    if (mfStarted) {
        gMf.shutdown();
        UnloadMfLibrary();
        mfStarted = false;
    }
    if (comStarted) {
        CoUninitialize();
        comStarted = false;
    }
}

OSErr MakeFileSpec(short volume, LONG directory, const unsigned char* name, FSSpec* fileSpec) {
    if (fileSpec == nullptr) {
        return MovieErrParameter;
    }
    memset(fileSpec, 0, sizeof(*fileSpec));
    fileSpec->vRefNum = volume;
    fileSpec->parID = directory;
    if (name != nullptr) {
        memcpy(fileSpec->name, name, (size_t)name[0] + 1);
    }
    return 0;
}

OSErr OpenFile(const FSSpec* fileSpec, short* reference) {
    if (namedSource[0] != '\0') {
        lstrcpynA(openFile, namedSource, sizeof(openFile));
        namedSource[0] = '\0';
    } else if (fileSpec != nullptr) {
        memcpy(openFile, fileSpec->name + 1, fileSpec->name[0]);
        openFile[fileSpec->name[0]] = '\0';
    } else {
        openFile[0] = '\0';
    }
    if (openFile[0] == '\0') {
        return MovieErrFileNotFound;
    }
    if (reference != nullptr) {
        *reference = 1;
    }
    return 0;
}

OSErr NewMovie(Movie* movie) {
    if (movie == nullptr) {
        return MovieErrParameter;
    }
    *movie = nullptr;
    if (openFile[0] == '\0') {
        return MovieErrFileNotFound;
    }
    BuiltInMovie* made = new (std::nothrow) BuiltInMovie();
    if (made == nullptr) {
        return MovieErrCannotOpen;
    }
    if (FAILED(made->player.Open(openFile, currentPort))) {
        delete made;
        return MovieErrCannotOpen;
    }
    *movie = reinterpret_cast<Movie>(made);
    return 0;
}

void GetBox(BuiltInMovie* movie, Rect* box) {
    if (box == nullptr) {
        return;
    }
    SIZE size = movie != nullptr ? movie->player.NaturalSize() : SIZE{0, 0};
    box->top = 0;
    box->left = 0;
    box->bottom = (short)size.cy;
    box->right = (short)size.cx;
}

void SetBox(BuiltInMovie* movie, const Rect* box) {
    if (movie == nullptr || box == nullptr) {
        return;
    }
    RECT destination = {box->left, box->top, box->right, box->bottom};
    movie->player.Place(destination);
}

TimeValue GetTime(BuiltInMovie* movie, TimeRecord* record) {
    LONGLONG value = movie != nullptr ? MovieUnitsFromTicks(movie->player.Position()) : 0;
    if (record != nullptr) {
        record->value.lo = (ULONG)(value & 0xFFFFFFFF);
        record->value.hi = (LONG)(value >> 32);
        record->scale = MovieTimeScale;
        record->base = nullptr;
    }
    return (TimeValue)value;
}

void SetTime(BuiltInMovie* movie, const TimeRecord* record) {
    if (movie == nullptr || record == nullptr) {
        return;
    }
    LONGLONG value = ((LONGLONG)record->value.hi << 32) | record->value.lo;
    movie->player.Seek(TicksFromMovieUnits(value, record->scale));
}

void SetVolume(BuiltInMovie* movie, short volume) {
    if (movie == nullptr) {
        return;
    }
    movie->volume = volume;
    movie->player.SetVolume(AmplitudeFromMovieVolume(volume));
}

} // namespace

bool MovieRuntimeHasStuckSessions() { return gAbandonedSessions > 0; }

void MovieRuntimeNameSource(const char* path) {
    lstrcpynA(namedSource, path != nullptr ? path : "", sizeof(namedSource));
}

LONG_PTR __cdecl MovieRuntimeDispatcher(LONG selector, ...) {
    va_list args;
    va_start(args, selector);
    LONG_PTR result = 0;
    switch (selector) {
    case QtSelInitializeQTML:
        result = Initialize();
        break;
    case QtSelTerminateQTML:
        Terminate();
        break;
    case QtSelEnterMovies:
    case QtSelExitMovies:
    case QtSelOnDemandReleaseQuery: // false: this runtime is part of the saver
        break;
    case QtSelCreatePortAssociation:
    case QtSelGetNativeWindowPort:
        // A window is its own port here.
        result = (LONG_PTR)va_arg(args, void*);
        break;
    case QtSelSetGWorld:
        currentPort = (HWND)va_arg(args, void*);
        break;
    case QtSelC2PStr:
        result = (LONG_PTR)MovieC2PStr(va_arg(args, char*));
        break;
    case QtSelP2CStr:
        result = (LONG_PTR)MovieP2CStr(va_arg(args, unsigned char*));
        break;
    case QtSelFSMakeFSSpec: {
        short volume = (short)va_arg(args, int);
        LONG directory = va_arg(args, LONG);
        const unsigned char* name = va_arg(args, const unsigned char*);
        result = MakeFileSpec(volume, directory, name, va_arg(args, FSSpec*));
        break;
    }
    case QtSelOpenMovieFile: {
        const FSSpec* fileSpec = va_arg(args, const FSSpec*);
        result = OpenFile(fileSpec, va_arg(args, short*));
        break;
    }
    case QtSelCloseMovieFile:
        openFile[0] = '\0';
        break;
    case QtSelNewMovieFromFile:
        result = NewMovie(va_arg(args, Movie*));
        break;
    case QtSelDisposeMovie:
        delete AsMovie(va_arg(args, void*));
        break;
    case QtSelGetMovieBox: {
        BuiltInMovie* movie = AsMovie(va_arg(args, void*));
        GetBox(movie, va_arg(args, Rect*));
        break;
    }
    case QtSelSetMovieBox: {
        BuiltInMovie* movie = AsMovie(va_arg(args, void*));
        SetBox(movie, va_arg(args, const Rect*));
        break;
    }
    case QtSelStartMovie:
        if (BuiltInMovie* movie = AsMovie(va_arg(args, void*))) {
            movie->player.Start();
        }
        break;
    case QtSelStopMovie:
        if (BuiltInMovie* movie = AsMovie(va_arg(args, void*))) {
            movie->player.Stop();
        }
        break;
    case QtSelMoviesTask:
        if (BuiltInMovie* movie = AsMovie(va_arg(args, void*))) {
            movie->player.Poll();
        }
        break;
    case QtSelIsMovieDone: {
        // No movie is done at once, so its item ends.
        BuiltInMovie* movie = AsMovie(va_arg(args, void*));
        result = movie == nullptr || movie->player.Done();
        break;
    }
    case QtSelGetMovieTime: {
        BuiltInMovie* movie = AsMovie(va_arg(args, void*));
        result = GetTime(movie, va_arg(args, TimeRecord*));
        break;
    }
    case QtSelSetMovieTime: {
        BuiltInMovie* movie = AsMovie(va_arg(args, void*));
        SetTime(movie, va_arg(args, const TimeRecord*));
        break;
    }
    case QtSelGetMovieDuration: {
        BuiltInMovie* movie = AsMovie(va_arg(args, void*));
        result = movie != nullptr ? (TimeValue)MovieUnitsFromTicks(movie->player.Duration()) : 0;
        break;
    }
    case QtSelGetMovieVolume: {
        BuiltInMovie* movie = AsMovie(va_arg(args, void*));
        result = movie != nullptr ? movie->volume : 0;
        break;
    }
    case QtSelSetMovieVolume: {
        BuiltInMovie* movie = AsMovie(va_arg(args, void*));
        SetVolume(movie, (short)va_arg(args, int));
        break;
    }
    default:
        result = MovieErrParameter;
        break;
    }
    va_end(args);
    return result;
}
