// The QuickTime runtime's records, result codes and routine selectors, as the saver passes
// them to the runtime's dispatcher.
#pragma once

#include <windows.h>

typedef short OSErr;
typedef unsigned char Boolean;
typedef LONG TimeValue;
typedef LONG TimeScale;
typedef unsigned char* StringPtr;

// Opaque references handed out by the runtime.
typedef struct QtOpaqueMovie* Movie;
typedef struct QtOpaqueTimeBase* TimeBase;
typedef struct QtOpaquePort* GrafPtr;
typedef GrafPtr CGrafPtr;
typedef struct QtOpaqueDevice** GDHandle;

// The runtime's rectangle, edges in its own order.
struct Rect {
    short top;
    short left;
    short bottom;
    short right;
};

// A 64-bit time value, low half first.
struct CompTimeValue {
    ULONG lo;
    LONG hi;
};

struct TimeRecord {
    CompTimeValue value;
    TimeScale scale; // time units per second
    TimeBase base;
};

// A file as the runtime names it: the name is length-prefixed (up to 255 bytes).
struct FSSpec {
    short vRefNum;
    LONG parID;
    unsigned char name[256];
};

// The saver's own result codes; any other non-zero code comes from the runtime.
constexpr OSErr QtErrLibraryNotFound = -2093;    // 0xF7D3
constexpr OSErr QtErrEntryPointMissing = -2094;  // 0xF7D2
constexpr OSErr QtErrRuntimeUnavailable = -2095; // 0xF7D1

// A selector names a routine: family in the high 16 bits, number in the low 16 bits.
constexpr LONG QtSelector(LONG family, LONG number) { return family * 65536 + number; }

constexpr LONG QtFamilyMovies = 0x0002;
constexpr LONG QtFamilyFiles = 0x000F;
constexpr LONG QtFamilyGraphicsWorlds = 0x001C;
constexpr LONG QtFamilyWindows = 0x001D;
constexpr LONG QtFamilyStrings = 0x0028;

constexpr LONG QtSelEnterMovies = QtSelector(QtFamilyMovies, 0x0001);
constexpr LONG QtSelExitMovies = QtSelector(QtFamilyMovies, 0x0002);
constexpr LONG QtSelMoviesTask = QtSelector(QtFamilyMovies, 0x0005);
constexpr LONG QtSelStartMovie = QtSelector(QtFamilyMovies, 0x000B);
constexpr LONG QtSelStopMovie = QtSelector(QtFamilyMovies, 0x000C);
constexpr LONG QtSelDisposeMovie = QtSelector(QtFamilyMovies, 0x0023);
constexpr LONG QtSelGetMovieDuration = QtSelector(QtFamilyMovies, 0x002B);
constexpr LONG QtSelGetMovieVolume = QtSelector(QtFamilyMovies, 0x002E);
constexpr LONG QtSelSetMovieVolume = QtSelector(QtFamilyMovies, 0x002F);
constexpr LONG QtSelGetMovieTime = QtSelector(QtFamilyMovies, 0x0039);
constexpr LONG QtSelSetMovieTime = QtSelector(QtFamilyMovies, 0x003C);
constexpr LONG QtSelCloseMovieFile = QtSelector(QtFamilyMovies, 0x00D5);
constexpr LONG QtSelIsMovieDone = QtSelector(QtFamilyMovies, 0x00DD);
constexpr LONG QtSelNewMovieFromFile = QtSelector(QtFamilyMovies, 0x00F0);
constexpr LONG QtSelGetMovieBox = QtSelector(QtFamilyMovies, 0x00F9);
constexpr LONG QtSelSetMovieBox = QtSelector(QtFamilyMovies, 0x00FA);
constexpr LONG QtSelOpenMovieFile = QtSelector(QtFamilyMovies, 0x0192);
constexpr LONG QtSelFSMakeFSSpec = QtSelector(QtFamilyFiles, 0x00E2);
constexpr LONG QtSelSetGWorld = QtSelector(QtFamilyGraphicsWorlds, 0x0007);
constexpr LONG QtSelCreatePortAssociation = QtSelector(QtFamilyWindows, 0x0001);
constexpr LONG QtSelGetNativeWindowPort = QtSelector(QtFamilyWindows, 0x0003);
constexpr LONG QtSelInitializeQTML = QtSelector(QtFamilyWindows, 0x0008);
constexpr LONG QtSelTerminateQTML = QtSelector(QtFamilyWindows, 0x0009);
constexpr LONG QtSelOnDemandReleaseQuery = QtSelector(QtFamilyWindows, 0x0059);
constexpr LONG QtSelC2PStr = QtSelector(QtFamilyStrings, 0x0017);
constexpr LONG QtSelP2CStr = QtSelector(QtFamilyStrings, 0x0018);

// The runtime's dispatcher: the selector, then the routine's arguments as the caller passed
// them (integers narrower than int arrive promoted). The result is wide enough for a pointer;
// callers read it at the routine's own width.
typedef LONG_PTR(__cdecl* QtDispatcherProc)(LONG selector, ...);
