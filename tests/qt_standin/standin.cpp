// Test runtime: serves the saver's movie routines over a simulated movie described by a small
// text file ("box=320x240 scale=600 duration=1800 color=00ff00"). Time advances in real time
// while a movie is started; MoviesTask paints the movie box in the file's colour into the
// associated window. Calls are appended to the file named by QTSTANDIN_LOG, one per line.
// QTSTANDIN_INIT_RESULT sets InitializeQTML's answer, QTSTANDIN_RELEASE_ANSWER the answer of
// the release query.
#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "quicktime/qt_types.h"

namespace {

struct Port {
    HWND window;
};

struct MovieData {
    int id;
    Rect box;
    TimeScale scale;
    TimeValue duration;
    COLORREF color;
    short volume;
    bool running;
    TimeValue timeAtStart; // the time when it was last started or set
    ULONGLONG tickAtStart;
    HWND window;
    bool tasked;
    long tasks; // MoviesTask calls, reported when the movie is disposed of
    ULONGLONG lastPaint;
};

struct OpenFile {
    bool used;
    char name[256];
    char text[512];
};

constexpr int kMaxPorts = 16;
constexpr int kMaxFiles = 8;

Port gPorts[kMaxPorts];
OpenFile gFiles[kMaxFiles];
Port* gCurrentPort = nullptr;
int gNextMovieId = 1;

void Log(const char* format, ...) {
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("QTSTANDIN_LOG", path, sizeof(path));
    if (length == 0 || length >= sizeof(path)) {
        return;
    }
    char line[600];
    va_list args;
    va_start(args, format);
    int n = _vsnprintf(line, sizeof(line) - 2, format, args);
    va_end(args);
    if (n < 0 || n > (int)sizeof(line) - 3) {
        n = (int)sizeof(line) - 3;
    }
    line[n] = '\r';
    line[n + 1] = '\n';
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    WriteFile(file, line, (DWORD)(n + 2), &written, nullptr);
    CloseHandle(file);
}

long EnvNumber(const char* name, long fallback) {
    char text[32];
    DWORD length = GetEnvironmentVariableA(name, text, sizeof(text));
    if (length == 0 || length >= sizeof(text)) {
        return fallback;
    }
    return strtol(text, nullptr, 0);
}

Port* PortForWindow(HWND window, bool create) {
    for (Port& port : gPorts) {
        if (port.window == window) {
            return &port;
        }
    }
    if (!create) {
        return nullptr;
    }
    for (Port& port : gPorts) {
        if (port.window == nullptr) {
            port.window = window;
            return &port;
        }
    }
    return nullptr;
}

TimeValue CurrentTime(const MovieData* movie) {
    if (!movie->running) {
        return movie->timeAtStart;
    }
    ULONGLONG elapsed = GetTickCount64() - movie->tickAtStart;
    long long value = movie->timeAtStart + (long long)(elapsed * (ULONGLONG)movie->scale / 1000);
    if (value > movie->duration) {
        value = movie->duration;
    }
    return (TimeValue)value;
}

void PaintBox(MovieData* movie) {
    if (movie->window == nullptr || !IsWindow(movie->window)) {
        return;
    }
    HDC dc = GetDC(movie->window);
    if (dc == nullptr) {
        return;
    }
    RECT area = {movie->box.left, movie->box.top, movie->box.right, movie->box.bottom};
    HBRUSH brush = CreateSolidBrush(movie->color);
    FillRect(dc, &area, brush);
    DeleteObject(brush);
    ReleaseDC(movie->window, dc);
}

// Reads "key=value" words; false when the text describes no movie.
bool ParseMovie(const char* text, MovieData* movie) {
    int width = -1;
    int height = -1;
    const char* box = strstr(text, "box=");
    if (box == nullptr || sscanf(box + 4, "%dx%d", &width, &height) != 2 || width < 0 ||
        height < 0) {
        return false;
    }
    movie->box = Rect{0, 0, (short)height, (short)width};
    movie->scale = 600;
    movie->duration = 1800;
    movie->color = RGB(0, 255, 0);
    movie->volume = 256;
    const char* scale = strstr(text, "scale=");
    if (scale != nullptr) {
        movie->scale = atol(scale + 6);
    }
    const char* duration = strstr(text, "duration=");
    if (duration != nullptr) {
        movie->duration = atol(duration + 9);
    }
    const char* color = strstr(text, "color=");
    if (color != nullptr) {
        unsigned long rgb = strtoul(color + 6, nullptr, 16);
        movie->color = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    }
    const char* volume = strstr(text, "volume=");
    if (volume != nullptr) {
        movie->volume = (short)atoi(volume + 7);
    }
    return movie->scale > 0;
}

void PascalToC(const unsigned char* lengthPrefixed, char* out, size_t size) {
    size_t length = lengthPrefixed[0];
    if (length >= size) {
        length = size - 1;
    }
    memcpy(out, lengthPrefixed + 1, length);
    out[length] = '\0';
}

LONG_PTR Dispatch(LONG selector, va_list args) {
    switch (selector) {
    case QtSelInitializeQTML: {
        LONG flags = va_arg(args, LONG);
        long result = EnvNumber("QTSTANDIN_INIT_RESULT", 0);
        Log("InitializeQTML %ld -> %ld", (long)flags, result);
        return (OSErr)result;
    }
    case QtSelTerminateQTML:
        Log("TerminateQTML");
        return 0;
    case QtSelEnterMovies:
        Log("EnterMovies");
        return 0;
    case QtSelExitMovies:
        Log("ExitMovies");
        return 0;
    case QtSelOnDemandReleaseQuery: {
        long answer = EnvNumber("QTSTANDIN_RELEASE_ANSWER", 1);
        Log("QtOnDemandReleaseQuery -> %ld", answer);
        return answer ? 1 : 0;
    }
    case QtSelCreatePortAssociation: {
        HWND window = va_arg(args, HWND);
        void* storage = va_arg(args, void*);
        LONG flags = va_arg(args, LONG);
        Port* port = PortForWindow(window, true);
        Log("CreatePortAssociation %p %p %ld", (void*)window, storage, (long)flags);
        return (LONG_PTR)port;
    }
    case QtSelGetNativeWindowPort: {
        HWND window = va_arg(args, HWND);
        Port* port = PortForWindow(window, false);
        Log("GetNativeWindowPort %p -> %s", (void*)window, port ? "port" : "none");
        return (LONG_PTR)port;
    }
    case QtSelSetGWorld: {
        Port* port = va_arg(args, Port*);
        void* device = va_arg(args, void*);
        gCurrentPort = port;
        Log("SetGWorld %s %p", port ? "port" : "none", device);
        return 0;
    }
    case QtSelC2PStr: {
        char* text = va_arg(args, char*);
        size_t length = strlen(text);
        if (length > 255) {
            length = 255;
        }
        memmove(text + 1, text, length);
        text[0] = (char)length;
        Log("c2pstr %u", (unsigned)length);
        return (LONG_PTR)text;
    }
    case QtSelP2CStr: {
        unsigned char* text = va_arg(args, unsigned char*);
        size_t length = text[0];
        memmove(text, text + 1, length);
        text[length] = '\0';
        Log("p2cstr %s", (char*)text);
        return (LONG_PTR)text;
    }
    case QtSelFSMakeFSSpec: {
        short volume = (short)va_arg(args, int);
        LONG directory = va_arg(args, LONG);
        const unsigned char* name = va_arg(args, const unsigned char*);
        FSSpec* fileSpec = va_arg(args, FSSpec*);
        memset(fileSpec, 0, sizeof(*fileSpec));
        fileSpec->vRefNum = volume;
        fileSpec->parID = directory;
        memcpy(fileSpec->name, name, (size_t)name[0] + 1);
        char text[256];
        PascalToC(name, text, sizeof(text));
        Log("FSMakeFSSpec %d %ld %s", volume, (long)directory, text);
        return 0;
    }
    case QtSelOpenMovieFile: {
        const FSSpec* fileSpec = va_arg(args, const FSSpec*);
        short* reference = va_arg(args, short*);
        int permission = va_arg(args, int);
        char name[256];
        PascalToC(fileSpec->name, name, sizeof(name));
        FILE* file = fopen(name, "rb");
        int slot = -1;
        for (int i = 0; i < kMaxFiles && file != nullptr; ++i) {
            if (!gFiles[i].used) {
                slot = i;
                break;
            }
        }
        if (file == nullptr || slot < 0) {
            if (file != nullptr) {
                fclose(file);
            }
            Log("OpenMovieFile %s %d -> -43", name, permission);
            return (OSErr)-43; // file not found
        }
        OpenFile& open = gFiles[slot];
        open.used = true;
        strcpy(open.name, name);
        size_t read = fread(open.text, 1, sizeof(open.text) - 1, file);
        open.text[read] = '\0';
        fclose(file);
        *reference = (short)(slot + 1);
        Log("OpenMovieFile %s %d -> 0", name, permission);
        return 0;
    }
    case QtSelCloseMovieFile: {
        short reference = (short)va_arg(args, int);
        if (reference >= 1 && reference <= kMaxFiles) {
            gFiles[reference - 1].used = false;
        }
        Log("CloseMovieFile %d", reference);
        return 0;
    }
    case QtSelNewMovieFromFile: {
        Movie* slot = va_arg(args, Movie*);
        short reference = (short)va_arg(args, int);
        short* resId = va_arg(args, short*);
        StringPtr resName = va_arg(args, StringPtr);
        short flags = (short)va_arg(args, int);
        Boolean* changed = va_arg(args, Boolean*);
        (void)resId;
        (void)resName;
        (void)changed;
        if (reference < 1 || reference > kMaxFiles || !gFiles[reference - 1].used) {
            Log("NewMovieFromFile bad reference %d -> -39", reference);
            return (OSErr)-39;
        }
        MovieData* movie = (MovieData*)calloc(1, sizeof(MovieData));
        if (movie == nullptr || !ParseMovie(gFiles[reference - 1].text, movie)) {
            free(movie);
            Log("NewMovieFromFile %s -> -2048", gFiles[reference - 1].name);
            return (OSErr)-2048; // no movie found
        }
        movie->id = gNextMovieId++;
        movie->window = gCurrentPort ? gCurrentPort->window : nullptr;
        *slot = (Movie)movie;
        // The stack position tells the tests whether items nest inside each other.
        volatile char marker = 0;
        Log("NewMovieFromFile %d %s flags=%d -> 0 stack=%p", movie->id, gFiles[reference - 1].name,
            flags, (void*)&marker);
        return 0;
    }
    default:
        break;
    }

    // Movie routines: the first argument is the movie.
    MovieData* movie = va_arg(args, MovieData*);
    if (movie == nullptr) {
        Log("0x%08lx on no movie", (unsigned long)selector);
        return (OSErr)-2010; // invalid movie
    }
    switch (selector) {
    case QtSelDisposeMovie:
        Log("DisposeMovie %d tasks=%ld", movie->id, movie->tasks);
        free(movie);
        return 0;
    case QtSelStartMovie:
        if (!movie->running) {
            movie->timeAtStart = CurrentTime(movie);
            movie->tickAtStart = GetTickCount64();
            movie->running = true;
        }
        Log("StartMovie %d", movie->id);
        return 0;
    case QtSelStopMovie:
        movie->timeAtStart = CurrentTime(movie);
        movie->running = false;
        Log("StopMovie %d %ld", movie->id, (long)movie->timeAtStart);
        return 0;
    case QtSelMoviesTask: {
        LONG allowance = va_arg(args, LONG);
        ++movie->tasks;
        if (!movie->tasked) {
            movie->tasked = true;
            Log("MoviesTask %d %ld", movie->id, (long)allowance);
        }
        ULONGLONG now = GetTickCount64();
        if (now - movie->lastPaint >= 40) {
            movie->lastPaint = now;
            PaintBox(movie);
        }
        return 0;
    }
    case QtSelIsMovieDone: {
        bool done = CurrentTime(movie) >= movie->duration;
        if (done) {
            Log("IsMovieDone %d -> 1", movie->id);
        }
        return done ? 1 : 0;
    }
    case QtSelGetMovieDuration:
        Log("GetMovieDuration %d -> %ld", movie->id, (long)movie->duration);
        return movie->duration;
    case QtSelGetMovieVolume:
        Log("GetMovieVolume %d -> %d", movie->id, movie->volume);
        return movie->volume;
    case QtSelSetMovieVolume:
        movie->volume = (short)va_arg(args, int);
        Log("SetMovieVolume %d %d", movie->id, movie->volume);
        return 0;
    case QtSelGetMovieTime: {
        TimeRecord* record = va_arg(args, TimeRecord*);
        TimeValue now = CurrentTime(movie);
        if (record != nullptr) {
            record->value.lo = (ULONG)now;
            record->value.hi = 0;
            record->scale = movie->scale;
            record->base = nullptr;
        }
        Log("GetMovieTime %d -> %ld", movie->id, (long)now);
        return now;
    }
    case QtSelSetMovieTime: {
        const TimeRecord* record = va_arg(args, const TimeRecord*);
        long long value = record ? (long long)record->value.lo : 0;
        if (value > movie->duration) {
            value = movie->duration;
        }
        movie->timeAtStart = (TimeValue)value;
        movie->tickAtStart = GetTickCount64();
        Log("SetMovieTime %d %lu", movie->id, record ? (unsigned long)record->value.lo : 0ul);
        return 0;
    }
    case QtSelGetMovieBox: {
        Rect* box = va_arg(args, Rect*);
        if (box != nullptr) {
            *box = movie->box;
        }
        Log("GetMovieBox %d -> %d %d %d %d", movie->id, movie->box.top, movie->box.left,
            movie->box.bottom, movie->box.right);
        return 0;
    }
    case QtSelSetMovieBox: {
        const Rect* box = va_arg(args, const Rect*);
        if (box != nullptr) {
            movie->box = *box;
        }
        Log("SetMovieBox %d %d %d %d %d", movie->id, movie->box.top, movie->box.left,
            movie->box.bottom, movie->box.right);
        PaintBox(movie);
        return 0;
    }
    default:
        Log("unknown 0x%08lx", (unsigned long)selector);
        return (OSErr)-2010;
    }
}

} // namespace

extern "C" LONG_PTR __cdecl StandinDispatcher(LONG selector, ...) {
    va_list args;
    va_start(args, selector);
    LONG_PTR result = Dispatch(selector, args);
    va_end(args);
    return result;
}

extern "C" LONG_PTR __cdecl StandinCallComponent(LONG selector, ...) {
    Log("_CallComponent 0x%08lx", (unsigned long)selector);
    return 0;
}

extern "C" LONG_PTR __cdecl StandinCallComponentWithStorage(LONG selector, ...) {
    Log("_CallComponentFunctionWithStorage 0x%08lx", (unsigned long)selector);
    return 0;
}
