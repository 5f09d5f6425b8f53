#include "quicktime/qt_calls.h"

#include "quicktime/qt_loader.h"

// The hook is read on every call, so a call after a failed start or after termination
// retries the binding.
static inline void RunPreCallHook() {
    QtHookProc hook = QtPreCallHook;
    if (hook != nullptr) {
        hook();
    }
}

OSErr EnterMovies() {
    RunPreCallHook();
    return (OSErr)QtDispatcher(QtSelEnterMovies);
}

void ExitMovies() {
    RunPreCallHook();
    QtDispatcher(QtSelExitMovies);
}

void MoviesTask(Movie movie, LONG maxMilliSecToUse) {
    RunPreCallHook();
    QtDispatcher(QtSelMoviesTask, movie, maxMilliSecToUse);
}

void StartMovie(Movie movie) {
    RunPreCallHook();
    QtDispatcher(QtSelStartMovie, movie);
}

void StopMovie(Movie movie) {
    RunPreCallHook();
    QtDispatcher(QtSelStopMovie, movie);
}

void DisposeMovie(Movie movie) {
    RunPreCallHook();
    QtDispatcher(QtSelDisposeMovie, movie);
}

TimeValue GetMovieDuration(Movie movie) {
    RunPreCallHook();
    return (TimeValue)QtDispatcher(QtSelGetMovieDuration, movie);
}

short GetMovieVolume(Movie movie) {
    RunPreCallHook();
    return (short)QtDispatcher(QtSelGetMovieVolume, movie);
}

void SetMovieVolume(Movie movie, short volume) {
    RunPreCallHook();
    QtDispatcher(QtSelSetMovieVolume, movie, volume);
}

TimeValue GetMovieTime(Movie movie, TimeRecord* currentTime) {
    RunPreCallHook();
    return (TimeValue)QtDispatcher(QtSelGetMovieTime, movie, currentTime);
}

void SetMovieTime(Movie movie, const TimeRecord* newTime) {
    RunPreCallHook();
    QtDispatcher(QtSelSetMovieTime, movie, newTime);
}

OSErr CloseMovieFile(short resRefNum) {
    RunPreCallHook();
    return (OSErr)QtDispatcher(QtSelCloseMovieFile, resRefNum);
}

Boolean IsMovieDone(Movie movie) {
    RunPreCallHook();
    return (Boolean)QtDispatcher(QtSelIsMovieDone, movie);
}

OSErr NewMovieFromFile(Movie* movie, short resRefNum, short* resId, StringPtr resName,
                       short newMovieFlags, Boolean* dataRefWasChanged) {
    RunPreCallHook();
    return (OSErr)QtDispatcher(QtSelNewMovieFromFile, movie, resRefNum, resId, resName,
                               newMovieFlags, dataRefWasChanged);
}

void GetMovieBox(Movie movie, Rect* box) {
    RunPreCallHook();
    QtDispatcher(QtSelGetMovieBox, movie, box);
}

void SetMovieBox(Movie movie, const Rect* box) {
    RunPreCallHook();
    QtDispatcher(QtSelSetMovieBox, movie, box);
}

OSErr OpenMovieFile(const FSSpec* fileSpec, short* resRefNum, signed char permission) {
    RunPreCallHook();
    return (OSErr)QtDispatcher(QtSelOpenMovieFile, fileSpec, resRefNum, permission);
}

OSErr FSMakeFSSpec(short vRefNum, LONG dirID, const unsigned char* fileName, FSSpec* fileSpec) {
    RunPreCallHook();
    return (OSErr)QtDispatcher(QtSelFSMakeFSSpec, vRefNum, dirID, fileName, fileSpec);
}

void SetGWorld(CGrafPtr port, GDHandle device) {
    RunPreCallHook();
    QtDispatcher(QtSelSetGWorld, port, device);
}

GrafPtr CreatePortAssociation(void* window, void* storage, LONG flags) {
    RunPreCallHook();
    return (GrafPtr)QtDispatcher(QtSelCreatePortAssociation, window, storage, flags);
}

GrafPtr GetNativeWindowPort(void* window) {
    RunPreCallHook();
    return (GrafPtr)QtDispatcher(QtSelGetNativeWindowPort, window);
}

OSErr InitializeQTML(LONG flags) {
    RunPreCallHook();
    return (OSErr)QtDispatcher(QtSelInitializeQTML, flags);
}

void TerminateQTML() {
    RunPreCallHook();
    QtDispatcher(QtSelTerminateQTML);
}

Boolean QtOnDemandReleaseQuery() {
    RunPreCallHook();
    return (Boolean)QtDispatcher(QtSelOnDemandReleaseQuery);
}

StringPtr c2pstr(char* text) {
    RunPreCallHook();
    return (StringPtr)QtDispatcher(QtSelC2PStr, text);
}

char* p2cstr(StringPtr text) {
    RunPreCallHook();
    return (char*)QtDispatcher(QtSelP2CStr, text);
}
